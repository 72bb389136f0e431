#pragma once

#include <QWidget>

class Argument;
class ArgumentWidget;
class QComboBox;
class SpinBoxWithUnit;

// The SETTINGS page "Power correction": the correction standard and where the
// ambient temperature, pressure and humidity come from. Every second the
// chosen sources become the three ambient channels the correction factor is
// computed from.
class PowerCorrectionSetup : public QWidget
{
    Q_OBJECT
public:
    explicit PowerCorrectionSetup(QWidget* parent = nullptr);
    // Once the dyno settings are ready: the default sources, then the stored choices.
    void init();
    void sampleAmbientData(qint64 timestampMs);

    QComboBox* comboBox_settings_powerCorrection = nullptr;
    Argument* temperatureSource = nullptr;
    Argument* pressureSource = nullptr;
    Argument* humiditySource = nullptr;
    ArgumentWidget* argument_settings_temperatureSource = nullptr;
    ArgumentWidget* argument_settings_pressureSource = nullptr;
    ArgumentWidget* argument_settings_humiditySource = nullptr;
    SpinBoxWithUnit* settings_tempSensorCalibration = nullptr;
};
