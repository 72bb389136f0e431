#pragma once

#include "lib/FrequencyInputIds.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class RangeSelectionPlot;
class RunData;
class VectorScatterPlot;

// The inertia a roller carries, from a run in which the absorber braked the
// spinning roller hard: brake torque and losses decelerate the rotating
// masses. Offers the roller's own inertia (total − drivetrain) for the dyno
// settings and the drivetrain inertia (total − roller) for the run's project.
// Modal inside the constructor.
class CalibrateInertiaHardBraking : public QDialog
{
    Q_OBJECT
public:
    CalibrateInertiaHardBraking(QWidget* parent, RollerId roller);

    struct Sample {
        double alpha, omega, brakeTorque, speed;
    };
    struct Result {
        QList<double> inertia;
        QList<double> omega;
        double total = 0.0;
        double roller = 0.0;
        double drivetrain = 0.0;
        int skipped = 0;
    };
    // Samples whose estimate is not finite are left out (and counted); a
    // total that is not finite enables neither button.
    static Result compute(const QList<Sample>& samples, const QList<double>& lossModel, double drivetrainOld,
                          double rollerOld);

    RunData* run = nullptr;
    RollerId roller = RollerId::Roller0;
    QList<double> lossModel;
    int first = 0;
    int count = 0;
    Result last;
    QLabel* lossLabel = nullptr;
    RangeSelectionPlot* rangePlot = nullptr;
    VectorScatterPlot* scatter = nullptr;
    QLabel* resultLabel = nullptr;
    QLabel* rollerLabel = nullptr;
    QLabel* drivetrainLabel = nullptr;
    QPushButton* rollerButton = nullptr;
    QPushButton* drivetrainButton = nullptr;
    QList<double> plotX;
    QList<double> plotY;

    void recalculateInertia();
    void loadModelToUI(const QList<double>& model);

public Q_SLOTS:
    void slot_lossModelCoefs_customContextMenuRequested(const QPoint& pos);
    void slot_newSelection(double start, double end);
    void slot_loadRollerInertia();
    void slot_loadDtInertia();

private:
    void addTip(const QString& text);
};
