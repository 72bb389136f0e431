#include "FieldBus.h"

#include "AbstractLogWriter.h"
#include "CanInputsModel.h"
#include "CanOutputMessageModel.h"
#include "Channels.h"
#include "KX4Tool.h"
#include "ModbusInterfaceModel.h"
#include "RecordedCanInputs.h"
#include "RecordedModbusInterfaces.h"
#include "RecordedSerialInputs.h"
#include "RunThread.h"
#include "SerialInputDevicesModel.h"
#include "WizardButton.h"
#include "RunDataHooks.h"
#include "CANMonitor.h"
#include "CANopenTool.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"

#include <QCoreApplication>

namespace FieldBus {

void registerHooks()
{
    // The CAN wizard buttons of the dyno settings: the button's instance is
    // the bus.
    WizardButton::registerOpener(SettingWizardId_canMonitor, [](WizardButton& button) {
        CANMonitor::openModal(button.window());
    });
    WizardButton::registerOpener(SettingWizardId_canOpenTool, [](WizardButton& button) {
        CANopenTool tool(button.window(), button.index);
        DialogAnswerer::exec(&tool);
    });

    theChannels.registerFamily(Channels::Family_canInputs, &theCanInputsModel);
    RunDataHooks::instance().modelFactories.insert(
        QStringLiteral("canParserSetup"),
        [](const QString& xml) -> RecordedChannelModel* { return new RecordedCanInputs(xml); });

    theChannels.registerFamily(Channels::Family_modbus, &theModbusInterfacesModel);
    theChannels.registerFamily(Channels::Family_serialDevices, &theSerialDevicesModel);
    RunDataHooks::instance().modelFactories.insert(
        QStringLiteral("modbusSetup"),
        [](const QString& xml) -> RecordedChannelModel* { return new RecordedModbusInterfaces(xml); });
    RunDataHooks::instance().modelFactories.insert(
        QStringLiteral("serialInputDevicesSetup"),
        [](const QString& xml) -> RecordedChannelModel* { return new RecordedSerialInputs(xml); });

    // "KX4 Tool" of the "CAN interface" group: the tool for that bus, modal.
    WizardButton::registerOpener(SettingWizardId_kx4Tool, [](WizardButton& button) {
        KX4Tool tool(&button, button.index);
        DialogAnswerer::exec(&tool);
    });

    static const auto recording = [] { return theRunThread && theRunThread->runActive.load(); };
    ModbusInterfaceModel::runRecording = recording;
    SerialInputDevicesModel::runRecording = recording;

    // Both families record while a run is active (queued: the writer lives in
    // the run thread).
    RunThread::hooks.connectSources.append([](AbstractLogWriter* writer) {
        return QList<QMetaObject::Connection>{
            QObject::connect(&theModbusInterfacesModel, &ModbusInterfaceModel::signal_newData, writer,
                             &AbstractLogWriter::slot_newModbusData, Qt::QueuedConnection),
            QObject::connect(&theSerialDevicesModel, &SerialInputDevicesModel::signal_newData, writer,
                             &AbstractLogWriter::slot_newSerialInputDeviceData, Qt::QueuedConnection)};
    });
}

void initCanInputs()
{
    QObject::connect(&theCanInputsModel, &CanInputsModel::signal_emitError, &theCanInputsModel, &Tools::showError,
                     Qt::UniqueConnection);
    theCanInputsModel.initLive();
}

void initCanOutputs()
{
    if (!theCanOutputMessageModel) {
        theCanOutputMessageModel = new CanOutputMessageModel(qApp);
        QObject::connect(theCanOutputMessageModel, &CanOutputMessageModel::signal_emitError, qApp, &Tools::showError);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, theCanOutputMessageModel,
                         &CanOutputMessageModel::slot_saveToFile);
    }
    theCanOutputMessageModel->loadFromFile();
}

void initModbus()
{
    QObject::connect(&theModbusInterfacesModel, &ModbusInterfaceModel::signal_emitError, &theModbusInterfacesModel,
                     &Tools::showError, Qt::UniqueConnection);
    theModbusInterfacesModel.initLive();
}

void initSerialInputs()
{
    QObject::connect(&theSerialDevicesModel, &SerialInputDevicesModel::signal_emitError, &theSerialDevicesModel,
                     &Tools::showError, Qt::UniqueConnection);
    theSerialDevicesModel.initLive();
    theModbusInterfacesModel.updateArgumentPointers();
}

} // namespace FieldBus
