// Feeds a run to the odometer the way the run thread does (its hooks, from a
// thread of its own) over seeded user-page words, and prints what it was fed
// and the words it wrote back as JSON for check_odometer.py.
#include "DynoOdometer.h"
#include "RunThread.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <cstdio>
#include <algorithm>
#include <thread>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    DynoOdometer odometer;
    QJsonObject written;
    int commits = 0;
    DynoOdometer::Link link;
    link.read = [](uint8_t) {};
    link.write = [&written](uint8_t id, uint32_t value) { written.insert(QString::number(id), double(value)); };
    link.commit = [&commits] { ++commits; };
    odometer.setLink(link);
    odometer.init();

    const uint32_t seeded[6] = {41, 3725, 123456, 55, 9810, 8000};
    QJsonObject seededWords;
    for (int i = 0; i < 6; ++i) {
        odometer.slot_userPageData(uchar(i + 2), seeded[i]);
        seededWords.insert(QString::number(i + 2), double(seeded[i]));
    }

    // A pull to 45 m/s and a hard stop, sampled every 8 to 12 ms.
    QJsonArray times;
    QJsonArray speeds;
    QJsonArray accelerations;
    const qint64 start = 1'700'000'000'000;
    double runSeconds = 0;
    std::thread runThread([&] {
        QRandomGenerator random(42);
        RunThread::hooks.odometerRunStarted(start);
        qint64 t = start + 40;
        double v = 0.0;
        double previous = 0.0;
        qint64 previousT = start;
        while (t < start + 30000) {
            const double s = double(t - start) / 1000.0;
            v = s < 20.0 ? 45.0 * s / 20.0 : std::max(0.0, 45.0 - 12.5 * (s - 20.0));
            const double a = (v - previous) / (double(t - previousT) / 1000.0);
            RunThread::hooks.odometerSpeed(v, t);
            RunThread::hooks.odometerAcceleration(a);
            times.append(double(t));
            speeds.append(v);
            accelerations.append(a);
            previous = v;
            previousT = t;
            t += 8 + qint64(random.bounded(5));
        }
        runSeconds = double(t - start) / 1000.0;
        RunThread::hooks.odometerRunFinished(runSeconds);
    });
    runThread.join();
    // The run end is handled in this thread, queued as the run thread posts it.
    while (commits == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    QJsonObject out;
    out.insert(QStringLiteral("start"), double(start));
    out.insert(QStringLiteral("times"), times);
    out.insert(QStringLiteral("speeds"), speeds);
    out.insert(QStringLiteral("accelerations"), accelerations);
    out.insert(QStringLiteral("runSeconds"), runSeconds);
    out.insert(QStringLiteral("seeded"), seededWords);
    out.insert(QStringLiteral("written"), written);
    out.insert(QStringLiteral("commits"), commits);
    out.insert(QStringLiteral("runDistance"), odometer.runDistance());
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
    return 0;
}
