#include "SimulatedObdAdapter.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>

namespace {

const char* const kProtocolNames[11] = {
    "AUTO", "SAE J1850 PWM", "SAE J1850 VPW", "ISO 9141-2", "ISO 14230-4 (KWP 5BAUD)", "ISO 14230-4 (KWP FAST)",
    "ISO 15765-4 (CAN 11/500)", "ISO 15765-4 (CAN 29/500)", "ISO 15765-4 (CAN 11/250)", "ISO 15765-4 (CAN 29/250)",
    "SAE J1939 (CAN 29/250)"};

bool isCan(int protocol)
{
    return protocol >= 6 && protocol <= 10;
}

bool isCan29(int protocol)
{
    return protocol == 7 || protocol == 9 || protocol == 10;
}

bool allHex(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    });
}

const QByteArray kVin = "1ZEMB0SIMULAT0R01";

} // namespace

SimulatedObdAdapter::SimulatedObdAdapter()
{
    ecus.append({0x7E8, {0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x13, 0x15,
                         0x1C, 0x1F, 0x20, 0x21, 0x2F, 0x33, 0x40, 0x42, 0x46, 0x4F, 0x50, 0x5C, 0x60, 0x61, 0x62,
                         0x80, 0x8E, 0xA0, 0xA6, 0xC0, 0xC3, 0xE0}});
    ecus.append({0x7E9, {0x01, 0x0D, 0x1C, 0x20, 0x21, 0x40, 0x49}});
}

QList<QByteArray> SimulatedObdAdapter::commandLog() const
{
    QMutexLocker locker(&mutex);
    return log;
}

void SimulatedObdAdapter::clearCommandLog()
{
    QMutexLocker locker(&mutex);
    log.clear();
}

QByteArray SimulatedObdAdapter::hex(const QByteArray& bytes) const
{
    return spaces ? bytes.toHex(' ').toUpper() : bytes.toHex().toUpper();
}

QByteArray SimulatedObdAdapter::finish(const QList<QByteArray>& lines) const
{
    const QByteArray eol = linefeeds ? "\r\n" : "\r";
    return lines.join(eol) + eol + eol + ">";
}

QByteArray SimulatedObdAdapter::handleCommand(const QByteArray& line)
{
    if (plantSource)
        plantSource(*this);
    QMutexLocker locker(&mutex);
    log.append(line);
    QByteArray cmd = line.toUpper();
    cmd.replace(' ', QByteArray());
    const QByteArray echoed = echo ? line + "\r" : QByteArray();

    if (cmd.startsWith("AT")) {
        const QByteArray at = cmd.mid(2);
        if (at == "Z") {
            echo = true;
            linefeeds = true;
            spaces = true;
            headers = false;
            protocol = 0;
            searched = false;
            header.clear();
            const QByteArray name = identificationWithFC.load() ? "\xFC\xFC" "ELM327 v1.5" : "ELM327 v1.5";
            return echoed + "\r\r" + name + "\r\r>";
        }
        auto flag = [&](const char* what, bool& target) {
            if (at == QByteArray(what) + "0" || at == QByteArray(what) + "1") {
                target = at.endsWith('1');
                return true;
            }
            return false;
        };
        bool done = flag("E", echo) || flag("L", linefeeds) || flag("S", spaces) || flag("H", headers);
        if (done)
            return echoed + finish({"OK"});
        if (at.startsWith("SP") && at.size() == 3) {
            bool ok = false;
            const int p = at.mid(2).toInt(&ok, 16);
            if (!ok || p > 10)
                return echoed + finish({"?"});
            protocol = p;
            searched = false;
            return echoed + finish({"OK"});
        }
        if (at == "DP") {
            QByteArray text = kProtocolNames[protocol];
            if (protocol == 0 && searched)
                text = QByteArray("AUTO, ") + kProtocolNames[vehicleProtocol.load()];
            return echoed + finish({text});
        }
        if (at.startsWith("SH") && at.size() > 2 && allHex(at.mid(2))) {
            header = at.mid(2);
            return echoed + finish({"OK"});
        }
        if (at == "I")
            return echoed + finish({"ELM327 v1.5"});
        if (at == "@1")
            return echoed + finish({"OBDII to RS232 Interpreter"});
        if (at == "D")
            return echoed + finish({"OK"});
        return echoed + finish({"?"});
    }
    if (cmd.isEmpty() || !allHex(cmd))
        return echoed + finish({"?"});
    return echoed + vehicleRequest(cmd);
}

