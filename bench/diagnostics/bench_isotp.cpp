// ISO-TP reassembly against the frame rate of a saturated 1 Mbit/s CAN bus
// (about 8,000 classic frames a second): prints frames/s and the ratio.
#include "ISOTPAssembler.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <cstdio>

int main()
{
    // A mix as the analyser sees it: single frames and 100-byte messages.
    QList<QByteArray> frames;
    for (int m = 0; m < 200; ++m) {
        frames.append(QByteArray::fromHex("03221F9000000000"));
        frames.append(QByteArray::fromHex("1064620102030405"));
        for (int seq = 1, sent = 6; sent < 100; ++seq, sent += 7)
            frames.append(QByteArray(1, char(0x20 | (seq & 0xF))) + QByteArray(7, char(seq)));
    }
    ISOTPAssembler assembler;
    long long messages = 0;
    long long fed = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1000) {
        for (const QByteArray& frame : frames)
            messages += assembler.addData(reinterpret_cast<const unsigned char*>(frame.constData())) ? 1 : 0;
        fed += frames.size();
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double rate = double(fed) / seconds;
    std::printf("isotp: %.0f frames/s (%lld messages), %.0f x a saturated 1 Mbit/s bus (8000 frames/s)\n", rate,
                messages, rate / 8000.0);
    return 0;
}
