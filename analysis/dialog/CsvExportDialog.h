#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;
class SpinBoxWithUnit;

// The options of a run's CSV export, asked before the file name: preset,
// samples, sampling period, precision and which channels. Every control is
// remembered in the settings as soon as it changes, OK or Cancel. Runs
// modally inside its constructor; the caller then reads result() and the
// controls.
class CsvExportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CsvExportDialog(QWidget* parent = nullptr);

    double samplingPeriodSI() const;

    QComboBox* preset = nullptr;
    QComboBox* samples = nullptr;
    SpinBoxWithUnit* samplingPeriod = nullptr;
    QSpinBox* numberPrecision = nullptr;
    QCheckBox* graphChannelsOnly = nullptr;
    QCheckBox* removeIntermediateChannels = nullptr;
    QCheckBox* addInfoHeader = nullptr;
};
