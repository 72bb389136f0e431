#include "RunAnalysisOptions.h"

#include <algorithm>

namespace {

const RunAnalysisOptions g_defaults;
const RunAnalysisOptions* g_installed = nullptr;
bool g_lossModelSuspended = false;

} // namespace

const RunAnalysisOptions& RunAnalysisOptions::current()
{
    return g_installed ? *g_installed : g_defaults;
}

void RunAnalysisOptions::install(const RunAnalysisOptions* options)
{
    g_installed = options;
}

void RunAnalysisOptions::setLossModelOnRunLoadSuspended(bool suspended)
{
    g_lossModelSuspended = suspended;
}

bool RunAnalysisOptions::isLossModelOnRunLoadSuspended()
{
    return g_lossModelSuspended;
}
