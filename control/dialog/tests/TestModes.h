#pragma once

// Registers the test windows of this folder with the RUN panel's
// advanced-test selector (AdvancedTestRegistry). Called once at start-up.
void registerTestModes();
