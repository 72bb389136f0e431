#include "RunRangeDialog.h"

#include "LoadedRunListModel.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "SpinBoxWithUnit.h"
#include "lib/Unit.h"
#include "lib/Tools.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include <limits>

namespace {

struct Limit {
    const char* name;
    Quantity quantity;
    double initial;
};

// Engine speed, dyno speed, run time: minimum and maximum each.
const Limit limits[3][2] = {
    {{"engineSpeedMin", Quantity::RotationalSpeed, 104.71975511965977},
     {"engineSpeedMax", Quantity::RotationalSpeed, 628.3185307179587}},
    {{"dynoSpeedMin", Quantity::Speed, 13.88888888888889}, {"dynoSpeedMax", Quantity::Speed, 27.77777777777778}},
    {{"runTimeMin", Quantity::Time, 0.0}, {"runTimeMax", Quantity::Time, 60.0}},
};

} // namespace

RunRangeDialog::RunRangeDialog(RunData* dialogRun, LoadedRunListModel* model, QWidget* parent)
    : QDialog(parent)
    , run(dialogRun)
    , runs(model)
{
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    for (int row = 0; row < 3; ++row) {
        SpinBoxWithUnit* boxes[2];
        for (int m = 0; m < 2; ++m) {
            const Limit& limit = limits[row][m];
            auto* box = new SpinBoxWithUnit(this, limit.quantity);
            box->setObjectName(QStringLiteral("RunRangeDialog/") + QLatin1String(limit.name));
            box->setRangeSI(0.0, std::numeric_limits<double>::infinity());
            box->setValueSI(limit.initial);
            theSettings.connectSpinBoxWithUnit(box);
            boxes[m] = box;
        }
        minimum[row] = boxes[0];
        maximum[row] = boxes[1];
    }
    QPushButton* buttons[6];
    for (int i = 0; i < 6; ++i)
        buttons[i] = new QPushButton(i < 3 ? tr("SELECT") : tr("SELECT IN ALL VISIBLE RUNS"), this);
    connect(buttons[0], &QPushButton::clicked, this, &RunRangeDialog::slot_selectEngineSpeed);
    connect(buttons[1], &QPushButton::clicked, this, &RunRangeDialog::slot_selectDynoSpeed);
    connect(buttons[2], &QPushButton::clicked, this, &RunRangeDialog::slot_selectRunTime);
    connect(buttons[3], &QPushButton::clicked, this, &RunRangeDialog::slot_selectEngineSpeedInAll);
    connect(buttons[4], &QPushButton::clicked, this, &RunRangeDialog::slot_selectDynoSpeedInAll);
    connect(buttons[5], &QPushButton::clicked, this, &RunRangeDialog::slot_selectRunTimeInAll);
    for (int row = 0; row < 3; ++row) {
        auto* line = new QHBoxLayout;
        line->addWidget(minimum[row]);
        line->addWidget(maximum[row]);
        line->addWidget(buttons[row]);
        line->addWidget(buttons[row + 3]);
        form->addRow(line);
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    form->addRow(box);
    setWindowTitle(tr("Display Range"));
    resize(1000, 600);
}

void RunRangeDialog::select(AutoSelectionVector vector, bool allVisible)
{
    const int row = int(vector);
    const double low = minimum[row]->getValueSI();
    const double high = maximum[row]->getValueSI();
    if (!(high > low)) {
        invalidRangeError();
        return;
    }
    if (allVisible) {
        if (runs)
            runs->selectRangeInAllVisible(vector, low, high);
    } else if (run) {
        run->runAutoSelection(vector, low, high);
    }
    updateAfterAutoSelection();
}

void RunRangeDialog::updateAfterAutoSelection()
{
    // The overview plot of the run arrives with the analysis graphs; until
    // then the dialog has nothing to show the new range on.
}

void RunRangeDialog::invalidRangeError()
{
    Tools::showError(QStringLiteral("Invalid range"));
}
