#include "RMdiNumber.h"

#include "ChannelSetup.h"
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

RMdiNumber::RMdiNumber(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi)
{
    unitText.setPerformanceHint(QStaticText::AggressiveCaching);
    unitText.setTextFormat(Qt::PlainText);
    setMinimumSize(100, 50);
    resize(130, 50);
    activateStandardMdiItemContextMenu(Menu_selectChannel | Menu_configureChannel | Menu_configureWidget);
    configDialog = new QDialog(this);
    configDialog->setWindowTitle(tr("Widget Configuration"));
    auto* form = new QFormLayout(configDialog);
    form->setLabelAlignment(Qt::AlignRight);
    clipValues = new QCheckBox(configDialog);
    unitFontSize = new QSpinBox(configDialog);
    unitFontSize->setRange(0, 100);
    unitFontSize->setSuffix(QStringLiteral("%"));
    unitFontSize->setSingleStep(10);
    unitFontSize->setValue(50);
    refreshRateLimit = new QSpinBox(configDialog);
    refreshRateLimit->setRange(20, 1000);
    refreshRateLimit->setSuffix(QStringLiteral("ms"));
    refreshRateLimit->setSingleStep(20);
    refreshRateLimit->setValue(200);
    form->addRow(tr("Clip values out of range"), clipValues);
    form->addRow(tr("Unit font size"), unitFontSize);
    form->addRow(tr("Refresh rate limit"), refreshRateLimit);
    connect(unitFontSize, &QSpinBox::valueChanged, this, qOverload<>(&QWidget::update));
    connect(clipValues, &QCheckBox::toggled, this, [this] { formattedValid = false; });
}

bool RMdiNumber::isLabelQuantity(const RunChannel* channel)
{
    return channel && (channel->setup->quantity == Quantity::Bitfield || channel->setup->quantity == Quantity::Enumerated);
}

void RMdiNumber::setChannel(RunChannel* channel)
{
    valueText.clear();
    formattedValid = false;
    update();
    AbstractRMdiWidget::setChannel(channel);
}

void RMdiNumber::slot_channelSetupChanged()
{
    // Decimals, labels, unit or range may have changed the text of the same value.
    formattedValid = false;
    AbstractRMdiWidget::slot_channelSetupChanged();
}

void RMdiNumber::configureWidget()
{
    DialogAnswerer::exec(configDialog);
    update();
    emit signal_requestSetupSave();
}

void RMdiNumber::refreshTick(qint64 now)
{
    RunChannel* c = channel();
    // An alarm that starts or ends shows at once, whatever the rate limit.
    if (c && c->alarmState().alarmActive != alarmCopy) {
        alarmCopy = !alarmCopy;
        update();
    }
    if (now - lastRefreshMs < refreshRateLimit->value())
        return;
    lastRefreshMs = now;
    if (!c)
        return;
    bool unitChanged = false;
    const QString& unitName = isLabelQuantity(c) || !c->setup->unit ? QString() : c->setup->unit->name;
    if (unitText.text() != unitName) {
        unitText.setText(unitName);
        unitLaidOut = false;
        unitChanged = true;
    }
    const double shown = c->getDataTranslated();
    const bool sameNumber = formattedValid && (shown == formattedValue || (std::isnan(shown) && std::isnan(formattedValue)));
    if (!sameNumber) {
        const QString text = clipValues->isChecked() ? c->getDataTranslatedAndClippedString()
                                                     : c->setup->getLabelString(shown);
        formattedValue = shown;
        formattedValid = true;
        if (text != valueText) {
            valueText = text;
            alarmCopy = c->alarmState().alarmActive;
            update();
            return;
        }
    }
    if (unitChanged)
        update();
}

void RMdiNumber::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width();
    const int h = height();
    RunChannel* c = channel();
    const QColor color = c ? c->setup->color : QColor(Qt::black);
    p.fillRect(rect(), Tools::getContrastColor(color, 0.5f));
    p.setPen(color);
    const QSizeF nameSize = captionText.size();
    p.drawStaticText(QPointF(w - 7 - nameSize.width(), 6), captionText);

    QRect area(QPoint(6, 6 + int(nameSize.height())), QPoint(w - 7, h - 7));
    const int valuePixels = std::max(1, area.height());
    if (valuePixels != valueFontPixels) {
        valueFont = QFont();
        valueFont.setPixelSize(valuePixels);
        valueFontPixels = valuePixels;
    }
    const int unitPixels = std::max({1, unitFontSize->value() * area.height() / 100, int(nameSize.height())});
    if (unitPixels != unitFontPixels) {
        unitFont = QFont();
        unitFont.setPixelSize(unitPixels);
        unitFontPixels = unitPixels;
        unitLaidOut = false;
    }
    // Its width is needed before it is drawn: lay it out in the unit font.
    if (!unitLaidOut) {
        unitText.prepare(QTransform(), unitFont);
        unitLaidOut = true;
    }
    p.setFont(unitFont);
    const qreal unitWidth = unitText.text().isEmpty() ? 0.0 : unitText.size().width();
    p.drawStaticText(QPointF(area.right() - unitWidth, area.top()), unitText);
    area.setRight(area.right() - int(std::ceil(unitWidth)));

    p.setFont(valueFont);
    if (isLabelQuantity(c)) {
        textClipped = false;
        p.drawText(area, Qt::AlignLeft | Qt::AlignTop, valueText);
    } else {
        textClipped = QFontMetrics(valueFont).horizontalAdvance(valueText) > area.width();
        p.drawText(area, Qt::AlignRight | Qt::AlignTop, valueText);
        if (textClipped)
            p.fillRect(QRect(area.left(), area.top(), 5, area.height()), Qt::red);
    }

    p.setPen(Qt::gray);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);

    if (c) {
        const RunChannel::AlarmState s = c->alarmState();
        if (s.alarmActive || s.aboveWarningHigh || s.belowWarningLow) {
            QColor state = c->getAlarmOrWarningColor();
            const QRect inset = rect().adjusted(3, 3, -3, -3);
            p.setPen(QPen(state, 6));
            state.setAlphaF(0.2f);
            p.setBrush(state);
            p.drawRect(inset);
        }
    }
}

void RMdiNumber::parseDomElement(const QDomElement* element)
{
    clipValues->setChecked(element->attribute(QStringLiteral("clipValuesOutOfRange")).toInt() != 0);
    unitFontSize->setValue(element->attribute(QStringLiteral("unitFontSize"), QStringLiteral("50")).toInt());
    refreshRateLimit->setValue(element->attribute(QStringLiteral("refreshRateLimit"), QStringLiteral("200")).toInt());
    AbstractRMdiWidget::parseDomElement(element);
}

void RMdiNumber::writeToDomElement(QDomElement* element)
{
    element->setAttribute(QStringLiteral("clipValuesOutOfRange"), clipValues->isChecked() ? 1 : 0);
    element->setAttribute(QStringLiteral("unitFontSize"), unitFontSize->value());
    element->setAttribute(QStringLiteral("refreshRateLimit"), refreshRateLimit->value());
    AbstractRMdiWidget::writeToDomElement(element);
}
