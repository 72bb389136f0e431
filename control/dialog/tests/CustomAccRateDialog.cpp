#include "CustomAccRateDialog.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "Channels.h"
#include "CustomCorrectionWidget.h"
#include "MySettings.h"
#include "lib/Unit.h"
#include "PointVectorEditorAxis.h"
#include "SpinBoxWithUnit.h"
#include "TestModeContext.h"
#include "TestTicker.h"
#include "VehicleParamId.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

const QString prefix = QStringLiteral("customAccRateTest");

RunChannel* builtIn(ChannelId id)
{
    if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
        return nullptr;
    return theChannels.getChannel(id, 0);
}

} // namespace

double CustomAccRateDialog::target(double base, const bool enabled[3], const double factors[3])
{
    double a = base;
    for (int n = 0; n < slotCount; ++n) {
        if (enabled[n] && std::isfinite(factors[n]))
            a *= factors[n];
    }
    return a;
}

CustomAccRateDialog::CustomAccRateDialog(QWidget* parent)
    : AbstractTestDialog(parent)
{
    targetOut = theBrakeControllerThread ? &theBrakeControllerThread->externalEngineAccTarget : &ownTarget;
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });
    if (BrakeController* panel = TestModeContext::current().getPanel()) {
        panel->setMode(BrakeControllerMode_acceleration);
        panel->setChannel(BrakeControllerChannel_engineSpeed);
    }
    setWindowTitle(tr("Custom Acceleration Rate"));
    auto* form = new QFormLayout(this);
    form->setContentsMargins(10, 10, 10, 10);
    form->setSpacing(5);
    form->setLabelAlignment(Qt::AlignRight);

    spinBox_baseValue = new SpinBoxWithUnit(this, Quantity::RotationalAcceleration);
    spinBox_baseValue->setObjectName(prefix + QStringLiteral("/baseValue"));
    spinBox_baseValue->setRangeSI(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    spinBox_baseValue->setValueSI(52.35987755982988);
    connect(spinBox_baseValue, &SpinBoxWithUnit::signal_valueChangedSI, this, [this](double v) { base.store(v); });
    theSettings.connectSpinBoxWithUnit(spinBox_baseValue);
    form->addRow(tr("Base value"), spinBox_baseValue);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* column = new QWidget(scroll);
    column->resize(884, 1000);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setSpacing(0);
    columnLayout->setContentsMargins(0, 0, 0, 0);

    RunChannel* xChannels[slotCount] = {builtIn(ChannelId_engineSpeed),
                                          theChannels.getVehicleParam(VehicleParamId_TPS),
                                          theChannels.getVehicleParam(VehicleParamId_MAP)};
    const QList<QPointF> defaults[slotCount] = {
        {QPointF(104.71975511965977, 1), QPointF(314.1592653589793, 1), QPointF(418.87902047863906, 2),
         QPointF(837.7580409572781, 2)},
        {QPointF(0, 1), QPointF(1, 0)},
        {QPointF(100000, 1), QPointF(200000, 2)}};
    for (int i = 0; i < slotCount; ++i) {
        checkBox_multiplier[i] = new QCheckBox(tr("Enable multiplier ") + QString::number(i + 1), this);
        checkBox_multiplier[i]->setObjectName(prefix + QStringLiteral("/enableMultiplier") + QString::number(i));
        lineEdit_preview[i] = new QLineEdit(this);
        lineEdit_preview[i]->setReadOnly(true);
        form->addRow(checkBox_multiplier[i], lineEdit_preview[i]);
        curves[i] = new CustomCorrectionWidget(column, prefix + QStringLiteral("/multiplier") + QString::number(i),
                                               xChannels[i], defaults[i]);
        PointVectorEditorAxis* y = curves[i]->axes[PointVectorField_y];
        y->slot_setQuantity(Quantity::Fraction);
        y->slot_setRangeSI(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
        y->slot_setLabel(tr("Multiplier ") + QString::number(i + 1));
        curves[i]->setVisible(false);
        connect(checkBox_multiplier[i], &QCheckBox::stateChanged, this, [this, i](int state) {
            enabled[i].store(state != Qt::Unchecked);
            curves[i]->setVisible(state != Qt::Unchecked);
        });
        theSettings.connectCheckBox(checkBox_multiplier[i]);
        curves[i]->bindToSettings();
        columnLayout->addWidget(curves[i]);
    }
    scroll->setWidget(column);
    form->addRow(scroll);

    ticker->startTimer();
    previewTimer = new QTimer(this);
    previewTimer->setInterval(100);
    connect(previewTimer, &QTimer::timeout, this, &CustomAccRateDialog::slot_updatePreview);
    previewTimer->start();
    setMinimumWidth(450);
}

CustomAccRateDialog::~CustomAccRateDialog()
{
    ticker->finish();
}

void CustomAccRateDialog::slot_realTimeTick()
{
    bool on[slotCount];
    double factors[slotCount];
    for (int n = 0; n < slotCount; ++n) {
        on[n] = enabled[n].load();
        factors[n] = curves[n]->getYValue();
    }
    targetOut->store(float(target(base.load(), on, factors)));
}

void CustomAccRateDialog::slot_updatePreview()
{
    for (int n = 0; n < slotCount; ++n)
        lineEdit_preview[n]->setText(QString::asprintf("%.1f %%", curves[n]->getYValue() * 100.0));
}