QByteArray SimulatedObdAdapter::vehicleRequest(const QByteArray& command)
{
    QList<QByteArray> lines;
    if (stopNextRequest.exchange(false))
        return finish({"STOPPED"});
    const int vehicle = vehicleProtocol.load();
    if (protocol == 0) {
        if (vehicleOff.load())
            return finish({"SEARCHING...", "UNABLE TO CONNECT"});
        if (!searched) {
            lines.append("SEARCHING...");
            searched = true;
        }
    } else if (protocol != vehicle) {
        return finish({"UNABLE TO CONNECT"});
    } else if (vehicleOff.load()) {
        return finish({"NO DATA"});
    }

    QByteArray request = command;
    int wanted = 0;
    if (request.size() % 2 == 1) {
        if (!request.startsWith("01") || request.size() != 5)
            return finish({"?"});
        wanted = request.right(1).toInt(nullptr, 16);
        request.chop(1);
    }
    const QByteArray bytes = QByteArray::fromHex(request);

    // Which ECUs the header addresses: functional ids reach both.
    QList<const Ecu*> targets;
    for (const Ecu& ecu : ecus) {
        const int source = ecu.canId == 0x7E8 ? 0x10 : 0x18;
        const bool physical = header == QByteArray::number(ecu.canId - 8, 16).toUpper()
            || header == "18DA" + QByteArray::number(source, 16).toUpper() + "F1";
        const bool functional = header.isEmpty() || header == "7DF" || header == "18DB33F1" || header == "486B10"
            || header == "686AF1" || header == "616AF1" || header == "81F110";
        if (physical || functional)
            targets.append(&ecu);
    }

    int answered = 0;
    for (const Ecu* ecu : targets) {
        bool negative = false;
        const QList<QByteArray> answer = ecuAnswer(*ecu, bytes, negative);
        if (answer.isEmpty())
            continue;
        lines.append(answer);
        if (++answered == wanted)
            break;
    }
    if (answered == 0)
        lines.append("NO DATA");
    return finish(lines);
}

QByteArray SimulatedObdAdapter::pidData(const Ecu& ecu, int pid) const
{
    if (pid % 0x20 == 0) {
        quint32 bits = 0;
        for (int k = 1; k <= 32; ++k) {
            if (ecu.pids.contains(pid + k))
                bits |= 1u << (32 - k);
        }
        return QByteArray::fromHex(QByteArray::number(bits, 16).rightJustified(8, '0'));
    }
    const double rpm = std::clamp(engineRpm.load(), 0.0, 16383.75);
    const int rpmCode = int(std::lround(rpm * 4.0));
    const int kmh = int(std::lround(std::clamp(roadSpeedKmh.load(), 0.0, 255.0)));
    switch (pid) {
    case 0x01: return QByteArray::fromHex("00076500");
    case 0x04: return QByteArray::fromHex("66");
    case 0x05: return QByteArray::fromHex("82");
    case 0x0C: return QByteArray(1, char(rpmCode >> 8)) + char(rpmCode & 0xFF);
    case 0x0D: return QByteArray(1, char(kmh));
    case 0x0F: return QByteArray::fromHex("41");
    case 0x10: return QByteArray::fromHex("01F4");
    case 0x11: return QByteArray::fromHex("33");
    case 0x1C: return QByteArray::fromHex("06");
    case 0x1F: return QByteArray::fromHex("012C");
    case 0x21: return QByteArray::fromHex("0000");
    case 0x42: return QByteArray::fromHex("36B0");
    case 0x4F: return QByteArray::fromHex("01020304");
    case 0x50: return QByteArray::fromHex("05060708");
    case 0xA6: return QByteArray::fromHex("0001E240");
    default: return QByteArray(1, '\0');
    }
}

