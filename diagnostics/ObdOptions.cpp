#include "ObdOptions.h"

ObdOptions theObdOptions;
