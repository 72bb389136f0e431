// The imports of the CAN inputs page (DBC and .canx files) and the replay of
// .trace files.
#include "CanInputsModel.h"

#include "CanInput.h"
#include "CanWord.h"
#include "ChannelSetup.h"
#include "PathSaver.h"
#include "RunThread.h"
#include "lib/Tools.h"
#include "lib/Units.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

#include <cmath>

namespace {

const char* const kDbcContext = "void CanInputsModel::action_importDBC()";
const char* const kExtractionContext =
    "int CanInputsModel::parseDBCExtractionString(const QString&, int&, int&, Endianness&, Signedness&)";

void logDbc(const char* message, const QString& line)
{
    qDebug().noquote() << kDbcContext << message << line;
}

// A decimal number of at most 32 bits (a DBC identifier with its extended flag).
bool parseId32(const QString& text, quint32& id)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return false;
    id = quint32(value);
    return true;
}

bool parsePair(const QString& part, QChar separator, double& first, double& second, const char* whole,
               const char* firstError, const char* secondError, const QString& line)
{
    const QStringList pieces = part.mid(1, part.size() - 2).split(separator);
    if (pieces.size() != 2) {
        logDbc(whole, line);
        return false;
    }
    bool ok = false;
    first = pieces.at(0).toDouble(&ok);
    if (!ok) {
        logDbc(firstError, line);
        return false;
    }
    second = pieces.at(1).toDouble(&ok);
    if (!ok) {
        logDbc(secondError, line);
        return false;
    }
    return true;
}

// An input reads its multiplexer from its own extraction word, which is
// byte-reversed for the other byte order: a multiplexer within one data byte
// is the same byte there with its bits in place.
void placeMultiplexer(CanInput* input, int start, int size, Endianness muxEndianness, const QString& line)
{
    if (input->def.endianness != muxEndianness) {
        if (start < 0 || start / 8 != (start + size - 1) / 8)
            logDbc("Multiplexer spans data bytes in the other byte order; its position is kept as read", line);
        else
            start = (7 - start / 8) * 8 + start % 8;
    }
    input->def.compoundIdBitOffset = start;
    input->def.compoundIdBitCount = size;
}

} // namespace

struct DbcImportState {
    bool haveMessage = false;
    quint32 id = 0;
    QString name;
    bool haveMux = false;
    int muxStart = 0;
    int muxSize = 0;
    Endianness muxEndianness = Endianness_big;
    QList<CanInput*> waiting;
    QHash<QPair<quint32, QString>, CanInput*> table;
};

QStringList CanInputsModel::splitDBCLineToStringList(const QString& line)
{
    QStringList parts;
    QString current;
    bool inPart = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            qsizetype end = line.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                end = line.size();
            current += line.mid(i + 1, end - i - 1);
            parts.append(current);
            current.clear();
            inPart = false;
            i = end;
            continue;
        }
        if (c.isSpace()) {
            if (inPart) {
                parts.append(current);
                current.clear();
                inPart = false;
            }
            continue;
        }
        current += c;
        inPart = true;
    }
    if (inPart)
        parts.append(current);
    return parts;
}

bool CanInputsModel::parseDBCExtractionString(const QString& text, int& startBit, int& bitSize,
                                              Endianness& endianness, Signedness& signedness)
{
    auto fail = [&](const char* message) {
        qDebug().noquote() << kExtractionContext << message << text;
        return true;
    };
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() != 2)
        return fail("Invalid signal extraction string. Missing '|'");
    bool ok = false;
    const int dbcStart = parts.at(0).toInt(&ok, 10);
    if (!ok)
        return fail("Invalid starting bit");
    const QStringList sizeParts = parts.at(1).split(QLatin1Char('@'));
    if (sizeParts.size() != 2)
        return fail("Invalid signal extraction string. Missing '@'");
    const int size = sizeParts.at(0).toInt(&ok, 10);
    if (!ok)
        return fail("Invalid bit size");
    const QString flags = sizeParts.at(1);
    if (flags.size() != 2)
        return fail("Endianness of signedness invalid");
    endianness = flags.at(0) == QLatin1Char('0') ? Endianness_big : Endianness_little;
    signedness = flags.at(1) == QLatin1Char('-') ? Signedness_signed : Signedness_unsigned;
    bitSize = size;
    startBit = endianness == Endianness_little ? dbcStart : CanWord::motorolaToWordStart(dbcStart, size);
    return false;
}