QList<QByteArray> SimulatedObdAdapter::ecuAnswer(const Ecu& ecu, const QByteArray& request, bool& negative) const
{
    if (request.isEmpty())
        return {};
    const quint8 service = quint8(request.at(0));
    const bool engine = ecu.canId == 0x7E8;
    QByteArray payload;
    QList<QByteArray> pending;
    switch (service) {
    case 0x01: {
        if (request.size() < 2)
            return {};
        const int pid = quint8(request.at(1));
        if (pid != 0 && !ecu.pids.contains(pid))
            return {};
        payload = QByteArray("\x41", 1) + char(pid) + pidData(ecu, pid);
        break;
    }
    case 0x03:
        payload = engine ? QByteArray::fromHex("4302013303000000") : QByteArray::fromHex("4300");
        payload.truncate(engine ? 6 : 2);
        break;
    case 0x04:
        payload = QByteArray::fromHex("44");
        break;
    case 0x09: {
        const int pid = request.size() > 1 ? quint8(request.at(1)) : 0;
        if (pid == 0x00)
            payload = QByteArray::fromHex("490054400000");
        else if (pid == 0x02 && engine)
            payload = QByteArray::fromHex("490201") + kVin;
        else if (pid == 0x04 && engine)
            payload = QByteArray::fromHex("490401") + QByteArray("ZEMBOCAL00000001");
        else
            return {};
        break;
    }
    case 0x22: {
        const QByteArray did = request.mid(1, 2).toHex().toUpper();
        if (engine && did == "F190")
            payload = QByteArray::fromHex("62F190") + kVin;
        else if (engine && did == "F40C")
            payload = QByteArray::fromHex("62F40C") + pidData(ecu, 0x0C);
        else if (engine && did == "F18C") {
            pending.append(QByteArray::fromHex("7F2278"));
            payload = QByteArray::fromHex("62F18C") + QByteArray("SN0001");
        } else {
            payload = QByteArray::fromHex("7F2231");
            negative = true;
        }
        break;
    }
    case 0x19:
        if (request.size() >= 3 && quint8(request.at(1)) == 0x02)
            payload = engine ? QByteArray::fromHex("5902FF0133000803000008") : QByteArray::fromHex("5902FF");
        else {
            payload = QByteArray::fromHex("7F1912");
            negative = true;
        }
        break;
    default:
        payload = QByteArray("\x7F", 1) + char(service) + char(0x11);
        negative = true;
        break;
    }
    QList<QByteArray> lines;
    for (const QByteArray& p : pending)
        lines.append(formatFrames(ecu, p));
    lines.append(formatFrames(ecu, payload));
    return lines;
}

QList<QByteArray> SimulatedObdAdapter::formatFrames(const Ecu& ecu, const QByteArray& payload) const
{
    const int effective = protocol == 0 ? vehicleProtocol.load() : protocol;
    QList<QByteArray> lines;
    const QByteArray sep = spaces ? " " : "";
    if (!isCan(effective)) {
        // ISO 9141 / KWP / J1850: 3 header bytes, the message, a checksum.
        const QByteArray head = QByteArray::fromHex("486B") + char(ecu.canId == 0x7E8 ? 0x10 : 0x18);
        QByteArray frame = head + payload;
        quint8 sum = 0;
        for (char c : frame)
            sum = quint8(sum + quint8(c));
        frame.append(char(sum));
        lines.append(hex(headers ? frame : payload));
        return lines;
    }
    QByteArray id;
    if (isCan29(effective)) {
        id = "18DAF1" + QByteArray::number(ecu.canId == 0x7E8 ? 0x10 : 0x18, 16).toUpper();
        if (spaces)
            id = id.left(2) + " " + id.mid(2, 2) + " " + id.mid(4, 2) + " " + id.mid(6, 2);
    } else {
        id = QByteArray::number(ecu.canId, 16).toUpper();
    }
    const int n = payload.size();
    if (n <= 7) {
        if (headers)
            lines.append(id + sep + hex(QByteArray(1, char(n)) + payload));
        else
            lines.append(hex(payload));
        return lines;
    }
    // Multi-frame: the adapter prints the byte count, then numbered frames.
    if (!headers) {
        lines.append(QByteArray::number(n, 16).toUpper().rightJustified(3, '0'));
        lines.append("0:" + sep + hex(payload.left(6)));
        int index = 1;
        for (int pos = 6; pos < n; pos += 7, ++index)
            lines.append(QByteArray::number(index & 0xF, 16).toUpper() + ":" + sep + hex(payload.mid(pos, 7)));
        return lines;
    }
    lines.append(id + sep + hex(QByteArray(1, char(0x10 | (n >> 8))) + char(n & 0xFF) + payload.left(6)));
    int seq = 1;
    for (int pos = 6; pos < n; pos += 7, seq = (seq + 1) & 0xF) {
        QByteArray chunk = payload.mid(pos, 7);
        chunk.append(QByteArray(7 - chunk.size(), '\0'));
        lines.append(id + sep + hex(QByteArray(1, char(0x20 | seq)) + chunk));
    }
    return lines;
}
