#pragma once

#include "RunChannel.h"
#include "UDSChannelSetup.h"
#include "UDSResponse.h"

#include <QByteArray>

#include <atomic>
#include <memory>

class QDomElement;
namespace mu { class Parser; }

// One value read from the vehicle through the OBD adapter: the OBD thread
// hands it the data bytes of each reply; the user's equation over them gives
// the value, stored like any live channel and optionally fed to a vehicle
// parameter.
class UDSChannel : public RunChannel
{
    Q_OBJECT
public:
    UDSChannel();
    explicit UDSChannel(UDSChannel* other);
    ~UDSChannel() override;

    // Copies the user's settings (not the status, automatic header or id);
    // true when the equation is bad.
    bool set(UDSChannel* other);

    QString getChildName() const override;
    void setChildName(const QString& name) override;

    // True when the equation does not parse or its test evaluation fails.
    bool updateAndCheckEquation(bool showErrors);

    // `data`: the reply's data as hex text, without the echoed service and id.
    double newByteData(const QByteArray& data, qint64 time);

    void setStatusFromObdThread(UDSResponse r);
    void setHeaderFromObdThread(QByteArray header);
    UDSResponse status() const { return UDSResponse(currentStatus.load()); }

    void updateRegistrationInIterator();

    void writeSetupToDomElement(QDomElement* element) const;
    void parseDomElement(const QDomElement* element, bool fromRunFile);

    // The id under which the channel's values are logged.
    quint16 logId() const { return quint16(uniqueIdOverride >= 0 ? uniqueIdOverride : uniqueId); }
    // Gives a live channel another recorded id (the model keeps them distinct).
    void setLogId(quint16 id) { uniqueIdOverride = id; }

    UDSChannelSetup udsSetup;
    int registeredGroup = 0;

Q_SIGNALS:
    void signal_newHeaderFromObdThread(QByteArray header);
    void signal_newStatusFromObdThread(UDSResponse r);

public Q_SLOTS:
    void slot_setStatus(UDSResponse r);
    void slot_setHeader(QByteArray header);

private:
    void init();
    void changeStatus(UDSResponse r);
    void updateAvailability();
    bool evaluate(double& result);

    double bytes[20];
    double pidVariables[8] = {};
    std::unique_ptr<mu::Parser> parser;
    std::atomic<int> currentStatus {NotSupported};
    qint64 uniqueIdOverride = -1;
};
