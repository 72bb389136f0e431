#pragma once

// Helpers of the project and run-table tests: real run files from the writer,
// h5py and the HDF5 tools as witnesses of what the files hold.
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LogWriter.h"
#include "RunStopInputs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cmath>

namespace ProjectsTest {

// The board measures road speed on roller 0 from shaft input 0 (360 pulses per turn).
inline void setUpRoller()
{
    auto set = [](DynoSettingId id, int channel, const QVariant& value) {
        if (DynoSetting* setting = theDynoSettings->getSetting(id, channel))
            setting->setValue(value);
    };
    set(DynoSettingId_freqInputMode, 0, 0);
    set(DynoSettingId_freqInputSignalsPerRotation, 0, 360);
    set(DynoSettingId_freqInputMultiplier, 0, 1.0);
    set(DynoSettingId_freqInputFilter, 0, 20.0);
    set(DynoSettingId_freqInputDiffFilter, 0, 5.0);
    set(DynoSettingId_rollerDiameter, 0, 0.5);
    set(DynoSettingId_inertia, 0, 12.5);
}

// A short run of `seconds` through the real writer: a shaft accelerating on
// input 0, a load cell and the ambient sensor, so the recalculation has power and road speed.
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
    for (int i = 0; i <= int(seconds); ++i) {
        ambientFrame_t frame{};
        frame.pressure = 101325.0;
        frame.temperature = 25.0;
        frame.humidity = 40.0;
        frame.timestamp = uint32_t(i * 1000);
        writer.slot_newAmbientFrame(frame);
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
