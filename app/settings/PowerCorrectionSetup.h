#pragma once

#include <QWidget>

class QComboBox;

// STAND-IN until the power-correction page is built: the SETTINGS page "Power
// correction" with its standard selector. The ambient sources cannot be chosen
// yet, so sampling copies the default sources, the board's own sensor, with no
// calibration offset.
class PowerCorrectionSetup : public QWidget
{
    Q_OBJECT
public:
    explicit PowerCorrectionSetup(QWidget* parent = nullptr);
    void init();
    void sampleAmbientData(qint64 timestampMs);

    QComboBox* comboBox_settings_powerCorrection = nullptr;
};
