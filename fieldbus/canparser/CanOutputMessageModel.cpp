#include "CanOutputMessageModel.h"

#include "Argument.h"
#include "CanOutputChannel.h"
#include "CanOutputMessage.h"
#include "CanWord.h"
#include "ChannelSetup.h"
#include "MySettings.h"
#include "PathSaver.h"
#include "RunChannel.h"
#include "Trigger.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QTimer>

#include <algorithm>

CanOutputMessageModel* theCanOutputMessageModel = nullptr;

namespace {

const QString kFileName = QStringLiteral("canOutputs.xml");

// Six decimals as DBC files usually carry them, unless that text does not
// read back as the same number (1e-7 would print as 0.000000): then the
// shortest text that does.
QString dbcNumber(double value)
{
    const QString fixed = QString::asprintf("%f", value);
    if (fixed.toDouble() == value)
        return fixed;
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString dbcSafeName(const QString& key)
{
    QString name = key;
    for (QChar& c : name) {
        const bool ascii = c.unicode() < 128;
        const bool keep = ascii ? (c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                                   || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
                                : c.isLetterOrNumber();
        if (!keep)
            c = QLatin1Char('_');
    }
    return name;
}

QString hexId(quint32 id)
{
    return QString::number(id, 16).toUpper().rightJustified(3, QLatin1Char('0'));
}

} // namespace

CanOutputMessageModel::CanOutputMessageModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    saveTimer = new QTimer(this);
    saveTimer->setSingleShot(true);
    saveTimer->setInterval(500);
    connect(saveTimer, &QTimer::timeout, this, &CanOutputMessageModel::slot_saveToFile);
}

CanOutputMessageModel::~CanOutputMessageModel()
{
    for (CanOutputMessage* message : std::as_const(messages)) {
        message->neutralizeTrigger();
        delete message;
    }
    messages.clear();
}

int CanOutputMessageModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(messages.size());
}

int CanOutputMessageModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal;
}

QVariant CanOutputMessageModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= messages.size())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const CanOutputMessage* m = messages.at(index.row());
    switch (index.column()) {
    case 0:
        return m->channelId + 1;
    case 1:
        return QStringLiteral("0x") + hexId(m->canId);
    case 2:
        return m->trigger ? m->trigger->getDescription() : QString();
    case 3:
        return m->endianness == Endianness_little ? QStringLiteral("LE") : QStringLiteral("BE");
    case 4: {
        QString text;
        for (int shift = 56; shift >= 0; shift -= 8)
            text += QString::asprintf("%02X ", unsigned((m->initialData >> shift) & 0xFF));
        return text;
    }
    case 5:
        return m->comment;
    default:
        return QVariant();
    }
}

QVariant CanOutputMessageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QVariant();
    static const char* const titles[columnTotal] = {"Ch.", "ID", "Trigger", "Endianness", "Initial value", "Comment"};
    if (section < 0 || section >= columnTotal)
        return QVariant();
    return tr(titles[section]);
}

bool CanOutputMessageModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (row < 0 || count < 1 || row + count > messages.size())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i) {
        CanOutputMessage* message = messages.takeAt(row);
        message->neutralizeTrigger();
        delete message;
    }
    endRemoveRows();
    return true;
}

void CanOutputMessageModel::action_remove(QList<int> rows)
{
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows))
        removeRows(row, 1);
    saveTimer->start();
    emit signal_updatePreview();
}

void CanOutputMessageModel::addOutput(CanOutputMessage* message)
{
    const int row = int(messages.size());
    beginInsertRows(QModelIndex(), row, row);
    messages.append(message);
    endInsertRows();
}

// ---------------------------------------------------------------- files

void CanOutputMessageModel::keepMalformedFile(const QString& reason)
{
    // The next save would replace the operator's only copy with an empty list.
    const QString badPath = Tools::keepMalformedFile(fileName);
    qDebug().noquote() << "CAN outputs file" << fileName << "unreadable:" << reason;
    if (badPath.isEmpty()) {
        saveAllowed = false;
        emit signal_emitError(tr("The CAN outputs file %1 could not be read (%2).\nNo CAN output messages were "
                                 "loaded; changes will not be saved until the file is repaired or removed.")
                                  .arg(fileName, reason));
    } else {
        emit signal_emitError(tr("The CAN outputs file %1 could not be read (%2).\nIt was kept as %3; no CAN "
                                 "output messages were loaded.")
                                  .arg(fileName, reason, badPath));
    }
}

void CanOutputMessageModel::loadFromFile()
{
    fileName = theSettings.settingsDir.filePath(kFileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    file.close();
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(text, &message, &line, &column))
        keepMalformedFile(tr("line %1, column %2: %3").arg(line).arg(column).arg(message));
    else if (document.documentElement().tagName() != QLatin1String("canOutputs"))
        keepMalformedFile(tr("the root element is not canOutputs"));
    else
        loadFromString(text);
}

void CanOutputMessageModel::loadFromString(const QString& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return;
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("canOutputs"))
        return;
    for (QDomElement element = root.firstChildElement(QStringLiteral("canOutput")); !element.isNull();
         element = element.nextSiblingElement(QStringLiteral("canOutput"))) {
        auto* message = new CanOutputMessage();
        message->parseDomElement(&element);
        addOutput(message);
    }
}

