#include "Diagnostics.h"

#include "Channels.h"
#include "OBDAnalyzer.h"
#include "RecordedUdsChannels.h"
#include "RunDataHooks.h"
#include "UDSChannelModel.h"
#include "lib/Tools.h"

#include <QCoreApplication>

namespace Diagnostics {

void registerHooks()
{
    theChannels.registerFamily(Channels::Family_uds, &theUDSChannelModel);
    OBDAnalyzer::registerOpener();
    RunDataHooks::instance().modelFactories.insert(
        QStringLiteral("udsChannelSetup"),
        [](const QString& xml) -> RecordedChannelModel* { return new RecordedUdsChannels(xml); });
}

bool loadUdsChannelsOnce()
{
    static bool done = false;
    if (done)
        return false;
    done = true;
    theUDSChannelModel.loadFromFile();
    return true;
}

void initUdsChannels()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QObject::connect(&theUDSChannelModel, &UDSChannelModel::signal_emitError, &theUDSChannelModel,
                     [](const QString& text) { Tools::showError(QStringLiteral("UDS ") + text); });
    if (qApp)
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, &theUDSChannelModel, &UDSChannelModel::slot_saveToFile);
    loadUdsChannelsOnce();
}

} // namespace Diagnostics
