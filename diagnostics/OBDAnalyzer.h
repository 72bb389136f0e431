#pragma once

#include "FrameRecords.h"
#include "ISOTPAssembler.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QTextStream>

class QFile;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// Passive view of the diagnostic traffic on one of the controller's CAN
// buses: one entry per OBD/UDS frame (with the decoded service once a message
// is complete) in a view and a log file, and the service-22 answers it sees,
// which it can turn into UDS channels. It never sends anything.
class OBDAnalyzer : public QDialog
{
    Q_OBJECT
public:
    static constexpr int maxLines = 1000;
    static constexpr int refreshMs = 100;

    struct Service22 {
        QByteArray header;
        QByteArray command;
        QByteArray data;
        int dataLength = 0;
    };

    OBDAnalyzer(QWidget* parent, int canChannel);
    ~OBDAnalyzer() override;

    // Opens the analyser for wizard id 15 (the button's index is the bus).
    static void registerOpener();

    void refreshServicesDisplay();
    void addLine(const QString& line);
    void findService22(int id, const unsigned char* data);
    void processFrame(const canFrame_t& frame);

    int canChannel = 0;
    QTimer* refreshTimer = nullptr;
    QFile* logFile = nullptr;
    QTextStream logStream;
    QPlainTextEdit* trafficView = nullptr;
    QStringList lines;
    QPlainTextEdit* servicesView = nullptr;
    int lastRequestId = 0;
    QByteArray lastRequestData;
    QMap<QByteArray, Service22> detectedServices;
    QPushButton* generateButton = nullptr;

public Q_SLOTS:
    void slot_refreshDisplay();
    void slot_newCanFrameBatch(QList<canFrame_t> canFrameBatch);
    void slot_clear();
    void slot_generateUDSChannels();

private:
    // One assembler per identifier: two ECUs answering at once with
    // multi-frame messages would otherwise splice each other's bytes.
    QHash<int, ISOTPAssembler> trafficAssemblers;
    QHash<int, ISOTPAssembler> service22Assemblers;
};
