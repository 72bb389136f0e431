#pragma once

#include "RunAnalysisOptions.h"

// The options of run recalculation as the SETTINGS pages and the ANALYZE tab
// hold them; read at every use, so a changed page applies to the next
// calculation. Widgets not built (yet) give the defaults.
class RunAnalysisSettings : public RunAnalysisOptions
{
public:
    int analysisSamplingFrequency() const override;
    int selectionMode() const override;
    bool calculateLossModelOnRunLoad() const override;
    bool automaticallyAcceptLossModel() const override;
    int correctionStandard() const override;
    int masterChannel() const override;
    bool developerMode() const override;
};
