#pragma once

// Plugs the calibration wizards into the program: the hooks of the lower
// layers (Wizards::registerHooks) and the project page's calculators.
namespace WizardsLink {

void install();

} // namespace WizardsLink
