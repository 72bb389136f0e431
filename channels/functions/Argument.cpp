#include "Argument.h"

#include "AbstractRunData.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "ProjectFieldSource.h"
#include "RunChannel.h"
#include "VectorChannel.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDateTime>
#include <QDebug>
#include <QDomElement>
#include <QPointer>
#include <mutex>
#include <shared_mutex>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::atomic<ProjectFieldSource*> g_projectFieldSource {nullptr};
std::atomic<bool> g_developerMode {false};

const char* const kTypeKeys[] = {"null", "constant", "channel", "projectInfo"};

// The channels' clock, so that time stamps of constants and of channels compare.
qint64 nowMs()
{
    return RunChannel::wallClock();
}

} // namespace

std::shared_mutex& Argument::bindingLock()
{
    // Never destroyed: channels and arguments owned by static objects unbind
    // during exit, in no fixed order with other statics.
    static std::shared_mutex* lock = new std::shared_mutex;
    return *lock;
}

Argument::Argument(QObject* parent)
    : QObject(parent)
    , unit(theUnits.getDefaultUnit(Quantity::None))
    , projectValue(kNaN)
{
}

Argument::Argument(const Argument& other)
    : QObject(nullptr)
    , projectValue(kNaN)
{
    std::unique_lock<std::shared_mutex> locker(bindingLock());
    copySourceLocked(other);
}

Argument::Argument(Argument* other)
    : QObject(nullptr)
    , projectValue(kNaN)
{
    std::unique_lock<std::shared_mutex> locker(bindingLock());
    copySourceLocked(*other);
}

Argument& Argument::operator=(const Argument& other)
{
    if (this == &other)
        return *this;
    std::unique_lock<std::shared_mutex> locker(bindingLock());
    copySourceLocked(other);
    return *this;
}

Argument::~Argument()
{
    std::unique_lock<std::shared_mutex> locker(bindingLock());
    detachLocked();
}

void Argument::copySourceLocked(const Argument& other)
{
    type = other.type;
    constant = other.constant;
    projectField = other.projectField;
    quantity = other.quantity;
    unit = other.unit;
    if (other.channel != channel) {
        detachLocked();
        attachLocked(other.channel);
    }
}

void Argument::attachLocked(RunChannel* newChannel)
{
    channel = newChannel;
    if (!channel)
        return;
    channel->users.append(this);
    if (channel->setup)
        keyRelay = connect(channel->setup, &ChannelSetup::signal_keyChanged, this,
                           &Argument::signal_argumentSourceKeyChanged);
}

void Argument::detachLocked()
{
    if (!channel)
        return;
    channel->users.removeAll(this);
    disconnect(keyRelay);
    channel = nullptr;
}

QString Argument::keyFromType(int type)
{
    if (type < 0 || type > ArgumentType_projectInfo)
        return QStringLiteral("unknown");
    return QLatin1String(kTypeKeys[type]);
}

ArgumentType Argument::typeFromKey(const QString& key)
{
    for (int type = 0; type <= ArgumentType_projectInfo; ++type) {
        if (key == QLatin1String(kTypeKeys[type]))
            return static_cast<ArgumentType>(type);
    }
    return ArgumentType_null;
}

void Argument::setProjectFieldSource(ProjectFieldSource* source)
{
    g_projectFieldSource.store(source);
}

ProjectFieldSource* Argument::projectFieldSource()
{
    return g_projectFieldSource.load();
}

void Argument::setDeveloperMode(bool enabled)
{
    g_developerMode.store(enabled);
}

QString Argument::projectKey(int field) const
{
    if (ProjectFieldSource* source = projectFieldSource())
        return source->getDatabaseKey(field);
    return tr("invalid");
}

// ---------------------------------------------------------------- source

void Argument::setNull(bool notify)
{
    {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        detachLocked();
        type = ArgumentType_null;
    }
    if (notify)
        emit signal_updateWidget();
}

void Argument::setConstant(double value, bool notify)
{
    {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        detachLocked();
        constant = value;
        type = ArgumentType_constant;
    }
    if (notify)
        emit signal_updateWidget();
}

void Argument::setChannel(RunChannel* newChannel, bool notify)
{
    {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        detachLocked();
        attachLocked(newChannel);
        type = ArgumentType_channel;
    }
    if (notify)
        emit signal_updateWidget();
}

void Argument::setProjectInfo(int field, bool notify)
{
    {
        // A channel binding stays: the channel keeps asking before it is removed.
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        type = ArgumentType_projectInfo;
        projectField = field;
    }
    if (notify)
        emit signal_updateWidget();
}

void Argument::set(const Argument* other)
{
    ArgumentType otherType;
    double otherConstant;
    RunChannel* otherChannel;
    int otherField;
    {
        std::shared_lock<std::shared_mutex> locker(bindingLock());
        otherType = other->type;
        otherConstant = other->constant;
        otherChannel = other->channel;
        otherField = other->projectField;
    }
    switch (otherType) {
    case ArgumentType_null:
        setNull(true);
        break;
    case ArgumentType_constant:
        setConstant(otherConstant, true);
        break;
    case ArgumentType_channel:
        setChannel(otherChannel, true);
        break;
    case ArgumentType_projectInfo:
        setProjectInfo(otherField, true);
        break;
    default:
        qDebug() << "void Argument::set(const Argument*)" << "unhandled argument type";
        break;
    }
    quantity = other->quantity;
}

