#include "UDSChannel.h"

#include "ChannelSetup.h"
#include "Channels.h"
#include "ObdOptions.h"
#include "ObdPidValues.h"
#include "ObdThread.h"
#include "UDSChannelModel.h"
#include "VehicleParamId.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QDomElement>

#include <muParser.h>

#include <cmath>
#include <limits>

std::atomic<double> theObdPid4F[4] = {0.0, 0.0, 0.0, 0.0};
std::atomic<double> theObdPid50[4] = {0.0, 0.0, 0.0, 0.0};

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

qint32 saturate(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0)
        return 2147483647;
    if (x <= -2147483648.0)
        return std::numeric_limits<qint32>::min();
    return qint32(x); // truncates toward zero
}

double signed8(double x) { return double(qint8(quint8(quint32(saturate(x)) & 0xFFu))); }
double signed16(double x) { return double(qint16(quint16(quint32(saturate(x)) & 0xFFFFu))); }
double signed32(double x) { return double(saturate(x)); }

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte at characters pos, pos+1; -1 when they are not hex.
int hexByte(const QByteArray& data, int pos)
{
    const int hi = hexDigit(data[pos]);
    const int lo = hexDigit(data[pos + 1]);
    return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
}

} // namespace

UDSChannel::UDSChannel()
    : RunChannel(ChannelSetup::FlagUdsChannel, QString(), 0, QString(), Quantity::None)
    , parser(std::make_unique<mu::Parser>())
{
    for (double& b : bytes)
        b = kNaN;
    udsSetup.inputUnit = theUnits.unitless;
    available = false;
    init();
}

UDSChannel::UDSChannel(UDSChannel* other)
    : UDSChannel()
{
    set(other);
}

UDSChannel::~UDSChannel() = default;

void UDSChannel::init()
{
    static const char* const letters[20] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J",
                                            "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T"};
    for (int i = 0; i < 20; ++i)
        parser->DefineVar(letters[i], &bytes[i]);
    parser->DefineFun("S8", signed8, true);
    parser->DefineFun("S16", signed16, true);
    parser->DefineFun("S32", signed32, true);
    static const char* const pidNames[8] = {"_PID_4F_A", "_PID_4F_B", "_PID_4F_C", "_PID_4F_D",
                                            "_PID_50_A", "_PID_50_B", "_PID_50_C", "_PID_50_D"};
    for (int i = 0; i < 8; ++i)
        parser->DefineVar(pidNames[i], &pidVariables[i]);
    connect(this, &UDSChannel::signal_newStatusFromObdThread, this, &UDSChannel::slot_setStatus,
            Qt::DirectConnection);
    connect(this, &UDSChannel::signal_newHeaderFromObdThread, this, &UDSChannel::slot_setHeader,
            Qt::QueuedConnection);
}

bool UDSChannel::set(UDSChannel* other)
{
    udsSetup.header = other->udsSetup.header;
    udsSetup.command = other->udsSetup.command;
    udsSetup.prefixCommands = other->udsSetup.prefixCommands;
    udsSetup.suffixCommands = other->udsSetup.suffixCommands;
    udsSetup.equation = other->udsSetup.equation;
    udsSetup.inputUnit = other->udsSetup.inputUnit;
    udsSetup.priorityGroup = other->udsSetup.priorityGroup;
    udsSetup.vehicleParamId = other->udsSetup.vehicleParamId;
    udsSetup.supportBit = other->udsSetup.supportBit;
    *setup = *other->setup;
    return updateAndCheckEquation(false);
}

QString UDSChannel::getChildName() const
{
    return setup->key.mid(4);
}

void UDSChannel::setChildName(const QString& name)
{
    setup->key = QStringLiteral("UDS_") + name;
    emit setup->signal_keyChanged();
}

