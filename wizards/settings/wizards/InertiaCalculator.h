#pragma once

#include <QDialog>
#include <QList>

class QComboBox;
class SpinBoxWithUnit;

// The inertia of full cylinders from diameter, length and density, combined
// into a total (set, add, subtract) that can become a roller's inertia
// setting. Modal inside the constructor.
class InertiaCalculator : public QDialog
{
    Q_OBJECT
public:
    enum MaterialId { Wood = 0, Nylon = 1, Aluminium = 2, Steel = 3 };

    InertiaCalculator(QWidget* parent, int roller);

    int roller = 0;
    QList<double> densities;
    SpinBoxWithUnit* diameter = nullptr;
    SpinBoxWithUnit* length = nullptr;
    QComboBox* material = nullptr;
    SpinBoxWithUnit* density = nullptr;
    SpinBoxWithUnit* mass = nullptr;
    SpinBoxWithUnit* partialInertia = nullptr;
    SpinBoxWithUnit* totalInertia = nullptr;
    SpinBoxWithUnit* inertiaSetting = nullptr;

public Q_SLOTS:
    void slot_materialChanged(int materialId);
    void slot_set();
    void slot_add();
    void slot_subtract();
    void slot_accept();
    void slot_calculateMass();
    void slot_calculateInertia();

private:
    void registerMaterial(MaterialId id, const QString& name, double density);
};
