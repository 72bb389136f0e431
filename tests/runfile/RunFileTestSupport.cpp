#include "RunFileTestSupport.h"

#include "LogWriter.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "RunChannel.h"
#include "RunListModel.h"
#include "RunThread.h"
#include "Units.h"

#include <QPointF>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <cstring>

namespace RunFileTest {

void prepareProcess()
{
    qputenv("HDF5_USE_FILE_LOCKING", "FALSE");
    theUnits.init();
    theSettings.initEnumLabels();
}

Database::Database(const QString& file)
    : path(file), connectionName(QStringLiteral("runfile-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        db.open();
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    projects = std::make_unique<ProjectListModel>(nullptr, db);
    theProjectListModel = projects.get();
    runs = std::make_unique<RunListModel>(nullptr, db);
    theRunListModel = runs.get();

    QSqlQuery insert(db);
    insert.exec(QStringLiteral("insert into projects2 (vehicleId, projectName, mass, cylinderCount) "
                               "values ('KR 4711', 'Focus ST', 1362.5, 4)"));
    projectId = insert.lastInsertId().toInt();
    projects->select();
    projects->slot_setActiveProjectByRow(projects->rowFromProjectId(projectId));
}

Database::~Database()
{
    runs.reset();
    projects.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

RunThread* runStartClock()
{
    static RunThread* clock = new RunThread;
    return clock;
}

namespace {

void fillPattern(void* out, size_t size, int table, int round)
{
    auto* bytes = static_cast<unsigned char*>(out);
    for (size_t k = 0; k < size; ++k)
        bytes[k] = static_cast<unsigned char>(table * 37 + round * 11 + int(k) * 5 + 1);
}

template<class Record> Record pattern(FrameId id, int round, InjectedRecords* out)
{
    Record record;
    fillPattern(&record, sizeof(Record), id, round);
    out->expected[id].append(reinterpret_cast<const char*>(&record), qsizetype(sizeof(Record)));
    return record;
}

void expectChannelFrame(InjectedRecords* out, FrameId id, double value, uint16_t sourceId, uint32_t time)
{
    channelFrame_t frame;
    frame.value = value;
    frame.id = sourceId;
    frame.timestamp = time;
    out->expected[id].append(reinterpret_cast<const char*>(&frame), qsizetype(sizeof(frame)));
}

} // namespace

void injectRecords(LogWriter& writer, RunChannel& channel, qint64 runStart, int rounds, InjectedRecords* out)
{
    out->channelFileId = channel.uniqueId & 0xFFFF;
    const QMetaObject::Connection connection =
        QObject::connect(&channel, &RunChannel::signal_newData, &writer, &LogWriter::slot_newChannelData);

    // Stamped before the run start: not part of the run. Exactly at it: kept.
    channel.setDataWithoutFilter(-1.0, runStart - 5);
    channel.setDataWithoutFilter(2.5, runStart);
    expectChannelFrame(out, FrameId_channel, 2.5, uint16_t(out->channelFileId), 0);
    writer.slot_newSerialInputDeviceData(9.0, 0x0102, runStart);
    writer.slot_newModbusData(9.0, 0x0203, runStart);
    writer.slot_newUDSInputData(9.0, 0x4567, runStart);

    for (int r = 0; r < rounds; ++r) {
        for (unsigned char input = 0; input < 6; ++input)
            writer.newFreqFrame(pattern<FreqFrame>(static_cast<FrameId>(FrameId_freq_1 + input), r, out), input);
        writer.newLoadCellFrame(pattern<loadCellFrame_t>(FrameId_loadCell, r, out));
        writer.newLoadCellFrameV2(pattern<loadCellFrameV2_t>(FrameId_loadCellV2, r, out));
        writer.newAccControllerOutFrame(pattern<speedControllerOutFrame_t>(FrameId_accController, r, out));
        writer.newSpeedControllerOutFrame(pattern<speedControllerOutFrame_t>(FrameId_speedController, r, out));
        writer.newTorqueControllerOutFrame(pattern<torqueControllerOutFrame_t>(FrameId_torqueController, r, out));
        writer.newAINControllerOutFrame(pattern<ainControllerOutFrame_t>(FrameId_ainController, r, out));
        writer.newAccControllerSPFrame(pattern<speedControllerSPFrame_t>(FrameId_accControllerSP, r, out));
        writer.newSpeedControllerSPFrame(pattern<speedControllerSPFrame_t>(FrameId_speedControllerSP, r, out));
        writer.newTorqueControllerSPFrame(pattern<torqueControllerSPFrame_t>(FrameId_torqueControllerSP, r, out));
        writer.newAINControllerSPFrame(pattern<ainControllerSPFrame_t>(FrameId_ainControllerSP, r, out));
        writer.newPidDetailsFrame(pattern<pidDetailsFrameV2_t>(FrameId_pidDetailsV2, r, out));
        writer.newAinFrame(pattern<ainFrame_t>(FrameId_ain, r, out), 0);
        writer.newAinFrame(pattern<ainFrame_t>(FrameId_ain_2, r, out), 1);
        writer.newTcFrame(pattern<hpAinFrame_t>(FrameId_hpAin, r, out));
        writer.newCANFrame(pattern<canFrame_t>(FrameId_can, r, out));
        writer.slot_newAmbientFrame(pattern<ambientFrame_t>(FrameId_ambient, r, out));
        writer.slot_newAudioBuffer_1(pattern<AudioBlock>(FrameId_audio_1, r, out));
        writer.slot_newAudioBuffer_2(pattern<AudioBlock>(FrameId_audio_2, r, out));

        const double value = r * 1.25 + 0.125;
        channel.setDataWithoutFilter(value, runStart + 10 * r + 3);
        expectChannelFrame(out, FrameId_channel, value, uint16_t(out->channelFileId), uint32_t(10 * r + 3));
        const qint64 later = runStart + 20 * r + 1;
        writer.slot_newSerialInputDeviceData(value * 2, 0x0102, later);
        expectChannelFrame(out, FrameId_serialInputChannel, value * 2, 0x0102, uint32_t(20 * r + 1));
        writer.slot_newModbusData(value * 3, 0x0203, later);
        expectChannelFrame(out, FrameId_modbus, value * 3, 0x0203, uint32_t(20 * r + 1));
        writer.slot_newUDSInputData(value * 4, 0x4567, later);
        expectChannelFrame(out, FrameId_udsInputChannel, value * 4, 0x4567, uint32_t(20 * r + 1));
    }
    QObject::disconnect(connection);
}

RunStopInputs sampleStopInputs()
{
    RunStopInputs inputs = RunStopInputs::collect();
    inputs.dynoSettings = {
        {QStringLiteral("engineSpeedSource"), SettingWidgetType_comboBox, 2},
        {QStringLiteral("engineSpeedRatio"), SettingWidgetType_doubleSpinBox, 1.25},
        {QStringLiteral("roller_0_diameter"), SettingWidgetType_spinBoxWithUnit, 0.318},
        {QStringLiteral("ain_0_name"), SettingWidgetType_lineEdit, QStringLiteral("Öl temp; 100%")},
        {QStringLiteral("freqInput_0_sensorCharacteristic"), SettingWidgetType_pointVectorEditor,
         QVariant::fromValue(QList<QPointF>{{0.0, 0.0}, {1.0, 2.5}, {2.0, 7.75}})},
        {QStringLiteral("lossModel"), SettingWidgetType_lossModelEditor,
         QVariant::fromValue(QList<double>{1.0, 2.0, 3.5})},
        {QStringLiteral("loadCell_0_automaticOffset"), SettingWidgetType_checkBox, true},
        {QStringLiteral("freqInput_0_sensorQuantity"), SettingWidgetType_quantityComboBox, 2},
        {QStringLiteral("pidDetails"), SettingWidgetType_spinBox, 17},
        {QStringLiteral("engineSpeedCANChannel"), SettingWidgetType_argumentWidget, QStringLiteral("can_rpm")},
    };
    inputs.engineSpeedSource = 2;
    inputs.engineSpeedRatio = 1.25;
    inputs.distance = 412.5;
    inputs.powerCorrectionStandard = 5;
    inputs.correctionFactor = 0.0123;
    inputs.ambientTemperature = 293.15;
    inputs.ambientPressure = 98765.0;
    inputs.ambientHumidity = 0.45;
    inputs.wheelPowerMax = 101234.5;
    inputs.roadSpeedMax = 61.5;
    inputs.comment = QStringLiteral("Leerlauf; 3. Gang – 100 %");
    inputs.name = QStringLiteral("Run 7");
    inputs.runType = 3;
    inputs.deviceCode = 3;
    inputs.canParserSetup = QStringLiteral("<canInputs/>");
    inputs.functionsSetup = QStringLiteral("<functions/>");
    inputs.inputChannelsSetup = QStringLiteral("<inputChannels/>");
    inputs.serialInputDevicesSetup = QStringLiteral("<serialInputDevices/>");
    inputs.modbusSetup = QStringLiteral("<modbus/>");
    inputs.udsChannelSetup = QStringLiteral("<udsChannels/>");
    inputs.lossModelAttached = true;
    return inputs;
}

} // namespace RunFileTest
