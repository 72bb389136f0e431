#include "ChannelSetup.h"

#include "Argument.h"
#include "BinsEditorDialog.h"
#include "MySettings.h"
#include "lib/DialogAnswerer.h"
#include "lib/ListStreamOperators.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDomElement>
#include <QStringList>
#include <QXmlStreamWriter>

#include <cmath>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// SI values are stored with every digit a double holds, so a save and a load
// give back the same number.
QString numberText(double value)
{
    return QString::number(value, 'g', 17);
}

QString flagText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool isIntegerLike(Quantity quantity)
{
    return quantity == Quantity::Bitfield || quantity == Quantity::Enumerated || quantity == Quantity::Logic
        || quantity == Quantity::Integer;
}

} // namespace

ChannelSetup::ChannelSetup(QObject* parent, const ChannelSetup* templateSetup)
    : QObject(parent)
    , warningLow(-kInfinity)
    , warningHigh(kInfinity)
    , alarmLow(-kInfinity)
    , alarmHigh(kInfinity)
    , alarmGate(new Argument(this))
    , unit(theUnits.getDefaultUnit(Quantity::None))
{
    if (templateSetup)
        copyFrom(*templateSetup);
}

ChannelSetup::ChannelSetup(const ChannelSetup& other)
    : ChannelSetup(nullptr, &other)
{
}

ChannelSetup::~ChannelSetup() = default;

ChannelSetup& ChannelSetup::operator=(const ChannelSetup& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

void ChannelSetup::copyFrom(const ChannelSetup& other)
{
    runKey = other.runKey;
    key = other.key;
    displayName = other.displayName;
    flags = other.flags;
    groupId = other.groupId;
    autorangeMin = other.autorangeMin;
    autorangeMax = other.autorangeMax;
    rangeMin = other.rangeMin;
    rangeMax = other.rangeMax;
    minAutorangeSpan = other.minAutorangeSpan;
    decimals = other.decimals;
    warningLow = other.warningLow;
    warningHigh = other.warningHigh;
    alarmLow = other.alarmLow;
    alarmHigh = other.alarmHigh;
    alarmDelay = other.alarmDelay;
    quantity = other.quantity;
    unit = other.unit;
    labels = other.labels;
    filter = other.filter;
    sampling = other.sampling;
    color = other.color;
    colorSteps = other.colorSteps;
    bins = other.bins;
    hide = other.hide;
    timeOffset = other.timeOffset;
    comment = other.comment;
    *alarmGate = *other.alarmGate;
}

void ChannelSetup::sanitize()
{
    if (groupId >= quint32(ChannelGroupCount))
        groupId = ChannelGroupId_none;
    decimals = qBound(-10, decimals, 10);
    if (filter > 2.0)
        filter = 2.0;
    else if (!(filter > 0.0))
        filter = 0.0;
    if (rangeMin > rangeMax)
        rangeMin = rangeMax;
    if (warningLow > warningHigh)
        warningLow = warningHigh;
    if (alarmLow > alarmHigh)
        alarmLow = alarmHigh;
    if (isIntegerLike(quantity)) {
        decimals = 0;
        filter = 0.0;
        sampling = SamplingMode::SampleAndHold;
    }
}

QString ChannelSetup::unitName() const
{
    return unit ? unit->name : QString();
}

QString ChannelSetup::getName() const
{
    return displayName.isEmpty() ? key : displayName;
}

QString ChannelSetup::getNameWithUnit() const
{
    return QStringLiteral("%1 [%2]").arg(getName(), unitName());
}

QString ChannelSetup::getNameWithUnitMultiline() const
{
    return QStringLiteral("%1\n[%2]").arg(getName(), unitName());
}

QString ChannelSetup::getNameWithUnitMultilineHTML() const
{
    QString name = getName();
    name.replace(QLatin1Char('<'), QStringLiteral("&#x3C;"));
    name.replace(QLatin1Char('>'), QStringLiteral("&#x3E;"));
    return QStringLiteral("%1<br>[%2]").arg(name, unitName());
}

QString ChannelSetup::getStringFromValue(double siValue) const
{
    const double value = unit ? unit->getUnitValue(siValue) : siValue;
    return Tools::stringFromDouble(value, decimals);
}

QString ChannelSetup::getStringWithUnitFromValue(double siValue) const
{
    return getStringFromValue(siValue) + unitName();
}

QString ChannelSetup::getLabelString(double displayValue) const
{
    if (quantity == Quantity::Bitfield || quantity == Quantity::Enumerated)
        return getStringFromEnumOrBitfieldValue(displayValue);
    return Tools::stringFromDouble(displayValue, decimals);
}

QString ChannelSetup::getStringFromEnumOrBitfieldValue(double value) const
{
    if (std::isnan(value))
        return QStringLiteral("?");
    const QString plain = QString::number(value, 'g', 6);
    if (labels.isEmpty())
        return plain;
    if (quantity == Quantity::Bitfield) {
        const qint32 bits = static_cast<qint32>(value);
        QString text;
        for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) {
            if ((bits & it.key()) > 0) {
                if (!text.isEmpty())
                    text += QStringLiteral("; ");
                text += QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
            }
        }
        return text.isEmpty() ? plain : text;
    }
    if (quantity == Quantity::Enumerated) {
        const auto it = labels.constFind(static_cast<int>(value));
        return QStringLiteral("%1 %2").arg(plain, it != labels.constEnd() ? it.value() : tr("unknown"));
    }
    return plain;
}