QString CanOutputMessageModel::setupToString(const QList<int>& rows) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("canOutputs"));
    document.appendChild(root);
    QList<int> order = rows;
    if (order.isEmpty()) {
        for (int row = 0; row < messages.size(); ++row)
            order.append(row);
    }
    for (int row : std::as_const(order)) {
        if (row < 0 || row >= messages.size())
            continue;
        QDomElement element = document.createElement(QStringLiteral("canOutput"));
        messages.at(row)->writeSetupToDomElement(&element);
        root.appendChild(element);
    }
    return document.toString(1);
}

void CanOutputMessageModel::slot_saveToFile()
{
    if (fileName.isEmpty() || !saveAllowed) {
        qDebug() << "Error writing canOutputs.xml file";
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        qDebug() << "Error writing canOutputs.xml file";
        return;
    }
    file.write(setupToString().toUtf8());
    if (!file.commit())
        qDebug() << "Error writing canOutputs.xml file";
}

void CanOutputMessageModel::action_import()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openXml, tr("Import CAN outputs configuration files"));
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            loadFromString(QString::fromUtf8(file.readAll()));
    }
}

bool CanOutputMessageModel::exportToFile(const QList<int>& rows, const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(setupToString(rows.isEmpty() ? QList<int> {-1} : rows).toUtf8());
    return file.commit();
}

bool CanOutputMessageModel::exportDbcToFile(const QList<int>& rows, const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(dbcText(rows).toUtf8());
    return file.commit();
}

void CanOutputMessageModel::action_export(const QList<int>& rows)
{
    const QString path =
        thePathSaver.getSaveFileName(Path::saveXml, tr("Export CAN message setup"), kFileName);
    if (path.isEmpty())
        return;
    if (!exportToFile(rows, path))
        Tools::showError(tr("Error opening output file"));
}

void CanOutputMessageModel::action_exportDBC(const QList<int>& rows)
{
    const QString path = thePathSaver.getSaveFileName(Path::saveDbc, tr("Export CAN message setup in DBC format"),
                                                      QStringLiteral("canOutputs.dbc"));
    if (path.isEmpty())
        return;
    if (!exportDbcToFile(rows, path))
        Tools::showError(tr("Error opening output file"));
}

QString CanOutputMessageModel::dbcText(const QList<int>& rows) const
{
    static const char* const keywords[] = {
        "NS_DESC_",      "CM_",           "BA_DEF_",        "BA_",          "VAL_",         "CAT_DEF_",
        "CAT_",          "FILTER",        "BA_DEF_DEF_",    "EV_DATA_",     "ENVVAR_DATA_", "SGTYPE_",
        "SGTYPE_VAL_",   "BA_DEF_SGTYPE_", "BA_SGTYPE_",    "SIG_TYPE_REF_", "VAL_TABLE_",  "SIG_GROUP_",
        "SIG_VALTYPE_",  "SIGTYPE_VALTYPE_", "BO_TX_BU_",   "BA_DEF_REL_",  "BA_REL_",      "BA_DEF_DEF_REL_",
        "BU_SG_REL_",    "BU_EV_REL_",    "BU_BO_REL_",     "SG_MUL_VAL_"};
    QString text = QStringLiteral("VERSION \"\"\n\n\nNS_ :\n");
    for (const char* keyword : keywords)
        text += QLatin1Char('\t') + QLatin1String(keyword) + QLatin1Char('\n');
    text += QStringLiteral("\nBS_:\n\nBU_:\n\n\n");
    QSet<QString> usedNames;
    for (int row : rows) {
        if (row < 0 || row >= messages.size())
            continue;
        const CanOutputMessage* m = messages.at(row);
        QMutexLocker lock(&m->mutex);
        const quint32 id = m->canId & 0x1FFFFFFFu;
        // An identifier that does not fit 11 bits is an extended frame; DBC
        // readers need the flag (bit 31) to take it as one.
        const quint32 dbcId = id > 0x7FFu ? (id | 0x80000000u) : id;
        const QString messageName = QLatin1Char('_') + hexId(m->canId);
        usedNames.insert(messageName);
        text += QStringLiteral("BO_ %1 %2: 8 Vector__XXX\n").arg(dbcId).arg(messageName);
        for (const CanOutputChannel* channel : m->channels) {
            const RunChannel* source = channel->argument ? channel->argument->getChannel() : nullptr;
            if (!source || !source->setup)
                continue;
            if (channel->multiplier == 0.0) {
                qDebug().noquote() << "DBC export: signal" << source->setup->key << "of message" << messageName
                                   << "left out: its multiplier is 0";
                continue;
            }
            QString name = dbcSafeName(source->setup->key);
            while (usedNames.contains(name))
                name += QLatin1Char('_');
            usedNames.insert(name);
            const int start = m->endianness == Endianness_little
                                  ? channel->startBit()
                                  : CanWord::wordStartToMotorola(channel->startBit(), channel->bitCount);
            const QString unit = source->setup->unit ? source->setup->unit->name : QString();
            text += QStringLiteral("\tSG_ %1 : %2|%3@%4%5 (%6,%7) [0|0] \"%8\" Vector__XXX\n")
                        .arg(name)
                        .arg(start)
                        .arg(channel->bitCount)
                        .arg(m->endianness == Endianness_little ? 1 : 0)
                        .arg(channel->isSigned == Signedness_signed ? QLatin1Char('-') : QLatin1Char('+'))
                        .arg(dbcNumber(channel->divider / channel->multiplier))
                        .arg(dbcNumber(-channel->offset + 0.0))
                        .arg(unit);
        }
        text += QLatin1Char('\n');
    }
    text += QLatin1Char('\n');
    return text;
}
