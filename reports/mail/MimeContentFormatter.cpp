#include "MimeContentFormatter.h"

MimeContentFormatter::MimeContentFormatter(QIODevice* device, int lineLength)
    : output(device)
    , lineLength(lineLength)
{
    open(QIODevice::WriteOnly);
}
