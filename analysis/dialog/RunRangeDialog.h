#pragma once

#include "RunData.h"

#include <QDialog>

class LoadedRunListModel;
class SpinBoxWithUnit;

// "Display Range": sets the selection of one run from limits of engine speed,
// road speed or run time, on this run or on every visible run of the list.
// The limits are remembered in the settings store (SI). A range drawn on the
// run's overview is announced by signal_newSelection.
class RunRangeDialog : public QDialog
{
    Q_OBJECT
public:
    RunRangeDialog(RunData* run, LoadedRunListModel* runs, QWidget* parent);

    SpinBoxWithUnit* minimum[3] = {};
    SpinBoxWithUnit* maximum[3] = {};

public Q_SLOTS:
    void slot_selectEngineSpeed() { select(AutoSelectionVector_engineSpeed, false); }
    void slot_selectDynoSpeed() { select(AutoSelectionVector_roadSpeed, false); }
    void slot_selectRunTime() { select(AutoSelectionVector_timeRange, false); }
    void slot_selectEngineSpeedInAll() { select(AutoSelectionVector_engineSpeed, true); }
    void slot_selectDynoSpeedInAll() { select(AutoSelectionVector_roadSpeed, true); }
    void slot_selectRunTimeInAll() { select(AutoSelectionVector_timeRange, true); }

Q_SIGNALS:
    void signal_newSelection(double rangeStart, double rangeEnd);

private:
    void select(AutoSelectionVector vector, bool allVisible);
    void updateAfterAutoSelection();
    static void invalidRangeError();

    RunData* run = nullptr;
    LoadedRunListModel* runs = nullptr;
};
