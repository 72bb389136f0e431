#include "RMdiGauge.h"

#include "BrakeControllerPanelInputs.h"
#include "BrakeControllerThread.h"
#include "ChannelId.h"
#include "Channels.h"
#include "ChannelSetup.h"
#include "ColorButton.h"
#include "QcColorBand.h"
#include "QcDegreesItem.h"
#include "QcGaugeWidget.h"
#include "QcLabelItem.h"
#include "QcNeedleItem.h"
#include "QcValuesItem.h"
#include "RunChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QDomElement>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::function<BrakeControllerPanelInputs*()>& panelSource()
{
    static std::function<BrakeControllerPanelInputs*()> source;
    return source;
}

bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

void RMdiGauge::setBrakePanelSource(std::function<BrakeControllerPanelInputs*()> source)
{
    panelSource() = std::move(source);
}

BrakeControllerPanelInputs* RMdiGauge::brakePanel()
{
    if (panelSource())
        return panelSource()();
    return theBrakeControllerThread ? theBrakeControllerThread->panel() : nullptr;
}

RMdiGauge::RMdiGauge(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
    , shownValue(kNaN)
    , dataMin(kNaN)
    , dataMax(kNaN)
    , labelledValue(kNaN)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    dial = new QcGaugeWidget(this);
    dial->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(dial);

    majorMarks = dial->addDegrees(96);
    majorMarks->setDgereeRange(minDegree, maxDegree);
    minorMarks = dial->addDegrees(98);
    minorMarks->setSubDegree(true);
    minorMarks->setDgereeRange(minDegree, maxDegree);
    band = dial->addColorBand(94);
    band->setDgereeRange(minDegree, maxDegree);
    values = dial->addValues(60);
    values->setDgereeRange(minDegree, maxDegree);
    unitLabel = dial->addLabel(80);
    unitLabel->setText(QString(), false);
    nameLabel = dial->addLabel(92);
    nameLabel->setFontSize(0.1f);
    nameLabel->setText(QStringLiteral("-"), false);
    valueLabel = dial->addLabel(65);
    valueLabel->setText(QStringLiteral("0"), false);
    needle = dial->addNeedle(95);
    needle->setColor(Qt::red);
    needle->setDgereeRange(minDegree, maxDegree);
    needle->setCurrentValue(float(kNaN));

    setMinimumSize(150, 150);
    activateStandardMdiItemContextMenu(Menu_selectChannel | Menu_configureChannel | Menu_configureWidget
                                       | Menu_resetAutorange);

    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    tickCount = new QSpinBox(configDialog);
    tickCount->setRange(1, 100);
    tickCount->setValue(5);
    auto colorButton = [this](const QColor& c) {
        auto* b = new ColorButton(configDialog);
        b->setColor(c);
        connect(b, &ColorButton::signal_colorChanged, this, &RMdiGauge::slot_updateGaugeSetup);
        return b;
    };
    colorAlarmLow = colorButton(QColor(0x00, 0x00, 0xff));
    colorWarningLow = colorButton(QColor(0x00, 0x96, 0xff));
    colorOK = colorButton(QColor(0x4d, 0xff, 0x4d));
    colorWarningHigh = colorButton(QColor(0xff, 0x96, 0x00));
    colorAlarmHigh = colorButton(QColor(0xff, 0x00, 0x00));
    form->addRow(tr("Tick count hint"), tickCount);
    form->addRow(tr("Alarm low color"), colorAlarmLow);
    form->addRow(tr("Warning low color"), colorWarningLow);
    form->addRow(tr("OK color"), colorOK);
    form->addRow(tr("Warning high color"), colorWarningHigh);
    form->addRow(tr("Alarm high color"), colorAlarmHigh);
    connect(tickCount, &QSpinBox::valueChanged, this, &RMdiGauge::slot_updateGaugeSetup);

    dial->setFrameColor(Qt::gray);
    dial->setFrameWidth(1);
    dial->update();
}

void RMdiGauge::setChannel(RunChannel* channel)
{
    shownValue = kNaN;
    dataMin = kNaN;
    dataMax = kNaN;
    labelledOnce = false;
    AbstractRMdiWidget::setChannel(channel);
    slot_updateGaugeSetup();
}

void RMdiGauge::slot_channelSetupChanged()
{
    if (RunChannel* c = channel()) {
        unitLabel->setText(c->setup->unit ? c->setup->unit->name : QString(), false);
        Tools::updateAutoRange(dataMin, dataMax, c->getValue());
        labelledOnce = false;
    }
    slot_updateGaugeSetup();
    AbstractRMdiWidget::slot_channelSetupChanged();
}