bool UDSChannel::evaluate(double& result)
{
    for (int i = 0; i < 4; ++i) {
        pidVariables[i] = theObdPid4F[i].load(std::memory_order_relaxed);
        pidVariables[4 + i] = theObdPid50[i].load(std::memory_order_relaxed);
    }
    try {
        result = parser->Eval();
        return true;
    } catch (mu::Parser::exception_type&) {
        result = kNaN;
        return false;
    }
}

bool UDSChannel::updateAndCheckEquation(bool showErrors)
{
    try {
        parser->SetExpr(udsSetup.equation.toStdString());
        double unused = 0.0;
        for (int i = 0; i < 4; ++i) {
            pidVariables[i] = theObdPid4F[i].load(std::memory_order_relaxed);
            pidVariables[4 + i] = theObdPid50[i].load(std::memory_order_relaxed);
        }
        unused = parser->Eval();
        Q_UNUSED(unused);
    } catch (mu::Parser::exception_type& e) {
        if (showErrors) {
            Tools::showError(tr("Error parsing function equation")
                             + QStringLiteral("\nMessage:  ") + QString::fromStdString(e.GetMsg())
                             + QStringLiteral("\nFormula:  ") + QString::fromStdString(e.GetExpr())
                             + QStringLiteral("\nToken:    ") + QString::fromStdString(e.GetToken())
                             + QStringLiteral("\nPosition: ") + QString::number(e.GetPos())
                             + QStringLiteral("\nErrc:     ") + QString::number(int(e.GetCode())));
        }
        return true;
    }
    return false;
}

void UDSChannel::updateAvailability()
{
    available = currentStatus.load() == Ok && udsSetup.priorityGroup != 0;
}

void UDSChannel::changeStatus(UDSResponse r)
{
    if (currentStatus.load() == r)
        return;
    currentStatus = r;
    theUDSChannelModel.channelStatusChanged(this);
}

double UDSChannel::newByteData(const QByteArray& data, qint64 time)
{
    auto replyFailure = [this]() {
        available = false;
        changeStatus(UnexpectedReply);
        return kNaN;
    };
    if (data.size() < 2)
        return replyFailure();
    for (int k = 0; k < 20; ++k) {
        if (2 * k + 1 < data.size()) {
            const int b = hexByte(data, 2 * k);
            if (b < 0)
                return replyFailure();
            bytes[k] = b;
        } else {
            bytes[k] = kNaN;
        }
    }

    bool unsupported = false;
    const int bit = udsSetup.supportBit;
    if (bit >= 0 && bit <= 7) {
        const int first = hexByte(data, 0);
        if (first < 0)
            return replyFailure();
        unsupported = ((first >> bit) & 1) == 0;
    }

    double value = kNaN;
    bool failed = false;
    if (!unsupported) {
        available = udsSetup.priorityGroup != 0;
        changeStatus(Ok);
        failed = !evaluate(value);
        if (!failed && udsSetup.inputUnit)
            value = udsSetup.inputUnit->getSIValue(value);
    }

    if (!((failed || unsupported) && theObdOptions.keepLastValueOnFailedRead.load())) {
        setData(value, time);
        if (udsSetup.vehicleParamId >= 0)
            theChannels.getVehicleParam(udsSetup.vehicleParamId)->setData(getValue(), time);
    }

    if (failed) {
        available = false;
        changeStatus(UnexpectedReply);
    } else if (std::isnan(value)) {
        available = false;
        changeStatus(NoData);
    }
    return value;
}

void UDSChannel::setStatusFromObdThread(UDSResponse r)
{
    emit signal_newStatusFromObdThread(r);
}

void UDSChannel::setHeaderFromObdThread(QByteArray header)
{
    emit signal_newHeaderFromObdThread(header);
}

void UDSChannel::slot_setStatus(UDSResponse r)
{
    available = r == Ok && udsSetup.priorityGroup != 0;
    changeStatus(r);
}

void UDSChannel::slot_setHeader(QByteArray header)
{
    if (header == udsSetup.automaticHeader)
        return;
    udsSetup.automaticHeader = header;
    theUDSChannelModel.channelHeaderChanged(this);
}

