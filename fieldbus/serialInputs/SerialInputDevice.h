#pragma once

#include "SerialCommDir.h"
#include "SerialInputDeviceSetup.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QDomElement;
class SerialInputChannel;
class SerialLine;

// One serial instrument: sends its init commands, then asks its channels for
// their numbers in turn, one command in flight, each value stamped with the
// moment its command had been completely written. GUI thread only.
class SerialInputDevice : public QObject
{
    Q_OBJECT
public:
    // Channels one device can tell apart in recordings (8-bit number).
    static constexpr int maxChannels = 256;

    SerialInputDevice();
    ~SerialInputDevice() override;

    void resetSocket();
    void executeNextCommand();
    QString portSettingsDescription() const;

    // Refused (false) beyond maxChannels.
    bool addChannel(SerialInputChannel* channel);
    void removeChannel(int index);
    const QList<SerialInputChannel*>& channelList() const { return channels; }

    void parseDomElement(const QDomElement* element, QList<QString>& usedNames);
    void writeSetupToDomElement(QDomElement* element) const;

    int currentChannelIndex() const { return currentIndex; }
    qint64 valueTimestamp() const;

    SerialInputDeviceSetup def;
    bool deviceEditPause = false;
    bool channelEditPause = false;

Q_SIGNALS:
    void signal_newDataToLog(SerialCommDir direction, const QByteArray& data, qint64 operationTime = 0);
    void signal_newData(double data, uint8_t channelId, qint64 timestamp);

public Q_SLOTS:
    void slot_deviceInit();
    // A command sent by hand (test or custom command): at once when the line
    // is free, else right after the reply being awaited, never into its wait.
    void writeCommand(const QString& command, float responseWaitTimeSI);

private:
    bool sendNow(const QString& command, float waitSeconds);
    void readDataReceived(const QByteArray& reply);

    QList<SerialInputChannel*> channels;
    QStringList initQueue;
    int currentIndex = -1;
    SerialLine* line = nullptr;
    int lastWaitMs = 0;
    // What the reply in flight answers.
    enum class InFlight { nothing, init, channel, manual } inFlight = InFlight::nothing;
    QString pendingCommand;
    float pendingWait = 0.0f;
    bool pendingManual = false;
};
