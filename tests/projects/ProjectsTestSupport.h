#pragma once

// Helpers of the project and run-table tests: real run files from the writer,
// h5py and the HDF5 tools as witnesses of what the files hold.
#include "LogWriter.h"
#include "RunStopInputs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cmath>

namespace ProjectsTest {

// A short run of `seconds` through the real writer: a shaft accelerating on
// input 0 and a load cell, so the recalculation has power and road speed.
inline QString writeRun(double seconds = 2.0)
{
    LogWriter writer;
    writer.init();
    if (!writer.initialized)
        return QString();
    const int perRotation = 360;
    const double clock = 32000000.0;
    double t = 0.0;
    while (t < seconds) {
        const double omega = 60.0 + 20.0 * t;
        const uint32_t period = uint32_t(std::lround(clock / (omega * perRotation / (2.0 * M_PI))));
        writer.newFreqFrame(FreqFrame{period}, 0);
        t += period / clock;
    }
    for (int i = 0; i < int(seconds * 500); ++i) {
        loadCellFrameV2_t frame{};
        frame.data[0] = float(800.0 + 100.0 * std::sin(i / 500.0));
        writer.newLoadCellFrameV2(frame);
    }
    writer.setStopInputs(RunStopInputs::collect());
    QList<double> markers;
    writer.runStopProcedure(markers);
    return writer.filePath;
}

// Runs Debian's Python on a script text with arguments; its standard output,
// or "ERROR: " and its standard error.
inline QString python(const QString& script, const QStringList& arguments = {})
{
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The exit status of a program (-1 when it did not run).
inline int run(const QString& program, const QStringList& arguments, QString* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitCode();
}

} // namespace ProjectsTest
