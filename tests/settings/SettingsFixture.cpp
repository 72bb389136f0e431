#include "SettingsFixture.h"

#include "ACMTabWidget.h"
#include "ChannelSetupModel.h"
#include "DynoSettings.h"
#include "MySettings.h"
#include "lib/Units.h"

#include <QSignalSpy>
#include <QTest>

namespace {

SimulatedControllerConfig board(int deviceCode)
{
    SimulatedControllerConfig config;
    config.deviceCode = deviceCode;
    return config;
}

} // namespace

void SettingsFixture::prepareProcess()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    theUnits.init();
    ChannelSetupModel::registerStartupLoader();
    theSettings.initChannelsSetup();
}

SettingsFixture::SettingsFixture(int deviceCode, std::function<void(DynoSettings*)> prepare)
    : prepare(std::move(prepare))
    , link(board(deviceCode))
{
    prepareProcess();
    theMCUThread = link.link.get();
    createRegistry();
}

SettingsFixture::~SettingsFixture()
{
    tabs.reset();
    theMCUThread = nullptr;
}

void SettingsFixture::createRegistry()
{
    tabs = std::make_unique<ACMTabWidget>();
    tabs->resize(1100, 760);
    registry = new DynoSettings(tabs.get());
    if (prepare)
        prepare(registry);
}

bool SettingsFixture::start(int timeoutMs)
{
    QSignalSpy ready(registry, &DynoSettings::signal_settingsReady);
    link.start();
    return ready.wait(timeoutMs) || ready.count() > 0;
}

bool SettingsFixture::waitLinkIdle(int timeoutMs)
{
    // Empty write queue, then two more buffer swaps for what was in flight.
    if (!QTest::qWaitFor([this] { return link.link->getTxBufferFill() == 0; }, timeoutMs))
        return false;
    QTest::qWait(30);
    return link.link->getTxBufferFill() == 0;
}

bool SettingsFixture::restart(int timeoutMs)
{
    if (!waitLinkIdle())
        return false;
    tabs.reset();
    createRegistry();
    QSignalSpy ready(registry, &DynoSettings::signal_settingsReady);
    // The controller confirms again after the program's own start.
    emit link.link->signal_firmwareVersionConfirmed();
    return ready.wait(timeoutMs) || ready.count() > 0;
}
