#pragma once

#include <QDialog>

class LoadedRunListModel;
class RunData;

// "Engine Speed": the engine-speed ratio and slip coefficient of a run,
// stored into the run, into every visible run, or into the live dyno
// settings for the next runs. Runs modally inside its constructor.
class SpeedRatioDialog : public QDialog
{
    Q_OBJECT
public:
    SpeedRatioDialog(RunData* run, LoadedRunListModel* runs, QWidget* parent);
};
