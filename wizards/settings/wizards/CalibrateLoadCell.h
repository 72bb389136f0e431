#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTimer;
class SpinBoxWithUnit;

// Finds a load cell's gain a and offset b (torque = a · reading + b) from a
// reading without load and one with a known mass on an arm. Modal inside the
// constructor; writes the settings only on OK.
class CalibrateLoadCell : public QDialog
{
    Q_OBJECT
public:
    CalibrateLoadCell(QWidget* parent, int loadCellIndex);

    static constexpr double kGravity = 9.80665;

    int loadCell = 0;
    double reading = 0.0;
    double noLoadReading = 0.0;
    double loadReading = 0.0;
    QTimer* timer = nullptr;
    QLabel* readingLabel = nullptr;
    SpinBoxWithUnit* armLength = nullptr;
    SpinBoxWithUnit* calibrationMass = nullptr;
    SpinBoxWithUnit* calibrationTorque = nullptr;
    QPushButton* noLoadButton = nullptr;
    QLabel* noLoadLabel = nullptr;
    QPushButton* loadButton = nullptr;
    QLabel* loadLabel = nullptr;
    QPushButton* calculateButton = nullptr;
    QDoubleSpinBox* gainA = nullptr;
    QDoubleSpinBox* offsetB = nullptr;

public Q_SLOTS:
    void slot_sampleLoadCell();
    void slot_calculateTorque();
    void slot_noLoadReading_clicked();
    void slot_loadReading_clicked();
    void slot_calculateCoefficients_clicked();
    void slot_accept();

private:
    void updateCalculateButton();
    void addTip(const QString& text);
};