QString ChannelSetup::stringFromLabels(const QMap<int, QString>& labels)
{
    QStringList lines;
    for (auto it = labels.constBegin(); it != labels.constEnd(); ++it)
        lines.append(QStringLiteral("%1=%2").arg(it.key()).arg(it.value()));
    return lines.join(QLatin1Char('\n'));
}

QMap<int, QString> ChannelSetup::labelsFromString(const QString& text)
{
    QMap<int, QString> labels;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const int split = line.indexOf(QLatin1Char('='));
        if (split <= 0)
            continue;
        bool ok = false;
        const int value = line.left(split).toInt(&ok, 10);
        const QString labelText = line.mid(split + 1);
        if (ok && !labelText.isEmpty())
            labels.insert(value, labelText);
    }
    return labels;
}

double ChannelSetup::autorangePaddingPercent()
{
    // The settings page binds its spin box to this key; until it has been
    // shown once the key holds nothing and the page's default applies.
    return theSettings.value(QStringLiteral("UserSetting/spinBox_settings_autorangePadding"), 2).toDouble();
}

QPair<double, double> ChannelSetup::getRangeFromDataRange(double dataMin, double dataMax) const
{
    if (!autorangeMin && !autorangeMax)
        return getRangeFromDataRange(dataMin, dataMax, 0.0);
    return getRangeFromDataRange(dataMin, dataMax, autorangePaddingPercent());
}

QPair<double, double> ChannelSetup::getRangeFromDataRange(double a, double b, double paddingPercent) const
{
    const double factor = unit ? unit->factor : 1.0;
    const double L = unit ? unit->getUnitValue(rangeMin) : rangeMin;
    const double H = unit ? unit->getUnitValue(rangeMax) : rangeMax;
    if (!autorangeMin && !autorangeMax)
        return {L, H};
    if (!std::isfinite(a) || !std::isfinite(b))
        return {0.0, 1.0};

    const double p = paddingPercent / 100.0;
    const double S = minAutorangeSpan * factor; // a difference: no offset
    const double w = b - a;
    const double m = (a + b) / 2.0;

    if (S != 0.0) {
        if (!autorangeMin) {
            if (L < b)
                return {L, std::max(b + p * (b - L), L + S)};
            return {L, L + S};
        }
        if (!autorangeMax) {
            if (H > a)
                return {std::min(a - p * (H - a), H - S), H};
            return {H - S, H};
        }
        if (w > S) {
            const double half = (1.0 + p) * w / 2.0;
            double low = m - half;
            if (a >= 0.0 && low < 0.0)
                low = 0.0;
            return {low, m + half};
        }
        if (a >= 0.0 && m - S / 2.0 < 0.0)
            return {0.0, S};
        return {m - S / 2.0, m + S / 2.0};
    }

    double o = std::fabs(m) * 0.1;
    if (o == 0.0)
        o = 1.0;
    if (!autorangeMin) {
        if (L < b)
            return {L, b + p * (b - L)};
        return {L, L + o};
    }
    if (!autorangeMax) {
        if (a < H)
            return {a - p * (H - a), H};
        return {H - o, H};
    }
    if (w == 0.0) {
        double r = std::fabs(m) * 0.1;
        if (r == 0.0)
            r = 0.5;
        return {m - r, m + r};
    }
    double low = a - p * w;
    if (a >= 0.0 && low < 0.0)
        low = 0.0;
    return {low, b + p * w};
}

