#pragma once

#include "SettingWizardId.h"

#include <QPointer>
#include <QPushButton>

#include <functional>

// The button under a settings group that opens a calibration tool or
// calculator for one instance of the group (roller, load cell, input, ...).
// The tools live in layers above this one: each registers how a button with
// its id opens it (registerOpener); an id nobody registered opens nothing.
// Every click ends with the settings store written to disk, whatever the tool
// did, so a calibration survives a power cut right after it.
class WizardButton : public QPushButton
{
    Q_OBJECT
public:
    using Opener = std::function<void(WizardButton& button)>;

    WizardButton(SettingWizardId id, int index, QWidget* parent = nullptr);

    static QString caption(SettingWizardId id);
    // Replaces what an earlier registration of the same id did; an empty
    // opener takes the id out again.
    static void registerOpener(SettingWizardId id, Opener opener);
    static bool hasOpener(SettingWizardId id);

    const SettingWizardId id;
    // Instance index of the button's group, counted from 0.
    const int index;
    // The non-modal tool a button opened (PID tuning); a second click shows it
    // again while it exists.
    QPointer<QWidget> tool;

public Q_SLOTS:
    void slot_wizardCaller();
};
