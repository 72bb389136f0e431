#include "TestModes.h"

#include "AdvancedTestRegistry.h"
#include "CustomAccRateDialog.h"
#include "InertiaCalibrationTest.h"
#include "LogPlayerTest.h"
#include "RampTestDialog.h"
#include "RoadSimulationDialog.h"
#include "SequenceDialog.h"
#include "SimConnector.h"

namespace {
// The selector's entries (the RUN panel's AdvancedTestType).
constexpr int roadSimulationType = 1;
constexpr int rampTestType = 3;
constexpr int sequenceType = 4;
constexpr int inertiaCalibrationType = 5;
constexpr int customAccRateType = 6;
constexpr int simConnectorType = 7;
constexpr int logPlayerType = 8;
} // namespace

void registerTestModes()
{
    AdvancedTestRegistry::registerDialog<RoadSimulationDialog>(roadSimulationType);
    AdvancedTestRegistry::registerDialog<RampTestDialog>(rampTestType);
    AdvancedTestRegistry::registerDialog<SequenceDialog>(sequenceType);
    AdvancedTestRegistry::registerDialog<InertiaCalibrationTest>(inertiaCalibrationType);
    AdvancedTestRegistry::registerDialog<CustomAccRateDialog>(customAccRateType);
    AdvancedTestRegistry::registerDialog<SimConnector>(simConnectorType);
    AdvancedTestRegistry::registerDialog<LogPlayerTest>(logPlayerType);
}
