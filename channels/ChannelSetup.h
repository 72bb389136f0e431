#pragma once

#include "ChannelGroupId.h"
#include "ColorScaleStep.h"
#include "SamplingMode.h"
#include "lib/Quantity.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QString>

#include <utility>

class Argument;
class QDomElement;
class QXmlStreamWriter;
class Unit;

// The user configuration of one channel, found by the channel's key: what it is
// called, how it is shown (unit, decimals, range, colour, labels, colour steps,
// bins), how live values are filtered and when they warn or raise an alarm.
// Values are SI values of the quantity; the unit only applies when a value is
// shown or typed. Lives in the GUI thread: live channels that read the filter
// and the limits in other threads take their own copies (RunChannel).
class ChannelSetup : public QObject
{
    Q_OBJECT
public:
    // Setup bits of `flags` that are read here and by the editors.
    enum Flag : quint32 {
        FlagSamplingFixed1 = 1,
        FlagSamplingFixed2 = 2,
        FlagIntermediate = 4,
        FlagFunction = 8,
        FlagCanInput = 0x10,
        FlagInputChannel = 0x20,
        FlagSerialInput = 0x40,
        FlagUdsChannel = 0x80,
        FlagModbusInput = 0x100
    };

    explicit ChannelSetup(QObject* parent = nullptr, const ChannelSetup* templateSetup = nullptr);
    ChannelSetup(const ChannelSetup& other);
    ~ChannelSetup() override;
    // Copies every property but `timeBase`; emits nothing.
    ChannelSetup& operator=(const ChannelSetup& other);

    // Restores the value rules (group, decimals, filter, limit order, integer-like
    // quantities); emits nothing.
    void sanitize();

    QString getName() const;
    QString getNameWithUnit() const;
    QString getNameWithUnitMultiline() const;
    QString getNameWithUnitMultilineHTML() const;
    QString getStringFromValue(double siValue) const;
    QString getStringWithUnitFromValue(double siValue) const;
    // `displayValue` is already in the display unit.
    QString getLabelString(double displayValue) const;
    QString getStringFromEnumOrBitfieldValue(double value) const;
    static QString stringFromLabels(const QMap<int, QString>& labels);
    static QMap<int, QString> labelsFromString(const QString& text);

    // The displayed range (low, high) in the display unit for data spanning
    // dataMin..dataMax (display unit).
    QPair<double, double> getRangeFromDataRange(double dataMin, double dataMax) const;
    // The same with the padding given in percent (the settings page's value).
    QPair<double, double> getRangeFromDataRange(double dataMin, double dataMax, double paddingPercent) const;
    // "Autorange padding" of the settings page, in percent (2 when never set).
    static double autorangePaddingPercent();

    void setUnitFromName(const QString& name);
    // Edits `bins` in the modal bins editor; announces the change when accepted.
    void editBins();

    // The element's attributes in writing order, and the children after them.
    // The caller creates and names the element (`variable` or `variableSetup`);
    // the setup models add the "key" attribute themselves.
    void writeSetupToDomElement(QDomElement* element) const;
    void writeSetupToXmlStream(QXmlStreamWriter& writer) const;
    QList<std::pair<QString, QString>> xmlAttributes() const;
    // Reads everything but the key, sanitises and emits signal_setupChanged.
    void parseChannelDomElement(const QDomElement* element);

    QString runKey;
    QString key;
    QList<double> bins;
    quint32 flags = 0;
    quint32 groupId = ChannelGroupId_none;
    QString displayName;
    bool autorangeMin = true;
    bool autorangeMax = true;
    double rangeMin = 0.0;
    double rangeMax = 0.0;
    double minAutorangeSpan = 0.0;
    int decimals = 0;
    double warningLow;
    double warningHigh;
    double alarmLow;
    double alarmHigh;
    double alarmDelay = 0.0;
    Argument* alarmGate = nullptr;
    Quantity quantity = Quantity::None;
    const Unit* unit = nullptr;
    QMap<int, QString> labels;
    double filter = 0.0;
    SamplingMode sampling = SamplingMode::Interpolate;
    QColor color;
    QList<ColorScaleStep> colorSteps;
    bool hide = false;
    double timeOffset = 0.0;
    QString comment;
    bool timeBase = false;

Q_SIGNALS:
    void signal_setupChanged();
    void signal_keyChanged();

public Q_SLOTS:
    void slot_setQuantity(Quantity quantity);
    void slot_customDisplayNameChanged(const QString& name);

private:
    void copyFrom(const ChannelSetup& other);
    QString unitName() const;
};
