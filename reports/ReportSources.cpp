#include "ReportSources.h"

namespace {
std::function<LoadedRunListModel*()> g_provider;
}

void ReportSources::setLoadedRunsProvider(std::function<LoadedRunListModel*()> provider)
{
    g_provider = std::move(provider);
}

LoadedRunListModel* ReportSources::loadedRuns()
{
    return g_provider ? g_provider() : nullptr;
}
