#include "VehicleCalculatorLayout.h"

#include "OneAxleWheelSet.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

namespace VehicleCalculatorLayout {

void addSets(QWidget* parent, QGridLayout* grid, const QString& group, int vehicleType, OneAxleWheelSet** set1,
             OneAxleWheelSet** set2)
{
    const bool motorcycle = vehicleType == kMotorcycle;
    auto* label1 = new QLabel(QObject::tr("Set 1"), parent);
    auto* label2 = new QLabel(QObject::tr("Set 2"), parent);
    label1->setAlignment(Qt::AlignCenter);
    label2->setAlignment(Qt::AlignCenter);
    *set1 = new OneAxleWheelSet(group, QStringLiteral("1"), motorcycle);
    *set2 = new OneAxleWheelSet(group, QStringLiteral("2"), false);
    (*set1)->setParent(parent);
    (*set2)->setParent(parent);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(label2, 0, 1);
    grid->addWidget(*set1, 1, 0);
    grid->addWidget(*set2, 1, 1);
    if (motorcycle) {
        // The second axle counts 0 for this calculation only: a stored 0
        // would silently drop the next car's second axle.
        {
            const QSignalBlocker blocker((*set2)->wheelCount);
            (*set2)->wheelCount->setValue(0);
        }
        (*set2)->slot_update();
        (*set2)->hide();
        label1->hide();
        label2->hide();
    }
}

} // namespace VehicleCalculatorLayout
