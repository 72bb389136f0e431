// The run-file helper of the Python checks: our writer and loader driven from
// the command line, so that h5py, h5repack and h5diff can look at what they
// wrote and read.
//
//   record <dir>     records a run with records injected into every table:
//                    prints "STARTED <file>" once the new file is on disk, waits
//                    for a line on stdin, then injects, stops and prints
//                    "STOPPED <file>"; the expected table contents go to
//                    <dir>/expected/<table>.bin and the stop inputs to
//                    <dir>/expected.json
//   endless <rate>   records <rate> numbered records per second into "freq_1"
//                    and "channel" until it is killed; prints "STARTED <file>"
//   load <file>      loads the file as a recorded run; prints a JSON summary
//   strings <file>   reads a JSON array of string lists from stdin, stores each
//                    as "/list_<i>" and prints the lists read back (JSON)
#include "Hdf5Lock.h"
#include "LogDescriptor.h"
#include "LogWriter.h"
#include "MySettings.h"
#include "RunChannel.h"
#include "RunData.h"
#include "RunFile.h"
#include "RunFileTestSupport.h"
#include "RunListModel.h"
#include "RunThread.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

QStringList capturedLog;

void captureHandler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    capturedLog.append(message);
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int record(const QString& dirPath)
{
    QDir dir(dirPath);
    dir.mkpath(QStringLiteral("expected"));
    RunFileTest::Database database(dir.filePath(QStringLiteral("projects2.db")));
    RunThread* clock = RunFileTest::runStartClock();
    LogWriter writer;
    writer.miscChannelsDescriptor = QStringLiteral("9029,dyno_speed\n9030,engine_speed\n");
    writer.init();
    if (!writer.initialized)
        return 1;
    const qint64 runStart = QDateTime::currentMSecsSinceEpoch();
    clock->runStartTime = runStart;
    say(QStringLiteral("STARTED ") + writer.filePath);
    std::string line;
    std::getline(std::cin, line);

    g_runChannelLastUniqueId = 0x12344;
    RunChannel channel(0, QString(), 0, QStringLiteral("test channel"), Quantity::None);
    RunFileTest::InjectedRecords injected;
    RunFileTest::injectRecords(writer, channel, runStart, 40, &injected);
    const RunStopInputs inputs = RunFileTest::sampleStopInputs();
    writer.setStopInputs(inputs);
    QList<double> markers{1.5, 3.25};
    writer.runStopProcedure(markers);

    for (int id = 0; id < FrameIdCount; ++id) {
        QFile file(dir.filePath(QStringLiteral("expected/") + theLogDescriptor.frameDescriptors.at(id)->name
                                + QStringLiteral(".bin")));
        file.open(QIODevice::WriteOnly);
        file.write(injected.expected[id]);
    }
    QJsonObject expected;
    expected[QStringLiteral("channelFileId")] = injected.channelFileId;
    expected[QStringLiteral("runStart")] = double(runStart);
    expected[QStringLiteral("projectId")] = database.projectId;
    expected[QStringLiteral("comment")] = inputs.comment;
    expected[QStringLiteral("name")] = inputs.name;
    expected[QStringLiteral("softwareVersion")] = inputs.softwareVersion;
    expected[QStringLiteral("miscChannelsDescriptor")] = writer.miscChannelsDescriptor;
    QFile json(dir.filePath(QStringLiteral("expected.json")));
    json.open(QIODevice::WriteOnly);
    json.write(QJsonDocument(expected).toJson());
    say(QStringLiteral("STOPPED ") + writer.filePath);
    return 0;
}