void ChannelSetup::slot_setQuantity(Quantity newQuantity)
{
    if (newQuantity == quantity)
        return;
    quantity = newQuantity;
    unit = theUnits.getDefaultUnit(newQuantity);
    emit signal_setupChanged();
}

void ChannelSetup::slot_customDisplayNameChanged(const QString& name)
{
    if (name == displayName)
        return;
    displayName = name;
    emit signal_setupChanged();
}

void ChannelSetup::setUnitFromName(const QString& name)
{
    unit = theUnits.getUnitByQuantityAndName(quantity, name);
}

QList<std::pair<QString, QString>> ChannelSetup::xmlAttributes() const
{
    return {
        {QStringLiteral("groupId"), QString::number(groupId)},
        {QStringLiteral("displayName"), displayName},
        {QStringLiteral("autorangeMin"), flagText(autorangeMin)},
        {QStringLiteral("autorangeMax"), flagText(autorangeMax)},
        {QStringLiteral("rangeMin"), numberText(rangeMin)},
        {QStringLiteral("rangeMax"), numberText(rangeMax)},
        {QStringLiteral("minAutorangeSpan"), numberText(minAutorangeSpan)},
        {QStringLiteral("decimals"), QString::number(decimals)},
        {QStringLiteral("warningLow"), numberText(warningLow)},
        {QStringLiteral("warningHigh"), numberText(warningHigh)},
        {QStringLiteral("alarmLow"), numberText(alarmLow)},
        {QStringLiteral("alarmHigh"), numberText(alarmHigh)},
        {QStringLiteral("alarmDelay"), numberText(alarmDelay)},
        {QStringLiteral("unitType"), QString::number(int(quantity))},
        {QStringLiteral("unit"), unitName()},
        {QStringLiteral("filter"), numberText(filter)},
        {QStringLiteral("sampling"), QString::number(qint32(sampling))},
        {QStringLiteral("color"), color.name()},
        {QStringLiteral("hide"), flagText(hide)},
        {QStringLiteral("timeOffset"), numberText(timeOffset)},
        {QStringLiteral("comment"), comment},
        {QStringLiteral("bins"), stringFromQVectorDouble(bins)},
    };
}

void ChannelSetup::writeSetupToDomElement(QDomElement* element) const
{
    for (const auto& attribute : xmlAttributes())
        element->setAttribute(attribute.first, attribute.second);
    QDomDocument document = element->ownerDocument();
    if (quantity == Quantity::Bitfield || quantity == Quantity::Enumerated) {
        for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) {
            QDomElement label = document.createElement(QStringLiteral("label"));
            label.setAttribute(QStringLiteral("value"), QString::number(it.key()));
            label.setAttribute(QStringLiteral("text"), it.value());
            element->appendChild(label);
        }
    }
    for (const ColorScaleStep& step : colorSteps) {
        QDomElement child = document.createElement(QStringLiteral("colorStep"));
        child.setAttribute(QStringLiteral("type"), QString::number(qint32(step.type)));
        child.setAttribute(QStringLiteral("value"), numberText(step.value));
        child.setAttribute(QStringLiteral("color"), step.color.name());
        element->appendChild(child);
    }
    if (alarmGate->getType() != ArgumentType_null) {
        QDomElement gate = document.createElement(QStringLiteral("alarmGate"));
        alarmGate->writeToDomElement(&gate);
        element->appendChild(gate);
    }
}

