#include "IOItem.h"

#include "Channels.h"
#include "DynoSettings.h"
#include "Pins.h"
#include "RunChannel.h"
#include "VerticalLabel.h"
#include "lib/Tools.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

IOItem::IOItem(QWidget* parent)
    : QLabel(parent)
{
    setFrameShape(QFrame::Box);

    caption = new VerticalLabel(this);
    caption->setVertical(false);
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    caption->setAlignment(Qt::AlignCenter);

    number = new QLabel(this);
    number->setAlignment(Qt::AlignCenter);
    number->hide();

    valueLabel = new QLabel(this);
    valueLabel->setAlignment(Qt::AlignCenter);
    valueLabel->setFrameShape(QFrame::Box);
    // The reading gives way first when the page is short, so the name and the
    // number below it keep their room.
    valueLabel->setMinimumHeight(0);
    valueLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
    number->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    pins = new Pins(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 10, 1, 1);
    layout->addWidget(pins, 0, Qt::AlignHCenter);
    layout->addWidget(valueLabel, 1);
    layout->addWidget(caption);
    layout->addWidget(number);
}

void IOItem::setLabel(const QString& text)
{
    caption->setText(text);
    fitText(caption, font());
}

void IOItem::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fitText(caption, font());
    fitText(valueLabel, font());
}

void IOItem::fitText(QLabel* label, const QFont& base)
{
    const QString text = label->text();
    const QRect room = label->contentsRect().adjusted(1, 1, -1, -1);
    if (text.isEmpty() || room.width() <= 0)
        return;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList pieces = lines;
    if (label->wordWrap())
        pieces = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QFont font = base;
    qreal size = base.pointSizeF();
    const qreal smallest = 5.0;
    for (; size > smallest; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString& piece : pieces)
            widest = std::max(widest, metrics.horizontalAdvance(piece));
        // A wrapping label's height follows from the lines the width makes;
        // the caption grows to that, so only the reading is held to its box.
        const bool tallEnough = label->sizePolicy().verticalPolicy() != QSizePolicy::Ignored
            || room.height() <= 0 || int(lines.size()) * metrics.lineSpacing() <= room.height();
        if (widest <= room.width() && tallEnough)
            break;
    }
    font.setPointSizeF(std::max(size, smallest));
    if (label->font() != font)
        label->setFont(font);
}

void IOItem::setId(int newId, bool showNumber)
{
    id = newId;
    if (showNumber) {
        number->setText(QString::number(id + 1));
        number->show();
    }
}

int IOItem::pinCount() const
{
    return pins->count();
}

void IOItem::addPins(std::initializer_list<PinType> types)
{
    for (PinType type : types)
        pins->addPin(type);
}

void IOItem::setNoPreview()
{
    setValueText(tr("no\npreview"));
}

void IOItem::setValueText(const QString& text)
{
    // Setting the same text again still relays the label out.
    if (valueLabel->text() == text)
        return;
    const bool sameShape = valueLabel->text().size() == text.size();
    valueLabel->setText(text);
    // Readings of the same length fit as the last one did.
    if (!sameShape)
        fitText(valueLabel, font());
}

void IOItem::setValueBackground(const QColor& color)
{
    if (color == valueBackground)
        return;
    valueBackground = color;
    Tools::setBackgroundColorWithPalette(valueLabel, color);
}

double IOItem::currentValue(ChannelId channelId, int instance)
{
    if (!theChannels.isInitialized())
        return std::numeric_limits<double>::quiet_NaN();
    const RunChannel* channel = theChannels.getChannel(channelId, instance);
    return channel ? channel->getValue() : std::numeric_limits<double>::quiet_NaN();
}

QString IOItem::valueWithUnit(ChannelId channelId, int instance)
{
    if (!theChannels.isInitialized())
        return QStringLiteral("?");
    const RunChannel* channel = theChannels.getChannel(channelId, instance);
    return channel ? channel->getDataTranslatedWithUnit() : QStringLiteral("?");
}

QColor IOItem::stateColor(double value)
{
    return value == 0.0 ? QColor(Qt::gray) : QColor(Qt::green);
}

DynoSetting* IOItem::dynoSetting(DynoSettingId settingId, int channel)
{
    if (!theDynoSettings || !theDynoSettings->initialized)
        return nullptr;
    return theDynoSettings->getSetting(settingId, channel);
}

QString IOItem::fixed(double value, int width, int decimals)
{
    if (std::isnan(value))
        return QStringLiteral("%1").arg(QStringLiteral("?"), width);
    return QString::asprintf("%*.*f", width, decimals, value);
}