void RMdiGauge::slot_updateGaugeSetup()
{
    RunChannel* c = channel();
    if (!c)
        return;
    const ChannelSetup* setup = c->setup;
    const Unit* unit = setup->unit;
    auto display = [unit](double si) { return unit ? unit->getUnitValue(si) : si; };
    const QPair<double, double> range = setup->getRangeFromDataRange(display(dataMin), display(dataMax));
    float lo = float(range.first);
    float hi = float(range.second);
    float wl = float(display(setup->warningLow));
    float wh = float(display(setup->warningHigh));
    float al = float(display(setup->alarmLow));
    float ah = float(display(setup->alarmHigh));
    if (std::isfinite(lo) && std::isfinite(hi)) {
        if (lo >= hi)
            hi = lo + 0.1f * std::fabs(lo) + 1.0f;
        const float step = float(Tools::humanReadableStep((hi - lo) / float(tickCount->value())));
        Tools::stretchScaleToStep(lo, hi, step);
        if (!std::isfinite(wh))
            wh = hi;
        if (!std::isfinite(ah))
            ah = hi;
        if (!std::isfinite(wl))
            wl = lo;
        if (!std::isfinite(al))
            al = lo;
        wl = std::clamp(wl, lo, hi);
        wh = std::clamp(wh, lo, hi);
        al = std::clamp(al, lo, hi);
        ah = std::clamp(ah, lo, hi);
        if (al > ah)
            al = ah;
        if (wl < al)
            wl = al;
        if (wh > ah)
            wh = ah;
        if (wl > wh)
            wl = wh;
        // A range the scale items refuse (not finite after stretching, or a
        // step too fine for single precision) leaves them without marks.
        const bool ok = majorMarks->setValueRange(lo, hi) && minorMarks->setValueRange(lo, hi)
            && values->setValueRange(lo, hi) && needle->setValueRange(lo, hi) && band->setValueRange(lo, hi);
        majorMarks->setStep(ok ? step : 0.0f);
        minorMarks->setStep(ok ? step / 5.0f : 0.0f);
        values->setStep(ok ? step : 0.0f);
        values->setDecimals(setup->decimals);
        band->setColors({{colorAlarmLow->color(), al},
                         {colorWarningLow->color(), wl},
                         {colorOK->color(), wh},
                         {colorWarningHigh->color(), ah},
                         {colorAlarmHigh->color(), hi}});
    } else {
        // A setup range that is not finite: an empty dial, no division by it.
        majorMarks->setStep(0.0f);
        minorMarks->setStep(0.0f);
        values->setStep(0.0f);
        band->setColors({});
    }
    unitLabel->setText(unit ? unit->name : QString(), false);
    nameLabel->setText(setup->getName(), false);
    dial->update();
}

void RMdiGauge::resetAutorange()
{
    dataMin = kNaN;
    dataMax = kNaN;
}

void RMdiGauge::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    update();
    slot_updateGaugeSetup();
    emit signal_requestSetupSave();
}

void RMdiGauge::showValue(double value)
{
    RunChannel* c = channel();
    const ChannelSetup* setup = c->setup;
    if (setup->autorangeMin || setup->autorangeMax) {
        if (Tools::updateAutoRange(dataMin, dataMax, value))
            slot_updateGaugeSetup();
    }
    const double shown = setup->unit ? setup->unit->getUnitValue(value) : value;
    needle->setCurrentValue(float(shown));
    if (!labelledOnce || !sameValue(shown, labelledValue)) {
        valueLabel->setText(setup->getLabelString(shown), false);
        labelledValue = shown;
        labelledOnce = true;
    }
}

void RMdiGauge::applyStateLook(bool withBackground)
{
    RunChannel* c = channel();
    const RunChannel::AlarmState state = c->alarmState();
    if (state.alarmActive || state.aboveWarningHigh || state.belowWarningLow) {
        const QColor& color = c->getAlarmOrWarningColor();
        dial->setFrameColor(color);
        dial->setFrameWidth(6);
        if (withBackground) {
            QColor faint = color;
            faint.setAlphaF(0.2f);
            dial->setBackgroundColor(faint);
        }
    } else {
        dial->setFrameColor(Qt::gray);
        dial->setFrameWidth(1);
        if (withBackground)
            dial->setBackgroundColor(Qt::white);
    }
}

