// ModbusInterfaceModel::sortFrames on 1,000,000 records of 8 interfaces with
// 16 functions each (ids interface × 256 + function), as a recorded run's
// model splits its samples into one series per function.
//   bench_sort_frames FILE   writes the records to FILE (uint16 id, float64
//                            value, uint32 time, little-endian) and prints the
//                            best of five sorts in ms
#include "ModbusInterfaceModel.h"
#include "lib/Units.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    theUnits.init();
    QString xml = QStringLiteral("<modbus>");
    for (int i = 0; i < 8; ++i) {
        xml += QStringLiteral("<interface name=\"I%1\">").arg(i);
        for (int f = 0; f < 16; ++f)
            xml += QStringLiteral("<function name=\"F%1_%2\" multiplier=\"1\" divider=\"1\"/>").arg(i).arg(f);
        xml += QStringLiteral("</interface>");
    }
    ModbusInterfaceModel model(true);
    model.loadFromString(xml + QStringLiteral("</modbus>"));

    constexpr int count = 1000000;
    QList<channelFrame_t> frames;
    frames.reserve(count);
    QRandomGenerator random(38);
    for (int i = 0; i < count; ++i) {
        const auto id = uint16_t(random.bounded(8) * 256 + random.bounded(16));
        frames.append({random.generateDouble() * 1000.0, id, uint32_t(i)});
    }
    if (argc > 1) {
        QFile out(QString::fromLocal8Bit(argv[1]));
        if (!out.open(QIODevice::WriteOnly))
            return 2;
        for (const channelFrame_t& f : frames) {
            out.write(reinterpret_cast<const char*>(&f.id), 2);
            out.write(reinterpret_cast<const char*>(&f.value), 8);
            out.write(reinterpret_cast<const char*>(&f.timestamp), 4);
        }
    }
    double best = 1e300;
    int series = 0;
    for (int round = 0; round < 5; ++round) {
        QList<QList<QList<double>>> times;
        QList<QList<QList<double>>> values;
        QElapsedTimer timer;
        timer.start();
        model.sortFrames(&frames, &times, &values);
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
        series = 0;
        for (const auto& interface : times)
            series += int(interface.size());
    }
    std::printf("sortFrames of %d records into %d series: %.1f ms\n", count, series, best);
    return 0;
}