int endless(int rate)
{
    RunFileTest::Database database(QDir::home().filePath(QStringLiteral("endless.db")));
    RunThread* clock = RunFileTest::runStartClock();
    auto* writer = new LogWriter;
    writer->init();
    if (!writer->initialized)
        return 1;
    const qint64 runStart = QDateTime::currentMSecsSinceEpoch();
    clock->runStartTime = runStart;
    say(QStringLiteral("STARTED ") + writer->filePath);

    // A decoder-like 10 ms cycle: numbered records at a constant rate.
    auto* cycle = new QTimer;
    auto* sequence = new quint64(0);
    QObject::connect(cycle, &QTimer::timeout, [writer, sequence, rate, runStart] {
        const quint64 due = quint64((QDateTime::currentMSecsSinceEpoch() - runStart) * rate / 1000);
        while (*sequence < due) {
            FreqFrame frame;
            frame.data = uint32_t(*sequence);
            writer->newFreqFrame(frame, 0);
            writer->slot_newSerialInputDeviceData(double(*sequence), 7, runStart + 1 + qint64(*sequence));
            ++*sequence;
        }
    });
    cycle->start(10);
    return QCoreApplication::exec();
}

QJsonValue jsonValue(const QVariant& value)
{
    if (value.isNull())
        return QJsonValue();
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return value.toDouble();
}

int load(const QString& path)
{
    RunFileTest::Database database(QDir::home().filePath(QStringLiteral("load.db")));
    RunData run(path, false);
    QJsonObject summary;
    summary[QStringLiteral("open")] = run.openFile();
    summary[QStringLiteral("readOnly")] = run.runFile->isReadOnly();
    summary[QStringLiteral("loadAll")] = run.loadAll();
    QJsonObject counts;
    for (int id = 0; id < FrameIdCount; ++id)
        counts[theLogDescriptor.frameDescriptors.at(id)->name] =
            double(run.frames.recordCount(static_cast<FrameId>(id)));
    summary[QStringLiteral("records")] = counts;
    QJsonObject runInfo;
    for (int id = 0; id < RunListFieldCount; ++id)
        runInfo[theRunListModel->descriptor(id)->databaseKey] = jsonValue(run.runInfo.value(id));
    summary[QStringLiteral("runInfo")] = runInfo;
    QJsonArray markers;
    for (double time : std::as_const(run.markerTimes))
        markers.append(time);
    summary[QStringLiteral("markerTimes")] = markers;
    summary[QStringLiteral("markerLabels")] = QJsonArray::fromStringList(run.markerChannelKeys);
    summary[QStringLiteral("legacyInertiaIndexing")] = run.legacyInertiaIndexing;
    summary[QStringLiteral("importLogLines")] = int(capturedLog.filter(QStringLiteral("imported log file")).size());
    say(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Compact)));
    return 0;
}

int strings(const QString& path)
{
    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    const QJsonArray lists = QJsonDocument::fromJson(QByteArray::fromStdString(input)).array();
    RunFile file;
    {
        Hdf5Lock lock;
        H5Fclose(H5Fcreate(QFile::encodeName(path).constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT));
    }
    if (file.openFile(path))
        return 1;
    QJsonArray readBack;
    for (int i = 0; i < lists.size(); ++i) {
        QList<QString> items;
        for (const QJsonValue& item : lists.at(i).toArray())
            items.append(item.toString());
        const QString name = QStringLiteral("list_%1").arg(i);
        file.writeToDataset(file.fileId, name, items);
        QList<QString> back;
        file.readFromDataset(file.fileId, name, &back);
        readBack.append(QJsonArray::fromStringList(back));
    }
    file.closeFile();
    say(QString::fromUtf8(QJsonDocument(readBack).toJson(QJsonDocument::Compact)));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(captureHandler);
    QApplication app(argc, argv);
    RunFileTest::prepareProcess();
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    if (command == QLatin1String("record"))
        return record(args.value(2));
    if (command == QLatin1String("endless"))
        return endless(args.value(2).toInt());
    if (command == QLatin1String("load"))
        return load(args.value(2));
    if (command == QLatin1String("strings"))
        return strings(args.value(2));
    std::fprintf(stderr, "usage: runfile_tool record <dir> | endless <rate> | load <file> | strings <file>\n");
    return 2;
}
