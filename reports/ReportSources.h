#pragma once

#include <functional>

class LoadedRunListModel;

// Where the reports find the ANALYZE tab's loaded runs (and through them its
// desktops). The main window's settings tab sets the provider at start-up;
// tests set their own. No provider means no runs.
class ReportSources
{
public:
    static void setLoadedRunsProvider(std::function<LoadedRunListModel*()> provider);
    static LoadedRunListModel* loadedRuns();
};