void RMdiGauge::refreshTick(qint64 nowMs)
{
    if (nowMs - lastRefreshMs < minRefreshMs)
        return;
    lastRefreshMs = nowMs;
    RunChannel* c = channel();
    if (!c)
        return;
    const double value = c->getValue();
    bool changed = false;
    if (std::isnan(value) || value != shownValue) {
        shownValue = value;
        showValue(value);
        changed = true;
    }
    const QColor frameBefore = dial->getFrameColor();
    applyStateLook(true);
    if (changed || dial->getFrameColor() != frameBefore)
        dial->repaint();
}

void RMdiGauge::parseDomElement(const QDomElement* element)
{
    AbstractRMdiWidget::parseDomElement(element);
    tickCount->setValue(element->attribute(QStringLiteral("tickCount")).toInt());
    auto readColor = [element](ColorButton* button, const char* name) {
        const QColor c = QColor::fromString(element->attribute(QLatin1String(name)));
        if (c.isValid())
            button->setColor(c);
    };
    readColor(colorAlarmLow, "colorAlarmLow");
    readColor(colorAlarmHigh, "colorAlarmHigh");
    readColor(colorOK, "colorOK");
    readColor(colorWarningLow, "colorWarningLow");
    readColor(colorWarningHigh, "colorWarningHigh");
    slot_updateGaugeSetup();
}

void RMdiGauge::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("tickCount"), tickCount->value());
    element->setAttribute(QStringLiteral("colorAlarmLow"), colorAlarmLow->color().name());
    element->setAttribute(QStringLiteral("colorAlarmHigh"), colorAlarmHigh->color().name());
    element->setAttribute(QStringLiteral("colorOK"), colorOK->color().name());
    element->setAttribute(QStringLiteral("colorWarningLow"), colorWarningLow->color().name());
    element->setAttribute(QStringLiteral("colorWarningHigh"), colorWarningHigh->color().name());
    AbstractRMdiWidget::writeToDomElement(element);
}

namespace {

// The brake-controller panel's mode and variable indices (its combo boxes).
constexpr int kModeSpeed = 3;
constexpr int kModeAcceleration = 4;
constexpr int kVariableRoadSpeed = 0;

} // namespace

void RMdiGauge::makeSpeedGauge(int channelId)
{
    targetNeedle = dial->addNeedle(95);
    targetNeedle->setColor(Qt::black);
    targetNeedle->setDgereeRange(minDegree, maxDegree);
    targetNeedle->setCurrentValue(float(kNaN));
    accelerationNeedle = dial->addNeedle(95);
    accelerationNeedle->setColor(Qt::darkYellow);
    accelerationNeedle->setDgereeRange(minDegree, maxDegree);
    accelerationNeedle->setCurrentValue(float(kNaN));
    setChannel(theChannels.getChannel(static_cast<ChannelId>(channelId), 0));
    activateStandardMdiItemContextMenu(Menu_configureChannel | Menu_configureWidget | Menu_resetAutorange);
}

void RMdiGauge::refreshSpeedGauge(qint64 nowMs, int controlledVariable)
{
    if (nowMs - lastRefreshMs < minRefreshMs)
        return;
    lastRefreshMs = nowMs;
    RunChannel* c = channel();
    if (!c)
        return;
    shownValue = c->getValue();
    showValue(shownValue);
    targetNeedle->setCurrentValue(float(kNaN));
    accelerationNeedle->setCurrentValue(float(kNaN));
    if (BrakeControllerPanelInputs* panel = brakePanel()) {
        if (panel->variable.load() == controlledVariable) {
            const double factor = c->setup->unit ? c->setup->unit->factor : 1.0;
            const bool road = controlledVariable == kVariableRoadSpeed;
            const int mode = panel->mode.load();
            if (mode == kModeSpeed) {
                const double target = road ? panel->dynoSpeedTarget.load() : panel->engineSpeedTarget.load();
                targetNeedle->setValueRange(needle->minValue(), needle->maxValue());
                targetNeedle->setCurrentValue(float(target * factor));
            } else if (mode == kModeAcceleration) {
                const float acc = float(road ? panel->dynoAccTarget.load() : panel->engineAccTarget.load());
                accelerationNeedle->setValueRange(needle->minValue(), needle->maxValue());
                accelerationNeedle->setCurrentValue(float((double(acc) + shownValue) * factor));
            }
        }
    }
    applyStateLook(false);
    dial->repaint();
}
