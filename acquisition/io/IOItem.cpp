#include "IOItem.h"

#include "Channels.h"
#include "DynoSettings.h"
#include "Pins.h"
#include "RunChannel.h"
#include "VerticalLabel.h"
#include "lib/Tools.h"

#include <QVBoxLayout>

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
    valueLabel->setMinimumHeight(130);

    pins = new Pins(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 10, 1, 1);
    layout->addWidget(pins, 0, Qt::AlignHCenter);
    layout->addWidget(valueLabel);
    layout->addWidget(caption, 1);
    layout->addWidget(number);
}

void IOItem::setLabel(const QString& text)
{
    caption->setText(text);
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
    valueLabel->setText(tr("no\npreview"));
}

void IOItem::setValueText(const QString& text)
{
    // Setting the same text again still relays the label out.
    if (valueLabel->text() != text)
        valueLabel->setText(text);
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
