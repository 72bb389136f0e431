#include "AnalysisHooks.h"

AnalysisHooks& AnalysisHooks::instance()
{
    static AnalysisHooks hooks;
    return hooks;
}