void CanInputsModel::action_importDBC()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openDbc, tr("Select CAN DBC configuration files"));
    for (const QString& path : files) {
        qDebug().noquote() << "Import DBC: " << path;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        importDbcBytes(file.readAll());
    }
}

void CanInputsModel::importDbcBytes(const QByteArray& bytes)
{
    // Valid UTF-8 (where the degree sign is C2 B0) is read as such; anything
    // else is an 8-bit file and read as Latin-1, which gives the same
    // characters for the units these files use ("°", "²", "³").
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        text = QString::fromLatin1(bytes);
    DbcImportState state;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines)
        importDbcLine(raw.trimmed(), state);
    rebuildParsingMap();
}

void CanInputsModel::importDbcLine(const QString& line, DbcImportState& state)
{
    if (line.startsWith(QLatin1String("BO_"))) {
        state.waiting.clear();
        state.haveMux = false;
        state.haveMessage = false;
        const QStringList parts = splitDBCLineToStringList(line);
        if (parts.size() != 5) {
            logDbc("Message definition invalid", line);
            return;
        }
        quint32 id = 0;
        if (!parseId32(parts.at(1), id)) {
            qDebug().noquote() << kDbcContext << "Invalid CAN id" << parts.at(1) << line;
            return;
        }
        bool ok = false;
        const int dlc = parts.at(3).toInt(&ok, 10);
        if (!ok) {
            logDbc("Invalid dlc number", line);
            return;
        }
        if (dlc < 1) {
            logDbc("Invalid DLC", line);
            return;
        }
        if (dlc > 8) {
            logDbc("DLC longer than 8 not supported yet", line);
            return;
        }
        state.haveMessage = true;
        state.id = id & 0x1FFFFFFFu;
        state.name = parts.at(2).left(parts.at(2).size() - 1);
        return;
    }
    if (line.startsWith(QLatin1String("SG_"))) {
        if (!state.haveMessage) {
            logDbc("Signal line dropped due to invalid CAN ID", line);
            return;
        }
        const QStringList parts = splitDBCLineToStringList(line);
        bool multiplexed = false;
        int muxValue = 0;
        int first = 3; // the position's part
        if (parts.size() == 9 && parts.at(2) == QLatin1String("M")) {
            int start = 0;
            int size = 0;
            Endianness endianness = Endianness_big;
            Signedness signedness = Signedness_unsigned;
            if (parseDBCExtractionString(parts.at(4), start, size, endianness, signedness)) {
                logDbc("Error parsing extraction string", line);
                return;
            }
            state.haveMux = true;
            state.muxStart = start;
            state.muxSize = size;
            state.muxEndianness = endianness;
            for (CanInput* input : std::as_const(state.waiting))
                placeMultiplexer(input, start, size, endianness, line);
            state.waiting.clear();
            return;
        }
        if (parts.size() == 9 && parts.at(2).startsWith(QLatin1Char('m'))) {
            bool ok = false;
            muxValue = parts.at(2).mid(1).toInt(&ok, 10);
            if (!ok) {
                logDbc("Invalid mux id number", line);
                return;
            }
            multiplexed = true;
            first = 4;
        } else if (parts.size() != 8) {
            logDbc("Invalid signal definition", line);
            return;
        }
        int start = 0;
        int size = 0;
        Endianness endianness = Endianness_big;
        Signedness signedness = Signedness_unsigned;
        if (parseDBCExtractionString(parts.at(first), start, size, endianness, signedness)) {
            logDbc("Error parsing extraction string", line);
            return;
        }
        // A field outside the frame would be stored with negative offsets or
        // read bits that do not exist.
        if (start < 0 || size < 1 || size > 64 || start + size > 64) {
            logDbc("Signal field outside the 8 data bytes", line);
            return;
        }
        double factor = 1.0;
        double offset = 0.0;
        if (!parsePair(parts.at(first + 1), QLatin1Char(','), factor, offset, "Invalid scale and offset",
                       "Invalid scale", "Invalid offset", line))
            return;
        double minimum = 0.0;
        double maximum = 0.0;
        if (!parsePair(parts.at(first + 2), QLatin1Char('|'), minimum, maximum, "Invalid range", "Invalid min",
                       "Invalid max", line))
            return;
        const QString unitText = parts.at(first + 3);
        const Unit* unit = theUnits.getUnitFromImportedUnitString(unitText);
        if (!unit) {
            if (!unitText.isEmpty())
                logDbc("Not recognized unit", line);
            unit = theUnits.getDefaultUnit(Quantity::None);
        }
        const QString signalName = parts.at(1);
        auto* input = new CanInput();
        input->setChildName(Tools::generateUniqueName(listInputNames(), state.name + QStringLiteral(" - ") + signalName));
        CanInputDefinition& d = input->def;
        d.canId = qint32(state.id);
        d.byteOffset = start / 8;
        d.bitOffset = start % 8;
        d.bitCount = size;
        d.endianness = endianness;
        d.isSigned = signedness;
        d.multiplier = factor;
        d.divider = 1.0;
        d.offset = offset;
        d.inputUnit = unit;
        ChannelSetup* setup = input->setup;
        setup->displayName = signalName;
        setup->quantity = unit->quantity;
        setup->unit = unit;
        setup->rangeMin = unit->getSIValue(minimum);
        setup->rangeMax = unit->getSIValue(maximum);
        setup->autorangeMin = setup->autorangeMax = (minimum == maximum);
        if (multiplexed) {
            d.compoundMessage = true;
            d.compoundId = muxValue;
            if (state.haveMux) {
                placeMultiplexer(input, state.muxStart, state.muxSize, state.muxEndianness, line);
            } else {
                state.waiting.append(input);
            }
        }
        emit setup->signal_setupChanged();
        addInput(input);
        state.table.insert({state.id, signalName}, input);
        return;
    }
    if (line.startsWith(QLatin1String("CM_ SG_"))) {
        const QStringList parts = splitDBCLineToStringList(line.left(line.size() - 1));
        quint32 id = 0;
        if (parts.size() != 5 || !parseId32(parts.at(2), id))
            return;
        if (CanInput* input = state.table.value({id & 0x1FFFFFFFu, parts.at(3)}))
            input->setup->comment = parts.at(4);
        return;
    }
    if (line.startsWith(QLatin1String("VAL_"))) {
        const QStringList parts = splitDBCLineToStringList(line.left(line.size() - 1));
        quint32 id = 0;
        if (parts.size() <= 4 || !parseId32(parts.at(1), id))
            return;
        CanInput* input = state.table.value({id & 0x1FFFFFFFu, parts.at(2)});
        if (!input)
            return;
        QMap<int, QString> labels;
        for (qsizetype i = 3; i + 1 < parts.size(); i += 2) {
            bool ok = false;
            const int value = parts.at(i).toInt(&ok, 10);
            if (ok)
                labels.insert(value, parts.at(i + 1));
        }
        if (labels.isEmpty())
            return;
        ChannelSetup* setup = input->setup;
        setup->labels = labels;
        setup->quantity = Quantity::Enumerated;
        setup->unit = theUnits.getDefaultUnit(Quantity::Enumerated);
        setup->sampling = SamplingMode::SampleAndHold;
        input->def.inputUnit = theUnits.getDefaultUnit(Quantity::Enumerated);
        emit setup->signal_setupChanged();
    }
}

