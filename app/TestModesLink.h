#pragma once

// Plugs into the test modes and the wizards what each needs of the other
// layers built beside them: the log player's CSV import, the road
// simulation's equivalent-mass calculator and the settings buttons' PID
// tuning window, and the MIDI player's registration.
namespace TestModesLink {

void install();

} // namespace TestModesLink