void Argument::setVectorChannel(VectorChannel* vector)
{
    {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        type = ArgumentType_channel;
    }
    vectorChannel = vector;
}

void Argument::channelDeleted()
{
    bool wasChannel;
    {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        detachLocked();
        wasChannel = type == ArgumentType_channel;
    }
    if (wasChannel)
        emit signal_updateWidget();
}

void Argument::updateChannelPointer()
{
    if (getType() != ArgumentType_channel)
        return;
    const QString key = sourceKey;
    sourceKey.clear();
    RunChannel* found = theChannels.getChannelByKey(key);
    if (found)
        setChannel(found, true);
    else if (!key.isEmpty())
        qDebug().noquote() << QStringLiteral("Channel with key '%1' is invalid for argument").arg(key);
}

// ---------------------------------------------------------------- reading

ArgumentType Argument::getType() const
{
    std::shared_lock<std::shared_mutex> locker(bindingLock());
    return type;
}

double Argument::getConstant() const
{
    std::shared_lock<std::shared_mutex> locker(bindingLock());
    return constant;
}

RunChannel* Argument::getChannel() const
{
    std::shared_lock<std::shared_mutex> locker(bindingLock());
    return channel;
}

int Argument::getProjectField() const
{
    std::shared_lock<std::shared_mutex> locker(bindingLock());
    return projectField;
}

double Argument::getValue() const
{
    int field = -1;
    {
        std::shared_lock<std::shared_mutex> locker(bindingLock());
        switch (type) {
        case ArgumentType_null:
            return kNaN;
        case ArgumentType_constant:
            return constant;
        case ArgumentType_channel:
            return channel ? channel->getValue() : kNaN;
        case ArgumentType_projectInfo:
            field = projectField;
            break;
        default:
            qDebug() << "double Argument::getValue()" << "unhandled argument type";
            return 0.0;
        }
    }
    ProjectFieldSource* source = projectFieldSource();
    if (!source)
        return 0.0;
    return source->activeProjectDataRawById(field).toDouble();
}

void Argument::getTimestampedValue(double& value, qint64& timestamp) const
{
    std::shared_lock<std::shared_mutex> locker(bindingLock());
    switch (type) {
    case ArgumentType_null:
        value = kNaN;
        timestamp = nowMs();
        break;
    case ArgumentType_constant:
        value = constant;
        timestamp = nowMs();
        break;
    case ArgumentType_channel:
        if (channel) {
            channel->getTimestampedData(value, timestamp);
        } else {
            value = kNaN;
            timestamp = nowMs();
        }
        break;
    case ArgumentType_projectInfo:
        value = projectValue;
        timestamp = nowMs();
        break;
    default:
        qDebug() << "void Argument::getTimestampedValue(double&, qint64&)" << "unhandled argument type";
        break;
    }
}

QString Argument::typeKey() const
{
    return keyFromType(getType());
}

QString Argument::getSourceString() const
{
    ArgumentType currentType;
    int field;
    {
        std::shared_lock<std::shared_mutex> locker(bindingLock());
        currentType = type;
        field = projectField;
        switch (type) {
        case ArgumentType_null:
            return QString();
        case ArgumentType_constant:
            return QString::number(constant, 'g', 6);
        case ArgumentType_channel:
            // A key read from a file stays until the owner resolves it, so a
            // save made before the channels exist does not lose it.
            if (!channel)
                return sourceKey;
            return channel->setup ? channel->setup->key : QString();
        default:
            break;
        }
    }
    if (currentType == ArgumentType_projectInfo)
        return field == -1 ? QString() : projectKey(field);
    qDebug() << "QString Argument::getSourceString()" << "unhandled argument type";
    return QString();
}

QString Argument::getSourceStringForWidget() const
{
    if (getType() == ArgumentType_constant) {
        const double shown = unit ? unit->getUnitValue(getConstant()) : getConstant();
        return QString::number(shown, 'f', 6);
    }
    return getSourceString();
}

QString Argument::getDescription() const
{
    ArgumentType currentType;
    double currentConstant;
    QString channelKey;
    bool bound;
    int field;
    {
        std::shared_lock<std::shared_mutex> locker(bindingLock());
        currentType = type;
        currentConstant = constant;
        bound = channel != nullptr;
        if (channel && channel->setup)
            channelKey = channel->setup->key;
        field = projectField;
    }
    switch (currentType) {
    case ArgumentType_null:
        return QStringLiteral("0");
    case ArgumentType_constant: {
        const double shown = unit ? unit->getUnitValue(currentConstant) : currentConstant;
        const QString unitName = unit ? unit->name : QString();
        return tr("Constant:") + QStringLiteral(" %1").arg(Tools::stringFromDouble(shown, 6) + unitName);
    }
    case ArgumentType_channel:
        return tr("Channel:") + QStringLiteral(" %1").arg(bound ? channelKey : QStringLiteral("null"));
    case ArgumentType_projectInfo:
        return tr("Project:") + QStringLiteral(" %1").arg(projectKey(field));
    default:
        qDebug() << "QString Argument::getDescription()" << "unhandled argument type";
        return QString();
    }
}

