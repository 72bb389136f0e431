#pragma once

#include "RunChannel.h"
#include "lib/FieldBusEnums.h"

#include <QByteArray>
#include <QString>

class Argument;
class QDomElement;
class Unit;

// One Modbus RTU request polled again and again on its interface's line, and
// the live channel "M_<name>" that shows its result: a read of one coil,
// discrete input, holding or input register scaled into SI, or a write of one
// coil or register from an argument, whose confirmed value becomes the
// channel's.
class ModbusFunction : public RunChannel
{
    Q_OBJECT
public:
    explicit ModbusFunction(QObject* parent = nullptr);
    ~ModbusFunction() override;

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    // The whole query frame, CRC included; empty for a code outside 1..6 and
    // for a write whose source has no finite value (nothing must be sent: a
    // stale channel would otherwise write 0 to a set point). A preview leaves
    // the last source and written values alone, so a query in flight is still
    // checked against what it carried.
    QByteArray generateQuery(bool preview = false);
    // Why generateQuery returned nothing (empty when it built a query).
    QString refusal() const { return refusalText; }

    // Checks and decodes a response; value NaN on any failure; stores it in
    // the channel stamped `timestamp`. True when the response was valid.
    bool parseResponse(const QByteArray& response, qint64 timestamp, double& value);
    // A transaction that sent nothing: NaN with the reason.
    void refuseTransaction(qint64 timestamp);

    void parseDomElement(const QDomElement* element);
    void writeSetupToDomElement(QDomElement* element) const;

    QString getModbusValueString() const;
    void updateArgumentPointer();

    static QString exceptionText(int code);

    int slaveId = 1;
    ModbusFunctionCode functionCode = ModbusFunctionCode_writeSingleRegister;
    int address = 1;
    double responseWaitTime = 0.1;
    const Unit* inputUnit = nullptr;
    Argument* argument = nullptr;
    const Unit* outputUnit = nullptr;
    double multiplier = 1.0;
    double divider = 1.0;
    double offset = 0.0;
    bool responseTextsEnabled = false;

    double lastSourceValue() const { return sourceValue; }
    quint16 lastWrittenValue() const { return writtenValue; }

Q_SIGNALS:
    void signal_responseString(QString& response);
    void signal_responseInterpretation(QString& interpretation);

private:
    void finish(const QByteArray& response, const QString& failure, double value, qint64 timestamp);

    double sourceValue = qQNaN();
    quint16 writtenValue = 0;
    QString refusalText;
};
