#include "FieldBus.h"

#include "CanInputsModel.h"
#include "CanOutputMessageModel.h"
#include "Channels.h"
#include "RecordedCanInputs.h"
#include "RunDataHooks.h"
#include "lib/Tools.h"

#include <QCoreApplication>

namespace FieldBus {

void registerHooks()
{
    theChannels.registerFamily(Channels::Family_canInputs, &theCanInputsModel);
    RunDataHooks::instance().modelFactories.insert(
        QStringLiteral("canParserSetup"),
        [](const QString& xml) -> RecordedChannelModel* { return new RecordedCanInputs(xml); });
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

} // namespace FieldBus
