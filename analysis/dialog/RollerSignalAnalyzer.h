#pragma once

#include <QDialog>

class RunData;

// "Speed Signal Analyzer": the raw frequency of every shaft speed input of a
// run, its average over one revolution and the deviation in percent.
class RollerSignalAnalyzer : public QDialog
{
    Q_OBJECT
public:
    RollerSignalAnalyzer(QWidget* parent, RunData* run);
};
