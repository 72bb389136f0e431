#pragma once

#include "NTCCharacteristic.h"

#include <QDialog>
#include <QList>
#include <QMap>
#include <QPointF>

class PointVectorEditor;
class QComboBox;
class QFrame;
class QLabel;
class SafeSpinBox;

// Fills an analog input's characteristic (voltage → temperature) for an NTC
// (Steinhart-Hart from three points) or a Pt100 wired as the lower leg of a
// divider fed from 5 V. Writes into the editor while the operator edits;
// Cancel puts back what the editor had. Modal inside the constructor.
class SensorWizard : public QDialog
{
    Q_OBJECT
public:
    SensorWizard(QWidget* parent, PointVectorEditor* editor, double internalPullUp, double internalToGround);

    struct Coefficients {
        double A = 0.0;
        double B = 0.0;
        double C = 0.0;
    };
    static Coefficients steinhartHart(const NTCCharacteristic& ntc);
    static double temperatureFromResistanceNTC(const Coefficients& c, double ohm);
    static double temperatureFromResistancePT100(double ohm);
    // The raw points (before reduction) for the pull-up resistors in parallel.
    static QList<QPointF> rawCharacteristic(bool pt100, const Coefficients& c, double internalPullUp,
                                            double externalPullUp, double internalToGround);
    static QMap<QString, NTCCharacteristic> builtInPresets();

    double temperatureFromResistanceNTC(double ohm) const { return temperatureFromResistanceNTC(coefficients, ohm); }

    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

    double internalPullUp = 0.0;
    double internalToGround = 0.0;
    PointVectorEditor* editor = nullptr;
    QList<QPointF> backup;
    QMap<QString, NTCCharacteristic> presets;
    Coefficients coefficients;
    bool coefficientsValid = false;
    bool ready = false;
    QComboBox* sensorType = nullptr;
    QComboBox* preset = nullptr;
    QFrame* ntcGroup = nullptr;
    SafeSpinBox* temperature[3] = {};
    SafeSpinBox* resistance[3] = {};
    QLabel* labelA = nullptr;
    QLabel* labelB = nullptr;
    QLabel* labelC = nullptr;
    QLabel* status = nullptr;
    SafeSpinBox* pullUp = nullptr;

public Q_SLOTS:
    void slot_calculateSteinhartHartCoeficients();
    void slot_generateCharacteristic();
    void slot_sensorTypeChanged(int index);
    void loadSensor(const QString& name);
};
