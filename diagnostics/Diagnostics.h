#pragma once

// Start-up links of the vehicle diagnostics to the layers that cannot name it.
namespace Diagnostics {

// The UDS family of the channel registry and the factory of a recorded run's
// "udsChannelSetup".
void registerHooks();

// Loads "UDSChannels.xml" into the live model (once), shows its errors with
// "UDS " in front and saves the list when the program quits.
void initUdsChannels();

// Loads "UDSChannels.xml" into the live model the first time it is called;
// false on every later call.
bool loadUdsChannelsOnce();

} // namespace Diagnostics
