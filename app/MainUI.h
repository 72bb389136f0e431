#pragma once

#include "Ambient.h"
#include "AmbientFrame.h"

#include <QList>
#include <QMainWindow>
#include <QString>

class FirmwareUpdater;
class SoftwareUpdater;
class UI;

// The program's main window. It brings the system up in three stages: its
// constructor (tabs, trigger and MCU threads, project database, bindings),
// a delayed stage inside the event loop 100 ms later, and the second stage,
// run once when the dyno settings are registered after the MCU has confirmed
// its firmware. It carries the ambient update and the load-cell auto-zero
// every second, forwards function keys to the RUN tab's outputs, and ends the
// program orderly: the run stopped, the threads stopped in a fixed order and
// the window state saved.
class MainUI : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainUI(QWidget* parent = nullptr);
    ~MainUI() override;

    QString appName;
    bool secondStageDone = false;
    bool delayedInitDone = false;
    // The settings reported ready before the delayed stage ran; the second
    // stage follows the delayed one.
    bool secondStagePending = false;
    bool analyzeLastRunPending = false;
    FirmwareUpdater* firmwareUpdater = nullptr;
    QList<double> loadCellOffsetSamples[4];
    Ambient ambient;
    SoftwareUpdater* softwareUpdater = nullptr;
    UI* ui = nullptr;

    // The load-cell auto-zero collects this many one-second samples.
    static constexpr int autoZeroSampleCount = 11;

public Q_SLOTS:
    void slot_unixSignal(int signal);
    void slot_activeProjectChanged();
    void slot_projectActivatedByUser();
    void slot_showError(const QString& message);
    void slot_loadedRunCountChanged(int newRunCount, int previousRunCount);
    void slot_updateAnalyzeTabLabel(bool highlight = false);
    void slot_afterSettingsReady();
    void slot_loadRuns(const QList<int>& rows);
    void slot_loadRun(int row);
    void slot_pushButton_analyzeLastRun_clicked();
    void slot_updateAmbientData();
    void slot_autoCalibrateLoadCell();
    void slot_dynoTypeChanged(int dynoType);
    void slot_unlockCustomScript();
    void slot_tabWidget_main_currentChanged(int index);
    void slot_delayedInit();

Q_SIGNALS:
    void signal_newAmbientData(const ambientFrame_t& frame);
    void signal_closeSignal();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;

private:
    void buildCornerWidget();
    void printReport();
    void runCustomScript();
    QString titleBase() const;
};

extern MainUI* theMainUI;