// ---------------------------------------------------------------- .canx

void CanInputsModel::action_importCANX()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openCanx, tr("Select CAN Input configuration files"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        importCanxBytes(file.readAll(), QFileInfo(path).completeBaseName());
    }
}

void CanInputsModel::importCanxBytes(const QByteArray& bytes, const QString& baseName)
{
    QDomDocument document;
    if (!document.setContent(bytes))
        return;
    auto uintAttribute = [](const QDomElement& e, const QString& name, const QString& fallback, int base) {
        bool ok = false;
        const uint value = e.attribute(name, fallback).toUInt(&ok, base);
        return ok ? value : 0u;
    };
    for (QDomElement root = document.firstChildElement(QStringLiteral("CANbuseXport")); !root.isNull();
         root = root.nextSiblingElement(QStringLiteral("CANbuseXport"))) {
        for (QDomElement mob = root.firstChildElement(QStringLiteral("mob")); !mob.isNull();
             mob = mob.nextSiblingElement(QStringLiteral("mob"))) {
            const quint32 canbusId = uintAttribute(mob, QStringLiteral("canbusID"), QString(), 16);
            const quint32 shift = uintAttribute(mob, QStringLiteral("shift"), QStringLiteral("0"), 10);
            const bool compound = mob.attribute(QStringLiteral("type")) == QLatin1String("Compound8");
            const qint32 compoundOffset = mob.attribute(QStringLiteral("compoundOffset"), QStringLiteral("0")).toInt();
            for (QDomElement frame = mob.firstChildElement(QStringLiteral("frame")); !frame.isNull();
                 frame = frame.nextSiblingElement(QStringLiteral("frame"))) {
                const quint32 frameOffset = shift < 32
                                                ? uintAttribute(frame, QStringLiteral("offset"), QString(), 10) << shift
                                                : 0u;
                const quint32 id = compound ? canbusId : canbusId + frameOffset;
                for (QDomElement channel = frame.firstChildElement(QStringLiteral("channel")); !channel.isNull();
                     channel = channel.nextSiblingElement(QStringLiteral("channel"))) {
                    QString idText = channel.attribute(QStringLiteral("id"));
                    idText.remove(QStringLiteral("c_"));
                    idText.replace(QLatin1Char('_'), QLatin1Char(' '));
                    auto* input = new CanInput();
                    const QString name =
                        Tools::generateUniqueName(listInputNames(), baseName + QStringLiteral(" - ") + idText);
                    input->setChildName(name);
                    input->setup->displayName = name;
                    CanInputDefinition& d = input->def;
                    d.canId = qint32(id);
                    if (compound) {
                        d.compoundMessage = true;
                        d.compoundId = compoundOffset + qint32(frameOffset);
                    }
                    const QString type = channel.attribute(QStringLiteral("type"));
                    const int byteAttribute = channel.attribute(QStringLiteral("byteOffset")).toInt();
                    int width = 0;
                    d.endianness = Endianness_little;
                    if (type == QLatin1String("u8") || type == QLatin1String("s8")) {
                        width = 8;
                        d.byteOffset = byteAttribute;
                    } else if (type == QLatin1String("u16-le") || type == QLatin1String("s16-le")) {
                        width = 16;
                        d.byteOffset = byteAttribute;
                    } else if (type == QLatin1String("u16-be") || type == QLatin1String("s16-be")) {
                        width = 16;
                        d.endianness = Endianness_big;
                        d.byteOffset = 6 - byteAttribute;
                    }
                    d.isSigned = type.startsWith(QLatin1Char('s')) ? Signedness_signed : Signedness_unsigned;
                    const int bitCount = channel.attribute(QStringLiteral("bitCount"), QStringLiteral("-1")).toInt();
                    d.bitCount = bitCount >= 1 ? bitCount : width;
                    d.bitOffset = channel.attribute(QStringLiteral("bitPosition"), QStringLiteral("0")).toInt();
                    const double decimals =
                        std::pow(10.0, channel.attribute(QStringLiteral("decimalPlaces"), QStringLiteral("0")).toInt());
                    d.multiplier = channel.attribute(QStringLiteral("multiplier"), QStringLiteral("1")).toDouble()
                                   / decimals;
                    bool ok = false;
                    const int divider = channel.attribute(QStringLiteral("divider"), QStringLiteral("1")).toInt(&ok);
                    d.divider = ok ? divider : 0;
                    d.offset = channel.attribute(QStringLiteral("offset"), QStringLiteral("0")).toDouble() / decimals;
                    const QString unitText = channel.attribute(QStringLiteral("unit"));
                    const Unit* unit = theUnits.getUnitFromImportedUnitString(unitText);
                    if (!unit) {
                        if (!unitText.isEmpty())
                            qDebug().noquote() << "Not recognized unit" << unitText;
                        unit = theUnits.getDefaultUnit(Quantity::None);
                    }
                    input->setup->quantity = unit->quantity;
                    input->setup->unit = unit;
                    d.inputUnit = unit;
                    emit input->setup->signal_setupChanged();
                    addInput(input);
                }
            }
        }
    }
    rebuildParsingMap();
}

