#include "RMdiBar.h"

#include "ChannelSetup.h"
#include "ColorButton.h"
#include "RunChannel.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QCheckBox>
#include <QDomElement>
#include <QFormLayout>
#include <QPainter>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Far beyond any screen, but safe to truncate to int.
int clampedPixel(double y)
{
    return int(std::clamp(y, -1.0e6, 1.0e6));
}

} // namespace

RMdiBar::RMdiBar(AbstractMdi* desktop)
    : AbstractRMdiWidget(desktop)
    , shownValue(kNaN)
    , dataMax(kNaN)
    , dataMin(kNaN)
{
    unitText.setPerformanceHint(QStaticText::AggressiveCaching);
    unitText.setTextFormat(Qt::PlainText);
    setMinimumSize(60, 100);
    activateStandardMdiItemContextMenu(Menu_selectChannel | Menu_configureChannel | Menu_configureWidget
                                       | Menu_resetAutorange);
    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    tickCount = new QSpinBox(configDialog);
    tickCount->setRange(1, 100);
    tickCount->setValue(5);
    autoBarColor = new QCheckBox(configDialog);
    auto colorButton = [this](const QColor& c) {
        auto* b = new ColorButton(configDialog);
        b->setColor(c);
        connect(b, &ColorButton::signal_colorChanged, this, qOverload<>(&QWidget::update));
        return b;
    };
    barColor = colorButton(QColor(0xbe, 0xbe, 0xbe));
    colorAlarmLow = colorButton(QColor(0x00, 0x00, 0xff));
    colorWarningLow = colorButton(QColor(0x00, 0x96, 0xff));
    colorOK = colorButton(Qt::white);
    colorWarningHigh = colorButton(QColor(0xff, 0x96, 0x00));
    colorAlarmHigh = colorButton(QColor(0xff, 0x00, 0x00));
    form->addRow(tr("Tick count hint"), tickCount);
    form->addRow(tr("Automatic bar color"), autoBarColor);
    form->addRow(tr("Bar color"), barColor);
    form->addRow(tr("Alarm low color"), colorAlarmLow);
    form->addRow(tr("Warning low color"), colorWarningLow);
    form->addRow(tr("OK color"), colorOK);
    form->addRow(tr("Warning high color"), colorWarningHigh);
    form->addRow(tr("Alarm high color"), colorAlarmHigh);
    connect(tickCount, &QSpinBox::valueChanged, this, qOverload<>(&QWidget::update));
    connect(autoBarColor, &QCheckBox::stateChanged, this, qOverload<>(&QWidget::update));
}

void RMdiBar::setChannel(RunChannel* channel)
{
    shownValue = kNaN;
    dataMax = kNaN;
    dataMin = kNaN;
    AbstractRMdiWidget::setChannel(channel);
}

void RMdiBar::resetAutorange()
{
    dataMax = kNaN;
    dataMin = kNaN;
}

void RMdiBar::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    update();
    emit signal_requestSetupSave();
}

void RMdiBar::refreshTick(qint64)
{
    RunChannel* c = channel();
    if (!c)
        return;
    const double v = c->getValue();
    const bool alarm = c->alarmState().alarmActive;
    if (std::isnan(v)) {
        shownValue = kNaN;
        shownAlarm = alarm;
        update();
        return;
    }
    if (v == shownValue) {
        if (alarm != shownAlarm) {
            shownAlarm = alarm;
            update();
        }
        return;
    }
    shownValue = v;
    if (std::isfinite(v)) {
        if (v > dataMax || std::isnan(dataMax))
            dataMax = v;
        if (v < dataMin || std::isnan(dataMin))
            dataMin = v;
    }
    shownAlarm = alarm;
    update();
}

QRect RMdiBar::barArea() const
{
    const int h = fontMetrics().height();
    return QRect(QPoint(h + 6, int(1.5 * h + 10)), QPoint(width() - 7, height() - 15));
}

void RMdiBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int W = width();
    const int H = height();
    const int h = fontMetrics().height();
    RunChannel* c = channel();
    const ChannelSetup* setup = c ? c->setup : nullptr;
    const Unit* unit = setup ? setup->unit : nullptr;
    auto display = [unit](double si) { return unit ? unit->getUnitValue(si) : si; };

    if (setup) {
        const QString& name = unit ? unit->name : QString();
        if (unitText.text() != name)
            unitText.setText(name);
    }
    const QRect area = barArea();
    const int left = area.left(), top = area.top(), right = area.right(), bottom = area.bottom();
    const int areaHeight = bottom - top + 1;

    double lo = 0.0, hi = 1.0;
    if (setup) {
        const QPair<double, double> range
            = setup->getRangeFromDataRange(double(float(display(dataMin))), double(float(display(dataMax))));
        lo = range.first;
        hi = range.second;
    }
    const float step = float(Tools::humanReadableStep(float((hi - lo) / tickCount->value())));
    float flo = float(lo), fhi = float(hi);
    Tools::stretchScaleToStep(flo, fhi, step);
    const float span = fhi - flo;
    // NaN, infinite and empty scales draw no bar and no strip: nothing divides by them.
    const bool scaleOk = std::isfinite(span) && span > 0.0f && step > 0.0f;
    const int n = scaleOk ? int(std::lround(span / step)) : 0;
    auto yOf = [&](double x) { return top + clampedPixel(std::trunc((1.0 - (x - flo) / span) * areaHeight)); };

    p.fillRect(rect(), Qt::white);

    if (scaleOk && !std::isnan(shownValue)) {
        const double x = setup ? display(shownValue) : 0.0;
        const int base = flo >= 0.0f ? bottom : bottom - int(float(areaHeight) * (0.0f - flo) / span);
        const QRect bar = QRect(QPoint(left, yOf(x)), QPoint(right, base)).normalized().intersected(area);
        QColor color = barColor->color();
        if (autoBarColor->isChecked() && c) {
            const RunChannel::AlarmState s = c->alarmState();
            if (s.alarmActive && s.aboveAlarmHigh)
                color = colorAlarmHigh->color();
            else if (s.alarmActive && s.belowAlarmLow)
                color = colorAlarmLow->color();
            else if (s.aboveWarningHigh)
                color = colorWarningHigh->color();
            else if (s.belowWarningLow)
                color = colorWarningLow->color();
        }
        if (!bar.isEmpty())
            p.fillRect(bar, color);
    }

    if (setup && scaleOk) {
        p.fillRect(QRect(0, 0, left, H), colorOK->color());
        auto above = [&](double limit, const QColor& color) {
            if (!std::isfinite(limit))
                return;
            const int y = std::clamp(yOf(display(limit)), 0, H);
            if (y > 0)
                p.fillRect(QRect(0, 0, left, y), color);
        };
        auto below = [&](double limit, const QColor& color) {
            if (!std::isfinite(limit))
                return;
            const int y = std::clamp(yOf(display(limit)), 0, H);
            if (y < H)
                p.fillRect(QRect(0, y, left, H - y), color);
        };
        above(setup->warningHigh, colorWarningHigh->color());
        above(setup->alarmHigh, colorAlarmHigh->color());
        below(setup->warningLow, colorWarningLow->color());
        below(setup->alarmLow, colorAlarmLow->color());
    }

    p.setPen(palette().color(QPalette::WindowText));
    p.save();
    p.translate(6, H - 7);
    p.rotate(-90);
    const QSizeF caption = captionText.size();
    p.drawStaticText(QPointF((H - 12 - caption.width()) / 2.0, (h - caption.height()) / 2.0), captionText);
    p.restore();
    p.drawStaticText(h + 6, 8, unitText);

    const int minor = 5 * n;
    for (int i = 0; i <= minor; ++i) {
        const int y = minor > 0 ? top + i * areaHeight / minor : top;
        p.drawLine(left, y, left + 5, y);
    }
    const int decimals = setup ? setup->decimals : 0;
    if (labelsCount != n || labelsLow != flo || labelsHigh != fhi || labelsDecimals != decimals
        || labelsBound != bool(setup)) {
        scaleLabels.clear();
        for (int i = 0; i <= n; ++i) {
            QStaticText t;
            t.setTextFormat(Qt::PlainText);
            t.setPerformanceHint(QStaticText::AggressiveCaching);
            if (setup) {
                const double v = n > 0 ? double(flo) + (1.0 - double(i) / n) * double(span) : kNaN;
                t.setText(Tools::stringFromDouble(v, decimals));
            }
            scaleLabels.append(t);
        }
        labelsCount = n;
        labelsLow = flo;
        labelsHigh = fhi;
        labelsDecimals = decimals;
        labelsBound = bool(setup);
    }
    for (int i = 0; i <= n; ++i) {
        const int y = n > 0 ? top + i * areaHeight / n : top;
        p.drawLine(left, y, left + 10, y);
        const QStaticText& label = scaleLabels.at(i);
        p.drawStaticText(QPointF(left + 11, y - label.size().height() / 2.0), label);
    }

    p.setPen(Qt::gray);
    p.drawRect(0, 0, W - 1, H - 1);

    if (c) {
        const RunChannel::AlarmState s = c->alarmState();
        if (s.alarmActive || s.aboveWarningHigh || s.belowWarningLow) {
            p.setPen(QPen(c->getAlarmOrWarningColor(), 6));
            p.drawRect(QRect(QPoint(3, 3), QPoint(W - 4, H - 4)));
        }
    }
}

void RMdiBar::parseDomElement(const QDomElement* element)
{
    tickCount->setValue(element->attribute(QStringLiteral("tickCount")).toInt());
    autoBarColor->setChecked(element->attribute(QStringLiteral("autoBarColor")).toInt() != 0);
    auto readColor = [element](ColorButton* button, const char* name) {
        const QColor c = QColor::fromString(element->attribute(QLatin1String(name)));
        if (c.isValid())
            button->setColor(c);
    };
    readColor(barColor, "barColor");
    readColor(colorAlarmLow, "colorAlarmLow");
    readColor(colorAlarmHigh, "colorAlarmHigh");
    readColor(colorOK, "colorOK");
    readColor(colorWarningLow, "colorWarningLow");
    readColor(colorWarningHigh, "colorWarningHigh");
    AbstractRMdiWidget::parseDomElement(element);
}

void RMdiBar::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("tickCount"), tickCount->value());
    element->setAttribute(QStringLiteral("autoBarColor"), autoBarColor->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("barColor"), barColor->color().name());
    element->setAttribute(QStringLiteral("colorAlarmLow"), colorAlarmLow->color().name());
    element->setAttribute(QStringLiteral("colorAlarmHigh"), colorAlarmHigh->color().name());
    element->setAttribute(QStringLiteral("colorOK"), colorOK->color().name());
    element->setAttribute(QStringLiteral("colorWarningLow"), colorWarningLow->color().name());
    element->setAttribute(QStringLiteral("colorWarningHigh"), colorWarningHigh->color().name());
    AbstractRMdiWidget::writeToDomElement(element);
}
