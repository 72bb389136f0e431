#pragma once

#include "DynoSettingId.h"
#include "SettingWidgetType.h"

#include <QString>

class DynoSetting;
class QWidget;
class WizardButton;

// The settings page's wizard buttons: the registration of every tool this
// layer offers, and the short actions that run in place of a tool.
namespace SettingsWizards {

// Registers the openers of ids 1-12, 17-20 and 22-26.
void registerOpeners();

// The live dyno setting's editor as T, or null (with the debug line of a
// wrong kind, or when the board lacks that instance).
template<class T> T* editor(DynoSettingId id, int index, SettingWidgetType type);
DynoSetting* setting(DynoSettingId id, int index);

// Inline actions, public for the tests.
void recalibrateZero(int loadCell);
void copySpeedPidToAccPid(int controller);
void knockFrequency(int audioInput);
void knockSettingsFromLastRun(int audioInput);
void adjustStepper(int stepper);
void openChannelSetup(int input);
void openPidTuning(WizardButton& button);

// Knock frequency (Hz) from a cylinder diameter (m) and back.
double knockFrequencyFromDiameter(double diameter);
double diameterFromKnockFrequency(double frequency);
// The word register 50 takes for a stepper adjustment.
quint32 stepperAdjustWord(int stepper, int steps);

} // namespace SettingsWizards

#include "DynoSetting.h"
#include "DynoSettings.h"

template<class T> T* SettingsWizards::editor(DynoSettingId id, int index, SettingWidgetType type)
{
    DynoSetting* found = setting(id, index);
    return found ? found->getWidgetHelper<T>(type) : nullptr;
}
