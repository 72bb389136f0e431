#pragma once

#include "SerialCommDir.h"
#include "SerialLine.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

class ModbusFunction;
class QDomElement;

// One serial line on which the program is Modbus RTU master: polls its
// functions in turn, one transaction at a time, for as long as it lives.
// Every value is stamped with the moment its query had been completely
// written. GUI thread only.
class ModbusInterface : public QObject
{
    Q_OBJECT
public:
    // Functions one interface can tell apart in recordings (8-bit index).
    static constexpr int maxFunctions = 256;

    explicit ModbusInterface(QObject* parent = nullptr);
    ~ModbusInterface() override;

    void resetSocket();
    void executeNextCommand();
    // A query typed by the operator: sent at once when the line is free,
    // otherwise right after the transaction in flight, never into its wait.
    void writeQuery(const QByteArray& query, float waitSeconds);
    QString portSettingsDescription() const;

    // Refused (false) beyond maxFunctions.
    bool addFunction(ModbusFunction* function);
    void removeFunction(int index);
    const QList<ModbusFunction*>& functionList() const { return functions; }

    // Editing of one function (-1: the interface itself): no new query starts;
    // the reply of a transaction in flight is dropped. endEdit resumes.
    void beginEdit(int functionIndex);
    void endEdit();

    void parseDomElement(const QDomElement* element, QList<QString>& namesInUse);
    void writeSetupToDomElement(QDomElement* element) const;

    bool isPolling() const { return line && line->isOpen(); }
    int currentFunctionIndex() const { return currentIndex; }
    qint64 queryTime() const { return line ? line->queryTime() : 0; }

    QString name;
    QString serialPort;
    int baudrate = 9600;
    int dataBits = 8;
    int parity = 0;
    int stopBits = 1;
    int flowControl = 0;
    bool held = false;

Q_SIGNALS:
    void signal_newData(double data, uint8_t channelId, qint64 timestamp);
    void signal_newDataToLog(SerialCommDir direction, const QByteArray& data, qint64 operationTime = 0);

public Q_SLOTS:
    void slot_interfaceInit();

private:
    void readDataReceived(const QByteArray& response);
    void sendPendingTestQuery();

    QList<ModbusFunction*> functions;
    SerialLine* line = nullptr;
    int currentIndex = -1;
    bool paused = false;
    bool discard = false;
    // The transaction in flight is the operator's test query.
    bool testInFlight = false;
    // The in-flight function sent nothing (a write without a source value).
    bool nothingSent = false;
    QByteArray pendingTestQuery;
    int pendingTestWaitMs = 0;
    int lastWaitMs = 0;
};
