// The analyser's frames/s against a saturated 1 Mbit/s CAN bus (about 8,000
// frames/s), and the GUI thread's share of the communication log at one
// adapter transfer every 3 ms.
#include "OBDAnalyzer.h"
#include "SerialCommLog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

canFrame_t frame(quint32 id, quint64 data)
{
    return canFrame_t {data, id, 0};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.zembo/log"));

    // Requests, single-frame answers and a 20-byte answer in three frames.
    QList<canFrame_t> batch;
    for (int i = 0; i < 100; ++i) {
        batch.append(frame(0x7E0, 0x0322F40C00000000ull));
        batch.append(frame(0x7E8, 0x0562F40C1AF80000ull));
        batch.append(frame(0x7DF, 0x0209020000000000ull));
        batch.append(frame(0x7E8, 0x1014490201313233ull));
        batch.append(frame(0x7E8, 0x2134353637383930ull));
        batch.append(frame(0x7E8, 0x2231323334353637ull));
        batch.append(frame(0x123, 0x0102030405060708ull));
    }
    double analyzerRate = 0;
    {
        OBDAnalyzer analyzer(nullptr, 0);
        QElapsedTimer timer;
        timer.start();
        long long fed = 0;
        int sinceRefresh = 0;
        while (timer.elapsed() < 1000) {
            analyzer.slot_newCanFrameBatch(batch);
            fed += batch.size();
            // The view refreshes every 100 ms of a saturated bus (800 frames).
            sinceRefresh += int(batch.size());
            if (sinceRefresh >= 800) {
                analyzer.slot_refreshDisplay();
                sinceRefresh = 0;
            }
        }
        analyzerRate = double(fed) / (double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("analyser: %.0f frames/s, %.1f x a saturated 1 Mbit/s bus (8000 frames/s)\n", analyzerRate,
                analyzerRate / 8000.0);

    // One second of traffic: 333 request/reply pairs, a rebuild every 100 ms.
    SerialCommLog log;
    log.createLogFile(QStringLiteral("bench_obd"));
    const QByteArray request("010C\r");
    const QByteArray reply("410C1AF8\r\r>");
    QElapsedTimer timer;
    timer.start();
    const int seconds = 5;
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < 333; ++i) {
            log.slot_newData(SerialCommDir::Tx, request, 0);
            log.slot_newData(SerialCommDir::Rx, reply, 2);
            if (i % 33 == 32)
                log.slot_refreshDisplay();
        }
    }
    const double busy = double(timer.nsecsElapsed()) / 1e9 / seconds;
    std::printf("communication log: %.2f %% of the GUI thread at one transfer every 3 ms\n", busy * 100.0);
    return 0;
}
