#include "ModbusInterface.h"

#include "ModbusFunction.h"
#include "lib/Tools.h"

#include <QDebug>
#include <QDomElement>

namespace {

int intAttribute(const QDomElement* element, const QString& name)
{
    bool ok = false;
    const int value = element->attribute(name).toInt(&ok);
    return ok ? value : 0;
}

int waitMs(double seconds)
{
    return int(float(seconds) * 1000.0f);
}

} // namespace

ModbusInterface::ModbusInterface(QObject* parent)
    : QObject(parent)
{
}

ModbusInterface::~ModbusInterface()
{
    qDeleteAll(functions);
    functions.clear();
    delete line;
}

void ModbusInterface::slot_interfaceInit()
{
    resetSocket();
    if (line && line->hasPort())
        executeNextCommand();
}

void ModbusInterface::resetSocket()
{
    if (!line) {
        line = new SerialLine(QStringLiteral("Modbus interface ") + name, this);
        connect(line, &SerialLine::signal_newDataToLog, this, &ModbusInterface::signal_newDataToLog);
        connect(line, &SerialLine::signal_received, this, &ModbusInterface::readDataReceived);
        connect(line, &SerialLine::signal_ready, this, [this] {
            if (!pendingTestQuery.isEmpty())
                sendPendingTestQuery();
            else
                executeNextCommand();
        });
        connect(line, &SerialLine::signal_reopened, this, &ModbusInterface::executeNextCommand);
    }
    line->ownerName = QStringLiteral("Modbus interface ") + name;
    testInFlight = false;
    discard = false;
    line->reset({serialPort, baudrate, dataBits, parity, stopBits, flowControl});
}

void ModbusInterface::executeNextCommand()
{
    if (!line || line->busy())
        return;
    if (paused || held)
        return;
    if (functions.isEmpty()) {
        currentIndex = -1;
        return;
    }
    if (!line->hasPort())
        return;
    if (!line->isOpen()) {
        // Tried again when the port opens.
        line->transact(QByteArray(), 0);
        return;
    }
    currentIndex = currentIndex + 1 >= functions.size() ? 0 : currentIndex + 1;
    ModbusFunction* function = functions.at(currentIndex);
    const QByteArray query = function->generateQuery();
    lastWaitMs = waitMs(function->responseWaitTime);
    testInFlight = false;
    if (query.isEmpty()) {
        // Nothing goes out; the cycle keeps its pace.
        nothingSent = true;
        function->refuseTransaction(SerialLine::now());
        emit signal_newData(qQNaN(), uint8_t(currentIndex), SerialLine::now());
        nothingSent = false;
        line->settle(false, lastWaitMs);
        return;
    }
    line->transact(query, lastWaitMs);
}

void ModbusInterface::writeQuery(const QByteArray& query, float waitSeconds)
{
    pendingTestQuery = query;
    pendingTestWaitMs = int(waitSeconds * 1000.0f);
    if (line && !line->busy())
        sendPendingTestQuery();
}

void ModbusInterface::sendPendingTestQuery()
{
    const QByteArray query = pendingTestQuery;
    pendingTestQuery.clear();
    if (!line || query.isEmpty())
        return;
    lastWaitMs = pendingTestWaitMs;
    testInFlight = line->transact(query, pendingTestWaitMs);
}

void ModbusInterface::readDataReceived(const QByteArray& response)
{
    if (discard) {
        // The reply of a query sent before an edit began: the edited
        // function must not decode it. Polling goes on.
        discard = false;
        testInFlight = false;
        line->settle(false, lastWaitMs);
        return;
    }
    testInFlight = false;
    bool valid = true;
    if (currentIndex >= 0 && currentIndex < functions.size()) {
        const qint64 stamp = line->queryTime();
        double value = qQNaN();
        valid = functions.at(currentIndex)->parseResponse(response, stamp, value);
        emit signal_newData(value, uint8_t(currentIndex), stamp);
    }
    line->settle(valid, lastWaitMs);
}

QString ModbusInterface::portSettingsDescription() const
{
    return SerialLine::settingsDescription({serialPort, baudrate, dataBits, parity, stopBits, flowControl});
}

bool ModbusInterface::addFunction(ModbusFunction* function)
{
    if (functions.size() >= maxFunctions)
        return false;
    function->setParent(nullptr);
    functions.append(function);
    return true;
}

void ModbusInterface::removeFunction(int index)
{
    if (index < 0 || index >= functions.size())
        return;
    delete functions.takeAt(index);
    if (currentIndex >= index)
        --currentIndex;
    if (currentIndex >= functions.size())
        currentIndex = -1;
}

void ModbusInterface::beginEdit(int functionIndex)
{
    paused = true;
    // Only a transaction that is under way has a reply to drop; set with
    // nothing in flight, the flag would swallow the first test reply.
    discard = line && line->transactionInFlight();
    if (functionIndex >= 0 && functionIndex < functions.size())
        currentIndex = functionIndex;
}

void ModbusInterface::endEdit()
{
    paused = false;
    executeNextCommand();
}

void ModbusInterface::parseDomElement(const QDomElement* element, QList<QString>& namesInUse)
{
    name = element->attribute(QStringLiteral("name"));
    serialPort = element->attribute(QStringLiteral("serialPort"));
    baudrate = intAttribute(element, QStringLiteral("baudrate"));
    dataBits = intAttribute(element, QStringLiteral("dataBits"));
    parity = intAttribute(element, QStringLiteral("parity"));
    stopBits = intAttribute(element, QStringLiteral("stopBits"));
    flowControl = intAttribute(element, QStringLiteral("flowControl"));
    for (QDomElement child = element->firstChildElement(QStringLiteral("function")); !child.isNull();
         child = child.nextSiblingElement(QStringLiteral("function"))) {
        if (functions.size() >= maxFunctions) {
            qDebug() << "Modbus interface" << name << ": functions beyond" << maxFunctions << "skipped";
            break;
        }
        auto* function = new ModbusFunction;
        const QString unique = Tools::generateUniqueName(namesInUse, child.attribute(QStringLiteral("name")));
        namesInUse.append(unique);
        function->setChildName(unique);
        function->parseDomElement(&child);
        functions.append(function);
    }
}

void ModbusInterface::writeSetupToDomElement(QDomElement* element) const
{
    element->setAttribute(QStringLiteral("name"), name);
    element->setAttribute(QStringLiteral("serialPort"), serialPort);
    element->setAttribute(QStringLiteral("baudrate"), baudrate);
    element->setAttribute(QStringLiteral("dataBits"), dataBits);
    element->setAttribute(QStringLiteral("parity"), parity);
    element->setAttribute(QStringLiteral("stopBits"), stopBits);
    element->setAttribute(QStringLiteral("flowControl"), flowControl);
    for (const ModbusFunction* function : functions) {
        QDomElement child = element->ownerDocument().createElement(QStringLiteral("function"));
        function->writeSetupToDomElement(&child);
        element->appendChild(child);
    }
}
