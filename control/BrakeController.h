#pragma once

#include <QFrame>

class QComboBox;

// STAND-IN until the brake-controller panel is built: the RUN tab's absorber
// control with its mode and variable selectors, the run bracket, the run type
// and the remote setters. It drives nothing yet; the remote setters keep the
// last value they were given.
class BrakeController : public QFrame
{
    Q_OBJECT
public:
    explicit BrakeController(QWidget* parent = nullptr);

    void init();
    void startRun();
    void stopRun();
    // The run-type code of the run that ends (1 inertia, 2 manual, 3 steady, 5 acc.).
    unsigned getRunType() const;
    void setChannel(int channel);
    void updateWidgetVisibility();

    QComboBox* comboBox_mode = nullptr;
    QComboBox* comboBox_channel = nullptr;
    double remoteBrakePower = 0.0;
    double remoteRoadSpeed = 0.0;
    double remoteEngineSpeed = 0.0;

public Q_SLOTS:
    void slot_remote_changeBrakeMode(int mode);
    void slot_remote_setBrakePower(double value);
    void slot_remote_setRoadSpeed(double value);
    void slot_remote_setEngineSpeed(double value);
    void slot_remote_roughStepUp();
    void slot_remote_roughStepDown();
    void slot_remote_fineStepUp();
    void slot_remote_fineStepDown();
};
