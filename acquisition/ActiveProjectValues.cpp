#include "ActiveProjectValues.h"

ActiveProjectValues theActiveProjectValues;
