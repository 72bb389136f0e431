#pragma once

#include "RunChannel.h"
#include "lib/FieldBusEnums.h"

#include <QByteArray>
#include <QString>

class QDomElement;
class Unit;

// One number read from a serial instrument: the command that asks for it and
// the linear scaling into SI; the live channel "S_<name>". Its device sends
// the command and hands the reply to decodeReply.
class SerialInputChannel : public RunChannel
{
    Q_OBJECT
public:
    SerialInputChannel();
    ~SerialInputChannel() override;

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    void parseDomElement(const QDomElement* element);
    void writeSetupToDomElement(QDomElement* element) const;

    // The bytes of a command: the body by the command format, then the
    // terminator of the new-line type.
    static QByteArray encodeCommand(const QString& command, int commandFormat, int newLineType);
    // The number of a reply by the reply format after the line is cut at the
    // first CR and optionally cleaned of spaces and of the command's echo;
    // false when the reply holds no number of that format.
    static bool readNumber(QByteArray reply, int replyFormat, bool removeSpaces, int echoLength, double* number);
    // The channel's SI value of a reply; false when it holds no number.
    bool decodeReply(const QByteArray& reply, int replyFormat, bool removeSpaces, bool removeEcho,
                     double* value) const;

    QString command;
    double multiplier = 1.0;
    double divider = 1.0;
    double offset = 0.0;
    const Unit* inputUnit = nullptr;
};
