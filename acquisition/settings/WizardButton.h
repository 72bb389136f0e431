#pragma once

#include "SettingWizardId.h"

#include <QPushButton>

#include <functional>

// The button under a settings page's rows that opens a calibration tool or
// calculator for one channel. The tools live in a layer above this one: they
// register how a button opens them (setOpener); until then a click opens nothing.
class WizardButton : public QPushButton
{
    Q_OBJECT
public:
    WizardButton(SettingWizardId id, int channel, QWidget* parent = nullptr);

    static QString caption(SettingWizardId id);
    static void setOpener(std::function<void(SettingWizardId id, int channel)> opener);

    const SettingWizardId id;
    const int channel;

public Q_SLOTS:
    void slot_clicked();
};
