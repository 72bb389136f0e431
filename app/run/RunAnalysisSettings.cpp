#include "RunAnalysisSettings.h"

#include "DelayedSpinBox.h"
#include "DynoApplication.h"
#include "PowerCorrectionSetup.h"
#include "Settings.h"
#include "UI.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

namespace {

// Options whose pages are not built yet: found by object name when they exist.
template<class T> T* namedWidget(const char* name)
{
    if (!theUI || !theUI->centralWidget)
        return nullptr;
    return theUI->centralWidget->findChild<T*>(QLatin1String(name));
}

} // namespace

int RunAnalysisSettings::analysisSamplingFrequency() const
{
    if (theUI && theUI->settings && theUI->settings->spinBox_settings_resampleFrequency)
        return theUI->settings->spinBox_settings_resampleFrequency->value();
    return RunAnalysisOptions::analysisSamplingFrequency();
}

int RunAnalysisSettings::selectionMode() const
{
    const auto* box = namedWidget<QComboBox>("comboBox_settings_defaultDisplayRangeSelectionMode");
    return box ? box->currentIndex() : RunAnalysisOptions::selectionMode();
}

bool RunAnalysisSettings::calculateLossModelOnRunLoad() const
{
    const auto* box = namedWidget<QCheckBox>("checkBox_calculateLossModelOnRunLoad");
    return box ? box->isChecked() : RunAnalysisOptions::calculateLossModelOnRunLoad();
}

bool RunAnalysisSettings::automaticallyAcceptLossModel() const
{
    const auto* box = namedWidget<QCheckBox>("checkBox_automaticallyAcceptLossModel");
    return box ? box->isChecked() : RunAnalysisOptions::automaticallyAcceptLossModel();
}

int RunAnalysisSettings::correctionStandard() const
{
    if (theUI && theUI->settings && theUI->settings->powerCorrectionSetup
        && theUI->settings->powerCorrectionSetup->comboBox_settings_powerCorrection)
        return theUI->settings->powerCorrectionSetup->comboBox_settings_powerCorrection->currentIndex();
    return RunAnalysisOptions::correctionStandard();
}

int RunAnalysisSettings::masterChannel() const
{
    if (theUI && theUI->comboBox_analyze_masterChannel)
        return std::max(0, theUI->comboBox_analyze_masterChannel->currentIndex());
    return RunAnalysisOptions::masterChannel();
}

bool RunAnalysisSettings::developerMode() const
{
    return g_devModeEnabled;
}