// ---------------------------------------------------------------- .trace

bool CanInputsModel::parseTraceLine(const QString& line, canFrame_t* frame)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
        return false;
    const QStringList fields = trimmed.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    auto field = [&](int i) { return i < fields.size() ? fields.at(i) : QString(); };
    const double time = field(1).toDouble();
    const uint id = field(3).toUInt(nullptr, 16);
    uint64_t data = 0;
    for (int i = 0; i < 8; ++i) {
        const uint byte = field(5 + i).toUInt(nullptr, 16) & 0xFFu;
        data |= uint64_t(byte) << (56 - 8 * i);
    }
    frame->canData = data;
    frame->canChannelAndId = id & 0x1FFFFFFFu;
    frame->timestamp = time > 0.0 && time < 4294967296.0 ? quint32(time) : 0u;
    return true;
}

void CanInputsModel::queueTraceText(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    canFrame_t frame {};
    for (const QString& line : lines) {
        if (parseTraceLine(line, &frame))
            simulationQueue.append(frame);
    }
}

void CanInputsModel::startTraceReplay()
{
    simulationTick = 0;
    if (simulationTimer)
        simulationTimer->start(1);
}

bool CanInputsModel::traceReplayRunning() const
{
    return simulationTimer && simulationTimer->isActive();
}

void CanInputsModel::action_simulateTrace()
{
    const QList<QString> files =
        thePathSaver.getOpenFileNames(Path::openTrace, tr("Select Ecumaster .trace file to simulate"));
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            queueTraceText(QString::fromUtf8(file.readAll()));
    }
    startTraceReplay();
}

void CanInputsModel::slot_frameSimulationTick()
{
    if (simulationQueue.isEmpty()) {
        if (simulationTimer)
            simulationTimer->stop();
        return;
    }
    simulationBatch.clear();
    while (!simulationQueue.isEmpty()) {
        const quint32 stamp = simulationQueue.first().timestamp;
        if (stamp < simulationTick) {
            simulationTick = 0;
            break;
        }
        if (stamp > simulationTick) {
            ++simulationTick;
            break;
        }
        simulationBatch.append(simulationQueue.takeFirst());
    }
    if (simulationBatch.isEmpty())
        return;
    // The same path as the controller's frames: every receiver of live
    // frames (inputs, dialog preview, monitor, tools) gets them.
    if (theRunThread)
        emit theRunThread->signal_newCanFrameBatch(simulationBatch);
    else
        slot_newCanFrameBatch(simulationBatch);
}
