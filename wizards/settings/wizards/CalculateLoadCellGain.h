#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QTimer;
class SpinBoxWithUnit;

// The theoretical gain a of a load cell from its nominal data, and the offset
// b from a zero reading. Generation 1 boards also ask for the excitation
// voltage and the amplifier gain. Modal inside the constructor.
class CalculateLoadCellGain : public QDialog
{
    Q_OBJECT
public:
    CalculateLoadCellGain(QWidget* parent, int loadCellIndex);

    // Gain from range (kg), arm (m), sensitivity (mV/V); generation 1 also
    // excitation (V) and amplifier gain.
    static double gain(int generation, double rangeKg, double arm, double sensitivity, double excitation,
                       double amplifierGain);

    int loadCell = 0;
    double reading = 0.0;
    QTimer* timer = nullptr;
    QLabel* readingLabel = nullptr;
    SpinBoxWithUnit* armLength = nullptr;
    SpinBoxWithUnit* loadCellRange = nullptr;
    QDoubleSpinBox* sensitivity = nullptr;
    SpinBoxWithUnit* excitationVoltage = nullptr;
    QDoubleSpinBox* amplifierGain = nullptr;
    QDoubleSpinBox* gainA = nullptr;
    QDoubleSpinBox* offsetB = nullptr;

public Q_SLOTS:
    void slot_sampleLoadCell();
    void slot_calculateGain();
    void slot_calibrateOffset();
    void slot_accept();

private:
    void addTip(const QString& text);
    int generation = 2;
};
