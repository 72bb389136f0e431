#include "TestModes.h"

#include "AdvancedTestRegistry.h"
#include "CustomAccRateDialog.h"
#include "InertiaCalibrationTest.h"
#include "RampTestDialog.h"

namespace {
// The selector's entries (the RUN panel's AdvancedTestType).
constexpr int rampTestType = 3;
constexpr int inertiaCalibrationType = 5;
constexpr int customAccRateType = 6;
} // namespace

void registerTestModes()
{
    AdvancedTestRegistry::registerDialog<RampTestDialog>(rampTestType);
    AdvancedTestRegistry::registerDialog<InertiaCalibrationTest>(inertiaCalibrationType);
    AdvancedTestRegistry::registerDialog<CustomAccRateDialog>(customAccRateType);
}
