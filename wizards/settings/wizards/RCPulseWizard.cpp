#include "RCPulseWizard.h"

#include "MySettings.h"
#include "SettingsWizards.h"
#include "lib/DialogAnswerer.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSlider>

double RCPulseWizard::workingFrequency(double f)
{
    if (f > 100.0)
        return 100.0;
    if (f <= 40.0)
        return 40.0;
    return f;
}

void RCPulseWizard::writeSetting(int id, double value)
{
    if (DynoSetting* s = SettingsWizards::setting(DynoSettingId(id), output))
        s->setValue(value);
}

double RCPulseWizard::readSetting(int id) const
{
    DynoSetting* s = SettingsWizards::setting(DynoSettingId(id), output);
    return s ? s->value().toDouble() : 0.0;
}

RCPulseWizard::RCPulseWizard(QWidget* parent, int outputIndex)
    : QDialog(parent)
    , output(outputIndex)
{
    openingFrequency = readSetting(DynoSettingId_pwmFrequency);
    if (DynoSetting* mode = SettingsWizards::setting(DynoSettingId_pwmMode, output))
        mode->setValue(0);
    frequency = workingFrequency(openingFrequency);
    writeSetting(DynoSettingId_pwmFrequency, frequency);
    openingMin = readSetting(DynoSettingId_pwmRangeMin);
    openingMax = readSetting(DynoSettingId_pwmRangeMax);

    setWindowTitle(tr("RC Servo Pulse Wizard"));
    resize(500, 50);
    auto* form = new QFormLayout(this);
    auto slider = [&](const QString& name, int value) {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setRange(0, 100);
        s->setObjectName(name);
        s->setValue(value);
        return s;
    };
    minCalibration = slider(QStringLiteral("rcPulseWizard/minCalibration"), 0);
    maxCalibration = slider(QStringLiteral("rcPulseWizard/maxCalibration"), 100);
    testValue = slider(QStringLiteral("rcPulseWizard/testValue"), 0);
    form->addRow(tr("Range minimum calibration"), minCalibration);
    form->addRow(tr("Range maximum calibration"), maxCalibration);
    form->addRow(tr("Position test value"), testValue);
    for (QSlider* s : {minCalibration, maxCalibration, testValue}) {
        theSettings.connectSlider(s);
        connect(s, &QSlider::valueChanged, this, &RCPulseWizard::slot_testValueChanged);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &RCPulseWizard::slot_apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &RCPulseWizard::slot_reject);
    slot_testValueChanged();
    // Closing the window or Escape ends as Cancel: otherwise a throttle servo
    // would stay frozen at the test position.
    if (DialogAnswerer::exec(this) != QDialog::Accepted && !restoring)
        slot_reject();
}

void RCPulseWizard::slot_testValueChanged()
{
    const double pa = pulseOf(minCalibration->value());
    const double pb = pulseOf(maxCalibration->value());
    const double pt = pa + testValue->value() / 100.0 * (pb - pa);
    writeSetting(DynoSettingId_pwmRangeMin, dutyCycle(pt, frequency));
    writeSetting(DynoSettingId_pwmRangeMax, dutyCycle(pt, frequency));
}

void RCPulseWizard::slot_apply()
{
    writeSetting(DynoSettingId_pwmRangeMin, dutyCycle(pulseOf(minCalibration->value()), frequency));
    writeSetting(DynoSettingId_pwmRangeMax, dutyCycle(pulseOf(maxCalibration->value()), frequency));
    QDialog::accept();
}

void RCPulseWizard::slot_reject()
{
    if (restoring)
        return;
    restoring = true;
    writeSetting(DynoSettingId_pwmFrequency, openingFrequency);
    writeSetting(DynoSettingId_pwmRangeMin, openingMin);
    writeSetting(DynoSettingId_pwmRangeMax, openingMax);
    QDialog::reject();
}

void RCPulseWizard::reject()
{
    slot_reject();
}
