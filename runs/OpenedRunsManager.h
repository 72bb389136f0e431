#pragma once

#include <QMap>
#include <QObject>
#include <QString>

class RunData;

// Keeps one opened RunData per run file, keyed by the file name exactly as
// given, so the run table, the analysis and the tools all work on the same
// object. Owns what it caches. One instance, theOpenedRunsManager, made before
// main. GUI thread only.
class OpenedRunsManager : public QObject
{
    Q_OBJECT
public:
    OpenedRunsManager();
    ~OpenedRunsManager() override;

    // The cached run, or a newly opened and cached one; null when no file
    // exists at the name or it cannot be opened. Loads nothing.
    RunData* getRunData(const QString& fileName);
    // Deletes every cached run: every pointer handed out becomes invalid.
    void closeAllRuns();
    // Deletes the cached run of this file, if any, so its file can go or be replaced.
    void closeRun(const QString& fileName);

    QMap<QString, RunData*> cache;
};

extern OpenedRunsManager theOpenedRunsManager;