void ChannelSetup::writeSetupToXmlStream(QXmlStreamWriter& writer) const
{
    for (const auto& attribute : xmlAttributes())
        writer.writeAttribute(attribute.first, attribute.second);
    if (quantity == Quantity::Bitfield || quantity == Quantity::Enumerated) {
        for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) {
            writer.writeEmptyElement(QStringLiteral("label"));
            writer.writeAttribute(QStringLiteral("value"), QString::number(it.key()));
            writer.writeAttribute(QStringLiteral("text"), it.value());
        }
    }
    for (const ColorScaleStep& step : colorSteps) {
        writer.writeEmptyElement(QStringLiteral("colorStep"));
        writer.writeAttribute(QStringLiteral("type"), QString::number(qint32(step.type)));
        writer.writeAttribute(QStringLiteral("value"), numberText(step.value));
        writer.writeAttribute(QStringLiteral("color"), step.color.name());
    }
    if (alarmGate->getType() != ArgumentType_null) {
        writer.writeEmptyElement(QStringLiteral("alarmGate"));
        for (const auto& attribute : alarmGate->xmlAttributes())
            writer.writeAttribute(attribute.first, attribute.second);
    }
}

void ChannelSetup::parseChannelDomElement(const QDomElement* element)
{
    auto text = [element](const char* name) { return element->attribute(QLatin1String(name)); };
    auto number = [&text](const char* name) { return text(name).toDouble(); };
    auto flag = [&text](const char* name) { return text(name).toInt() != 0; };

    groupId = quint32(text("groupId").toInt());
    displayName = text("displayName");
    if (element->hasAttribute(QStringLiteral("autorange"))) {
        // Older files kept one flag for both ends.
        autorangeMin = autorangeMax = flag("autorange");
    } else {
        autorangeMin = flag("autorangeMin");
        autorangeMax = flag("autorangeMax");
    }
    rangeMin = number("rangeMin");
    rangeMax = number("rangeMax");
    minAutorangeSpan = number("minAutorangeSpan");
    decimals = text("decimals").toInt();
    warningLow = number("warningLow");
    warningHigh = number("warningHigh");
    alarmLow = number("alarmLow");
    alarmHigh = number("alarmHigh");
    alarmDelay = number("alarmDelay");
    quantity = Units::getQuantityFromXMLString(text("unitType"));
    unit = theUnits.getUnitByQuantityAndName(quantity, text("unit"));
    filter = number("filter");
    if (element->hasAttribute(QStringLiteral("sampling")))
        sampling = static_cast<SamplingMode>(text("sampling").toInt());
    color = QColor(text("color"));
    hide = flag("hide");
    timeOffset = number("timeOffset");
    comment = text("comment");
    bins = qVectorDoubleFromString(text("bins"));

    labels.clear();
    const QDomNodeList labelNodes = element->elementsByTagName(QStringLiteral("label"));
    for (int i = 0; i < labelNodes.size(); ++i) {
        const QDomElement label = labelNodes.at(i).toElement();
        labels.insert(label.attribute(QStringLiteral("value")).toInt(), label.attribute(QStringLiteral("text")));
    }
    colorSteps.clear();
    const QDomNodeList stepNodes = element->elementsByTagName(QStringLiteral("colorStep"));
    for (int i = 0; i < stepNodes.size(); ++i) {
        const QDomElement node = stepNodes.at(i).toElement();
        ColorScaleStep step;
        step.type = static_cast<ColorScaleStepType>(node.attribute(QStringLiteral("type")).toInt());
        step.value = node.attribute(QStringLiteral("value")).toDouble();
        step.color = QColor(node.attribute(QStringLiteral("color")));
        colorSteps.append(step);
    }
    const QDomElement gate = element->firstChildElement(QStringLiteral("alarmGate"));
    if (gate.isNull()) {
        alarmGate->setNull(false);
    } else {
        // A channel gate keeps its key until the channels exist; the setup
        // models resolve every gate once the registry is filled.
        alarmGate->parseDomElement(&gate);
    }

    sanitize();
    emit signal_setupChanged();
}

void ChannelSetup::editBins()
{
    BinsEditorDialog dialog(&bins, nullptr);
    if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
        Q_EMIT signal_setupChanged();
}
