#pragma once

#include "ChannelId.h"
#include "DynoSettingId.h"
#include "PinType.h"

#include <QColor>
#include <QLabel>

class DynoSetting;
class Pins;
class RunChannel;
class VerticalLabel;

// One tile of the I/O page: a connector of the controller board (or two
// inputs of one) with its pin row, a live reading or state, its name and,
// when its section has more than one, its number. Kinds derive from this and
// fill the reading in updateTimerTick(), which the page calls every 33 ms
// while it is shown. GUI thread.
class IOItem : public QLabel
{
    Q_OBJECT
public:
    explicit IOItem(QWidget* parent = nullptr);

    void setLabel(const QString& text);
    void setId(int id, bool showNumber);
    int pinCount() const;

    virtual void updateTimerTick() {}

    VerticalLabel* caption = nullptr;
    QLabel* number = nullptr;
    int id = 0;
    QLabel* valueLabel = nullptr;
    Pins* pins = nullptr;

    // The current value of a live channel: NaN while it is invalid, and when
    // the registry does not have that instance (yet).
    static double currentValue(ChannelId channelId, int instance);
    // The channel's value with its unit, "?" when the registry does not have it.
    static QString valueWithUnit(ChannelId channelId, int instance);
    // A dyno setting of one channel; null before the registry is ready or
    // when the board has no such channel.
    static DynoSetting* dynoSetting(DynoSettingId settingId, int channel);
    // Fixed-point text of a reading ("?" for NaN, as every number text shows
    // a missing value); a negative width aligns left.
    static QString fixed(double value, int width, int decimals);
    // Grey for exactly 0, green for anything else, NaN included.
    static QColor stateColor(double value);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void addPins(std::initializer_list<PinType> types);
    // For the kinds without a live reading.
    void setNoPreview();
    void setValueText(const QString& text);
    void setValueBackground(const QColor& color);

private:
    // Shrinks a label's font until its text fits: every line (every word of a
    // wrapping label) into its width, and all its lines into its height. Tiles
    // get narrow when the window is small and the board has many connectors.
    static void fitText(QLabel* label, const QFont& base);

    QColor valueBackground;
};
