#pragma once

#include "SerialCommDir.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QStringList>

class QTextStream;
class QTimer;

// Read-only view of the raw traffic with a serial-type device (OBD adapter,
// Modbus function, serial instrument): one line per transfer with arrival
// time, direction, byte count, reply time and the data. Optionally the same
// lines go to a log file in the configuration folder's "log" folder.
//
// A sent line is held back until its reply arrives (or 1 s passes), so that a
// request and its answer appear together; the view is rebuilt at most once
// per 100 ms from the newest 1000 lines.
class SerialCommLog : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int maxLines = 1000;
    static constexpr int txHoldMs = 1000;
    static constexpr int refreshMs = 100;
    static constexpr int headWidth = 28;

    explicit SerialCommLog(QWidget* parent = nullptr);
    ~SerialCommLog() override;

    // Starts a new log file "<name>_<date-time>.txt", replacing the current one.
    void createLogFile(const QString& name);
    void addItem(const QString& line);

    // The line shown for one transfer arriving at `arrival`.
    static QString formatLine(SerialCommDir direction, const QByteArray& data, qint64 operationTime,
                              bool hexMode, const QTime& arrival);

    const QStringList& lines() const { return m_lines; }
    const QString& pendingTxLine() const { return m_pendingTxLine; }
    QString logFileName() const { return m_logFile->fileName(); }
    bool isLogFileOpen() const { return m_logFile->isOpen(); }
    QTimer* txTimer() const { return m_txTimer; }
    QTimer* refreshTimer() const { return m_refreshTimer; }

    // Data shown as hex bytes instead of text; set by the owner right after construction.
    bool hexMode = false;

public Q_SLOTS:
    void slot_newData(SerialCommDir direction, const QByteArray& data, qint64 operationTime = 0);
    void slot_refreshDisplay();
    void slot_txItemAddTimeout();

private:
    void slot_clear();

    QTimer* m_txTimer;
    QTimer* m_refreshTimer;
    QFile* m_logFile;
    QTextStream* m_logStream;
    QString m_pendingTxLine;
    QStringList m_lines;
};
