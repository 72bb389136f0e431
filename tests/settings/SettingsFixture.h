#pragma once

#include "LinkFixture.h"

#include <QString>

#include <functional>
#include <memory>

class ACMTabWidget;
class DynoSettings;

// The dyno settings of one board as the program has them: a running MCU link
// on the simulated controller (its configuration memory and the frames it
// received are there to look at), the SETTINGS tab widget and the registry,
// which registers when the link confirms the firmware.
//
// The channel registry is filled once per process, by the first board, so a
// test process works with one board only; a second registry on the same board
// is a restart of the program.
class SettingsFixture
{
public:
    // Units, channel setups and the store's folders, once per process.
    static void prepareProcess();

    explicit SettingsFixture(int deviceCode = 3, std::function<void(DynoSettings*)> prepare = nullptr);
    ~SettingsFixture();

    // Starts the link and waits for the registry to be ready.
    bool start(int timeoutMs = 30000);
    // Waits until everything queued has reached the controller.
    bool waitLinkIdle(int timeoutMs = 5000);
    // A registry and its tab widget as after a restart of the program (the
    // store keeps what it holds); the link and the controller stay.
    bool restart(int timeoutMs = 30000);

    // Run on every new registry before it registers (links to the RUN tab and the like).
    std::function<void(DynoSettings*)> prepare;

    LinkFixture link;
    std::unique_ptr<ACMTabWidget> tabs;
    DynoSettings* registry = nullptr;

private:
    void createRegistry();
};
