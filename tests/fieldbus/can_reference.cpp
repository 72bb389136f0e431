// What the reference check of the CAN inputs and outputs compares with a DBC
// library: frames go through the simulated controller and the MCU link both
// ways.
//   can_reference decode FILE.dbc FRAMES.txt
//     imports the DBC, injects each frame ("bus id-hex data-hex" per line),
//     and prints "frame<TAB>input<TAB>value" (value in the input's unit) for
//     every input the frame fed.
//   can_reference encode DIR SEED
//     builds random output messages, exports DIR/canOutputs.dbc, sends each
//     message once and writes what the controller sent (DIR/sent.txt) and what
//     each signal encoded (DIR/expected.txt).
#include "Argument.h"
#include "CanInput.h"
#include "CanInputsModel.h"
#include "CanOutputChannel.h"
#include "CanOutputMessage.h"
#include "CanOutputMessageModel.h"
#include "ChannelSetup.h"
#include "LinkFixture.h"
#include "lib/Units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <cstdio>

namespace {

qint64 g_clock = 0;
qint64 clock()
{
    return g_clock;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int decode(const QString& dbcPath, const QString& framesPath)
{
    QFile dbc(dbcPath);
    QFile framesFile(framesPath);
    if (!dbc.open(QIODevice::ReadOnly) || !framesFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the inputs\n");
        return 2;
    }
    CanInputsModel model(true);
    model.importDbcBytes(dbc.readAll());

    LinkFixture link;
    link.start();
    if (!link.waitConfirmed(5000)) {
        std::fprintf(stderr, "the simulated controller did not answer\n");
        return 2;
    }
    const QStringList lines = QString::fromUtf8(framesFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    int injected = 0;
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char(' '));
        const QByteArray data = QByteArray::fromHex(parts.value(2).toLatin1());
        link.sim->injectCanFrame(parts.value(0).toInt(), parts.value(1).toUInt(nullptr, 16),
                                 reinterpret_cast<const unsigned char*>(data.constData()), uint32_t(injected));
        ++injected;
        // The controller's receive queue is finite: let the link catch up.
        if (injected % 32 == 0
            && !waitFor([&] { return link.receivedOf(DynoRegister::canId).size() >= injected; })) {
            std::fprintf(stderr, "frames lost in the link\n");
            return 2;
        }
    }
    if (!waitFor([&] { return link.receivedOf(DynoRegister::canId).size() >= injected; })) {
        std::fprintf(stderr, "frames lost in the link\n");
        return 2;
    }
    const QList<SpiDynoFrame> ids = link.receivedOf(DynoRegister::canId);
    const QList<SpiDynoFrame> highs = link.receivedOf(DynoRegister::canData0);
    const QList<SpiDynoFrame> lows = link.receivedOf(DynoRegister::canData1);
    QTextStream out(stdout);
    out.setRealNumberPrecision(17);
    for (int i = 0; i < injected; ++i) {
        canFrame_t frame;
        frame.canData = (quint64(highs.at(i).value) << 32) | lows.at(i).value;
        frame.canChannelAndId = ids.at(i).value;
        frame.timestamp = quint32(i);
        g_clock = 1000 + i;
        model.slot_newCanFrameBatch({frame});
        for (int row = 0; row < model.inputCount(); ++row) {
            const CanInput* input = model.input(row);
            double value = 0;
            qint64 stamp = 0;
            input->getTimestampedData(value, stamp);
            if (stamp == g_clock)
                out << i << '\t' << input->getChildName() << '\t' << input->def.inputUnit->getUnitValue(value)
                    << '\n';
        }
    }
    return 0;
}

int encode(const QString& dir, quint32 seed)
{
    QRandomGenerator random(seed);
    LinkFixture link;
    link.start();
    if (!link.waitConfirmed(5000)) {
        std::fprintf(stderr, "the simulated controller did not answer\n");
        return 2;
    }
    CanOutputMessage::setSender([&link](uint8_t bus, uint32_t id, const uint8_t* data) {
        link.link->sendCanData(bus, id, data);
    });

    const Unit* kmh = theUnits.getUnitByQuantityAndName(Quantity::Speed, QStringLiteral("km/h"));
    const Unit* celsius = theUnits.celsius;
    QList<CanInput*> sources;
    CanOutputMessageModel model;
    QString expected;
    QTextStream expectedOut(&expected);
    expectedOut.setRealNumberPrecision(17);
    const double multipliers[] = {1, 10, 8, 0.5, 100, 3};
    const double offsets[] = {0, 40, -100, 0.25};
    const int messageCount = 12;
    for (int m = 0; m < messageCount; ++m) {
        auto* message = new CanOutputMessage();
        message->canId = m % 3 == 0 ? 0x100 + quint32(m) : m % 3 == 1 ? 0x7FF - quint32(m) : 0x18FEF000u + quint32(m);
        message->endianness = random.bounded(2) ? Endianness_little : Endianness_big;
        message->channelId = 0;
        int bit = 0;
        int s = 0;
        while (bit < 64) {
            const int size = 1 + int(random.bounded(qMin(32, 64 - bit)));
            auto* source = new CanInput();
            source->setChildName(QStringLiteral("Out %1.%2").arg(m).arg(s++));
            const bool speed = random.bounded(2);
            source->setup->quantity = speed ? Quantity::Speed : Quantity::Temperature;
            source->setup->unit = speed ? kmh : celsius;
            sources.append(source);
            auto* channel = new CanOutputChannel();
            channel->argument->setChannel(source, false);
            channel->outputUnit = source->setup->unit;
            channel->bitCount = size;
            channel->byteOffset = bit / 8;
            channel->bitOffset = bit % 8;
            channel->isSigned = random.bounded(2) ? Signedness_signed : Signedness_unsigned;
            channel->multiplier = multipliers[random.bounded(6)];
            channel->offset = offsets[random.bounded(4)];
            // A value whose raw number fits the field (saturation is the
            // unit tests' matter).
            const double maxRaw = channel->isSigned == Signedness_signed ? std::ldexp(1.0, size - 1) - 1
                                                                           : std::ldexp(1.0, size) - 1;
            const double minRaw = channel->isSigned == Signedness_signed ? -std::ldexp(1.0, size - 1) : 0.0;
            const double raw = minRaw + random.generateDouble() * (maxRaw - minRaw);
            const double outputValue = raw * channel->divider / channel->multiplier - channel->offset;
            source->setData(channel->outputUnit->getSIValue(outputValue), 1);
            message->addChannel(channel);
            expectedOut << message->canId << '\t' << source->setup->key << '\t' << channel->byteOffset * 8 + channel->bitOffset
                        << '\t' << size << '\t' << int(message->endianness) << '\t' << int(channel->isSigned) << '\t'
                        << outputValue << '\t' << channel->divider / channel->multiplier << '\n';
            bit += size + int(random.bounded(3));
        }
        model.addOutput(message);
    }
    QList<int> rows;
    for (int r = 0; r < messageCount; ++r)
        rows.append(r);
    if (!model.exportDbcToFile(rows, dir + QStringLiteral("/canOutputs.dbc")))
        return 2;
    for (int r = 0; r < messageCount; ++r) {
        model.message(r)->slot_send();
        if (!waitFor([&] { return link.sim->sentCanFrames().size() > r; })) {
            std::fprintf(stderr, "the controller did not send\n");
            return 2;
        }
    }
    QFile sent(dir + QStringLiteral("/sent.txt"));
    QFile expectedFile(dir + QStringLiteral("/expected.txt"));
    if (!sent.open(QIODevice::WriteOnly) || !expectedFile.open(QIODevice::WriteOnly))
        return 2;
    for (const auto& frame : link.sim->sentCanFrames())
        sent.write(QStringLiteral("%1 %2 %3\n").arg(frame.bus).arg(frame.identifier, 0, 16).arg(
            QString::fromLatin1(frame.data.toHex())).toLatin1());
    expectedOut.flush();
    expectedFile.write(expected.toUtf8());
    CanOutputMessage::setSender(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    RunChannel::setWallClock(&clock);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("decode"))
        return decode(args.at(2), args.at(3));
    if (args.size() == 4 && args.at(1) == QLatin1String("encode"))
        return encode(args.at(2), args.at(3).toUInt());
    std::fprintf(stderr, "usage: can_reference decode FILE.dbc FRAMES | encode DIR SEED\n");
    return 2;
}
