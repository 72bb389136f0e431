#pragma once

#include "lib/FrequencyInputIds.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class RangeSelectionPlot;
class RunData;
class SpinBoxWithUnit;
class VectorScatterPlot;

// A roller's inertia from a run in which a known mass on a rope, wound on the
// roller, accelerated it: one estimate per selected sample from rope torque,
// brake torque, acceleration and the run's losses; the average can become the
// roller's inertia setting. Modal inside the constructor.
class CalibrateInertiaFallingMass : public QDialog
{
    Q_OBJECT
public:
    CalibrateInertiaFallingMass(QWidget* parent, RollerId roller);

    struct Sample {
        double alpha, omega, brakeTorque, speed;
    };
    struct Result {
        QList<double> inertia;
        QList<double> omega;
        double average = 0.0;
        bool zeroAcceleration = false;
        bool plausible = false;
        int skipped = 0;
        QString report;
    };
    static constexpr double kGravity = 9.8;
    // Samples with ω ≤ 0 or a non-finite term are skipped and counted.
    static Result compute(const QList<Sample>& samples, const QList<double>& lossModel, double mass, double radius,
                          double runInertia);

    RunData* run = nullptr;
    RollerId roller = RollerId::Roller0;
    double radius = 0.0;
    double runInertia = 0.0;
    QList<double> lossModel;
    int first = 0;
    int count = 0;
    double average = 0.0;
    QLabel* lossLabel = nullptr;
    RangeSelectionPlot* rangePlot = nullptr;
    SpinBoxWithUnit* pullingMass = nullptr;
    VectorScatterPlot* scatter = nullptr;
    QLabel* averageLabel = nullptr;
    QPushButton* loadButton = nullptr;
    QList<double> plotX;
    QList<double> plotY;

    void recalculateInertia();
    void loadModelToUI(const QList<double>& model);

public Q_SLOTS:
    void slot_newSelection(double start, double end);
    void slot_lossModelCoefs_customContextMenuRequested(const QPoint& pos);
    void slot_pullingMass_valueChanged(double mass);
    void slot_acceptInertia();

private:
    void addTip(const QString& text);
};