void UDSChannel::updateRegistrationInIterator()
{
    if (theObdThread)
        theObdThread->channelIterator.moveChannel(this, udsSetup.priorityGroup);
}

void UDSChannel::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), getChildName());
    element->setAttribute(QStringLiteral("header"), QString::fromUtf8(udsSetup.header));
    element->setAttribute(QStringLiteral("command"), QString::fromUtf8(udsSetup.command));
    element->setAttribute(QStringLiteral("prefixCommands"), QString::fromUtf8(udsSetup.prefixCommands));
    element->setAttribute(QStringLiteral("suffixCommands"), QString::fromUtf8(udsSetup.suffixCommands));
    element->setAttribute(QStringLiteral("equation"), udsSetup.equation);
    element->setAttribute(QStringLiteral("inputUnit"), udsSetup.inputUnit ? udsSetup.inputUnit->name : QString());
    element->setAttribute(QStringLiteral("priorityGroup"), udsSetup.priorityGroup);
    element->setAttribute(QStringLiteral("vehicleParamId"), udsSetup.vehicleParamId);
    element->setAttribute(QStringLiteral("supportBit"), udsSetup.supportBit);
    element->setAttribute(QStringLiteral("uniqueId"), uint(logId()));
    QDomElement child = element->ownerDocument().createElement(QStringLiteral("variableSetup"));
    setup->writeSetupToDomElement(&child);
    element->appendChild(child);
}

void UDSChannel::parseDomElement(const QDomElement* element, bool fromRunFile)
{
    const QDomElement child = element->firstChildElement(QStringLiteral("variableSetup"));
    if (!child.isNull())
        setup->parseChannelDomElement(&child);
    const Unit* unit = nullptr;
    if (element->hasAttribute(QStringLiteral("inputUnit")))
        unit = theUnits.getUnitByQuantityAndName(setup->quantity, element->attribute(QStringLiteral("inputUnit")));
    if (!unit)
        unit = theUnits.getDefaultUnit(setup->quantity);
    udsSetup.inputUnit = unit ? unit : theUnits.unitless;
    udsSetup.header = element->attribute(QStringLiteral("header")).toLatin1();
    udsSetup.command = element->attribute(QStringLiteral("command")).toLatin1();
    udsSetup.prefixCommands = element->attribute(QStringLiteral("prefixCommands")).toLatin1();
    udsSetup.suffixCommands = element->attribute(QStringLiteral("suffixCommands")).toLatin1();
    udsSetup.equation = element->attribute(QStringLiteral("equation"));
    if (element->hasAttribute(QStringLiteral("analysisMode")))
        setup->sampling = SamplingMode(element->attribute(QStringLiteral("analysisMode")).toInt());

    // Out-of-range numbers would index past the polling groups or feed a
    // vehicle parameter nobody chose: they read as "never polled", "none" and
    // "disabled".
    const int group = element->attribute(QStringLiteral("priorityGroup")).toInt();
    udsSetup.priorityGroup = PriorityGroup((group >= 0 && group < PriorityGroupCount) ? group : 0);
    bool ok = false;
    const int param = element->attribute(QStringLiteral("vehicleParamId")).toInt(&ok);
    udsSetup.vehicleParamId = (element->hasAttribute(QStringLiteral("vehicleParamId")) && ok
                               && param >= 0 && param < VehicleParamCount) ? param : -1;
    if (element->hasAttribute(QStringLiteral("supportBit"))) {
        const int bit = element->attribute(QStringLiteral("supportBit")).toInt();
        udsSetup.supportBit = (bit >= -1 && bit <= 7) ? bit : -1;
    } else {
        udsSetup.supportBit = -1;
    }
    if (fromRunFile)
        uniqueIdOverride = qint64(element->attribute(QStringLiteral("uniqueId")).toUInt());
    updateAndCheckEquation(false);
}