// ---------------------------------------------------------------- recorded runs

void Argument::initForRunDataProcessing(AbstractRunData* run)
{
    const ArgumentType currentType = getType();
    if (currentType == ArgumentType_channel)
        updateChannelPointer_RunData(run);
    else if (currentType == ArgumentType_projectInfo)
        updateProjectInfoValueForAnalyze(run);
}

void Argument::updateChannelPointer_RunData(AbstractRunData* run)
{
    VectorChannel* vector = run ? run->getChannelByRunKey(sourceKey) : nullptr;
    if (vector) {
        setVectorChannel(vector);
    } else if (!sourceKey.isEmpty() && g_developerMode.load()) {
        qDebug().noquote() << QStringLiteral("Channel with key '%1' not available for function in runData. This "
                                             "message is OK for empty channels.")
                                  .arg(sourceKey);
    }
}

void Argument::updateProjectInfoValueForAnalyze(AbstractRunData* run)
{
    if (run)
        projectValue = run->getProjectInfoValue(getProjectField(), QVariant()).toDouble();
}

double Argument::getValueS(int index) const
{
    switch (getType()) {
    case ArgumentType_constant:
        return getConstant();
    case ArgumentType_channel: {
        if (!vectorChannel)
            return kNaN;
        const QList<double>& samples = vectorChannel->rawSamples();
        return index >= 0 && index < samples.size() ? samples.at(index) : kNaN;
    }
    case ArgumentType_null:
        return kNaN;
    case ArgumentType_projectInfo:
        return projectValue;
    default:
        qDebug() << "double Argument::getValueS(int)" << "unhandled argument type";
        return 0.0;
    }
}

// ---------------------------------------------------------------- storing

QList<std::pair<QString, QString>> Argument::xmlAttributes() const
{
    QList<std::pair<QString, QString>> attributes = {
        {QStringLiteral("type"), typeKey()},
        {QStringLiteral("value"), getSourceString()},
        {QStringLiteral("unitType"), QString::number(int(quantity))},
    };
    if (getType() == ArgumentType_constant)
        attributes.append({QStringLiteral("unit"), unit ? unit->name : QString()});
    return attributes;
}

void Argument::writeToDomElement(QDomElement* element) const
{
    for (const auto& attribute : xmlAttributes())
        element->setAttribute(attribute.first, attribute.second);
}

void Argument::parseDomElement(const QDomElement* element)
{
    const QString key = element->attribute(QStringLiteral("type"), QStringLiteral("null"));
    const QString value = element->attribute(QStringLiteral("value"), QStringLiteral("0"));
    quantity = Units::getQuantityFromXMLString(element->attribute(QStringLiteral("unitType"), QStringLiteral("0")));
    const ArgumentType newType = typeFromKey(key);

    switch (newType) {
    case ArgumentType_null: {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        type = ArgumentType_null;
        break;
    }
    case ArgumentType_constant: {
        bool ok = false;
        const double parsed = value.toDouble(&ok);
        {
            std::unique_lock<std::shared_mutex> locker(bindingLock());
            if (ok) {
                constant = parsed;
                type = ArgumentType_constant;
            } else {
                type = ArgumentType_null;
            }
        }
        if (!ok)
            qDebug() << "error parsing argument" << key << value;
        unit = theUnits.getUnitByQuantityAndName(quantity, element->attribute(QStringLiteral("unit")));
        break;
    }
    case ArgumentType_channel: {
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        type = ArgumentType_channel;
        sourceKey = value;
        break;
    }
    case ArgumentType_projectInfo: {
        ProjectFieldSource* source = projectFieldSource();
        const int field = source ? source->getFieldIdFromKey(value) : -1;
        std::unique_lock<std::shared_mutex> locker(bindingLock());
        type = ArgumentType_projectInfo;
        projectField = field;
        break;
    }
    default:
        qDebug() << "void Argument::parseDomElement(const QDomElement*)" << "unhandled argument type";
        break;
    }
}

void Argument::setFromTypeKeyAndSourceString(const QString& text)
{
    if (text.isEmpty()) {
        setNull(true);
        return;
    }
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 1) {
        qDebug() << "void Argument::setFromTypeKeyAndSourceString(const QString&)" << "Invalid source string" << text;
        return;
    }
    const QString source = text.mid(colon + 1);
    switch (typeFromKey(text.left(colon))) {
    case ArgumentType_null:
        setNull(true);
        break;
    case ArgumentType_constant:
        setConstant(source.toDouble(), true);
        break;
    case ArgumentType_channel:
        setChannel(theChannels.getChannelByKey(source), true);
        break;
    case ArgumentType_projectInfo: {
        ProjectFieldSource* fields = projectFieldSource();
        setProjectInfo(fields ? fields->getFieldIdFromKey(source) : -1, true);
        break;
    }
    default:
        break;
    }
}
