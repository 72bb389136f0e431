#include "MediaTools.h"

#include "AnalysisHooks.h"
#include "CameraThread.h"
#include "KnockEngineNoiseWizard.h"
#include "KnockPlayer.h"
#include "RMdiCamera.h"
#include "WizardButton.h"

namespace MediaTools {

void install()
{
    RMdiCamera::setCameraSource(theCameraThread);
    AnalysisHooks::instance().knockPlayer = [](RunData* run, QWidget* parent) { KnockPlayer::open(run, parent); };
    WizardButton::registerOpener(SettingWizardId_knockEngineNoise, [](WizardButton& button) {
        KnockEngineNoiseWizard wizard(button.index, &button);
        wizard.run();
    });
}

} // namespace MediaTools
