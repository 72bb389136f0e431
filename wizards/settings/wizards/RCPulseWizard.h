#pragma once

#include <QDialog>

class QSlider;

// Finds the duty cycles of an RC servo's end positions on a PWM output: the
// output works at 40-100 Hz while the sliders move the servo; OK writes the
// range, Cancel (also closing the window or Escape) puts back what was there.
class RCPulseWizard : public QDialog
{
    Q_OBJECT
public:
    RCPulseWizard(QWidget* parent, int output);

    // Duty cycle of a pulse (s) at a frequency (Hz); the driver inverts the signal.
    static double dutyCycle(double pulse, double frequency) { return 1.0 - pulse * frequency; }
    static double pulseOf(int sliderValue) { return 0.001 + sliderValue / 100.0 * 0.001; }
    static double workingFrequency(double frequency);

    int output = 0;
    double frequency = 0.0;
    double openingFrequency = 0.0;
    double openingMin = 0.0;
    double openingMax = 0.0;
    QSlider* minCalibration = nullptr;
    QSlider* maxCalibration = nullptr;
    QSlider* testValue = nullptr;

    void reject() override;

public Q_SLOTS:
    void slot_testValueChanged();
    void slot_apply();
    void slot_reject();

private:
    void writeSetting(int id, double value);
    double readSetting(int id) const;
    bool restoring = false;
};
