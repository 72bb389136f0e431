#pragma once

#include <QWidget>

class QComboBox;

// STAND-IN until the power-correction page is built: the SETTINGS page "Power
// correction" with its standard selector. The ambient sources are not chosen
// here yet, so sampling copies nothing.
class PowerCorrectionSetup : public QWidget
{
    Q_OBJECT
public:
    explicit PowerCorrectionSetup(QWidget* parent = nullptr);
    void init();
    void sampleAmbientData(qint64 timestampMs);

    QComboBox* comboBox_settings_powerCorrection = nullptr;
};
