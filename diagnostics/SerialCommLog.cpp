#include "SerialCommLog.h"

#include "lib/Tools.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>

SerialCommLog::SerialCommLog(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_txTimer(new QTimer(this))
    , m_refreshTimer(new QTimer(this))
    , m_logFile(new QFile(this))
    , m_logStream(new QTextStream())
{
    qRegisterMetaType<SerialCommDir>("SerialCommDir");
    setReadOnly(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    m_txTimer->setObjectName(QStringLiteral("txTimer"));
    m_txTimer->setSingleShot(true);
    m_txTimer->setInterval(txHoldMs);
    connect(m_txTimer, &QTimer::timeout, this, &SerialCommLog::slot_txItemAddTimeout);

    m_refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(refreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &SerialCommLog::slot_refreshDisplay);

    auto* clearAction = new QAction(tr("Clear"), this);
    connect(clearAction, &QAction::triggered, this, &SerialCommLog::slot_clear);
    addAction(clearAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

SerialCommLog::~SerialCommLog()
{
    delete m_logStream;
}

QString SerialCommLog::formatLine(SerialCommDir direction, const QByteArray& data, qint64 operationTime,
                                  bool hexMode, const QTime& arrival)
{
    QString head = arrival.toString(QStringLiteral("hh:mm:ss.zzz"));
    if (direction == SerialCommDir::Tx)
        head += QStringLiteral(" \u2190 (%1) ").arg(data.size());
    else
        head += QStringLiteral(" \u2192 (%1;%2ms) ").arg(data.size()).arg(operationTime);
    // A longer head stays whole; only a shorter one is padded.
    head = head.leftJustified(headWidth, QLatin1Char(' '), false);

    if (hexMode)
        return head + Tools::hexStringFromByteArray(data);
    QString text = QString::fromUtf8(data);
    text.replace(QLatin1Char('\r'), QChar(0x240D));
    text.replace(QLatin1Char('\n'), QChar(0x240A));
    return head + text;
}

void SerialCommLog::slot_newData(SerialCommDir direction, const QByteArray& data, qint64 operationTime)
{
    const QString line = formatLine(direction, data, operationTime, hexMode, QTime::currentTime());
    if (direction == SerialCommDir::Rx) {
        if (!m_pendingTxLine.isEmpty()) {
            addItem(m_pendingTxLine);
            m_pendingTxLine.clear();
        }
        addItem(line);
        m_txTimer->stop();
    } else {
        if (!m_pendingTxLine.isEmpty())
            addItem(m_pendingTxLine);
        m_pendingTxLine = line;
        m_txTimer->start();
    }
    if (m_logFile->isOpen())
        *m_logStream << line << '\n';
}

void SerialCommLog::slot_txItemAddTimeout()
{
    if (m_pendingTxLine.isEmpty())
        return;
    addItem(m_pendingTxLine);
    m_pendingTxLine.clear();
}

void SerialCommLog::addItem(const QString& line)
{
    m_lines.append(line);
    while (m_lines.size() > maxLines)
        m_lines.removeFirst();
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

void SerialCommLog::slot_refreshDisplay()
{
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    const int keep = bar->value();
    setPlainText(m_lines.join(QLatin1Char('\n')));
    if (atBottom)
        bar->setValue(bar->maximum());
    else
        bar->setValue(keep);
    // Flushed here rather than per line: a crash still keeps everything up to
    // the last refresh, and a busy adapter does not cost a write per transfer.
    if (m_logFile->isOpen())
        m_logStream->flush();
}

void SerialCommLog::slot_clear()
{
    m_lines.clear();
    m_refreshTimer->start();
}

void SerialCommLog::createLogFile(const QString& name)
{
    if (m_logFile->isOpen()) {
        m_logStream->flush();
        m_logFile->close();
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
    // A switch-on within the same second still starts a file of its own.
    const QString base = QDir::homePath() + QStringLiteral("/.zembo/log/") + name + QLatin1Char('_') + stamp;
    QString path = base + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QLatin1Char('_') + QString::number(n) + QStringLiteral(".txt");
    m_logFile->setFileName(path);
    if (!m_logFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    m_logStream->setDevice(m_logFile);
    *m_logStream << name << " log start " << stamp << '\n';
}
