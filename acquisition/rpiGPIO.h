#pragma once

// STAND-IN until the board GPIO is built: the fan, relay and low-side output
// lines and the switch inputs. It keeps the output states it is given and
// touches no GPIO chip.
class rpiGPIO
{
public:
    void init();
    void startSwitchUpdate();
    void setRelayOutput(int n, bool on);
    void setLSOutput(int n, bool on);
    void appCloseProcedure();

    bool fanAlwaysOn = false;
    bool relayOutputs[4] = {};
    bool lowSideOutputs[4] = {};
    bool fanOn = false;
};

extern rpiGPIO theRPIGPIO;
