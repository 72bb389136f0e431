#include "AMdiImage.h"

AMdiImage::AMdiImage(AbstractMdi* desktop)
    : AMdiStandIn(desktop, tr("Image"))
{
}
