#pragma once

#include "PIDConf.h"
#include "RelayTuning.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QDoubleSpinBox;
class QLabel;
class QPushButton;
class RunChannel;
class SafeSpinBox;
class SpinBoxWithUnit;

// The PID tuning window of one controller loop. Its gain editors mirror the
// controller's dyno-setting editors both ways; the relay method measures the
// ultimate gain and period (RelayTuning) and offers four rule sets; "Save"
// keeps a restore point, "Reset" and closing go back to it. Closing, or the
// window going away without a close, also sets the relay amplitude to 0, so
// the controller never keeps relay-testing. GUI thread.
class TunePID : public QDialog
{
    Q_OBJECT
public:
    // The controller's editors; kFF, kDD, kDDF, e1 and e2 may be null.
    struct Editors {
        SpinBoxWithUnit* pvFilter = nullptr;
        QDoubleSpinBox* relayAmplitude = nullptr;
        QDoubleSpinBox* kFF = nullptr;
        QDoubleSpinBox* kP = nullptr;
        QDoubleSpinBox* kI = nullptr;
        QDoubleSpinBox* kDFast = nullptr;
        QDoubleSpinBox* kDSlow = nullptr;
        QDoubleSpinBox* kDD = nullptr;
        SpinBoxWithUnit* kF = nullptr;
        SpinBoxWithUnit* kDF = nullptr;
        SpinBoxWithUnit* kDDF = nullptr;
        QDoubleSpinBox* e1 = nullptr;
        QDoubleSpinBox* e2 = nullptr;
    };
    TunePID(QWidget* parent, RunChannel* setPoint, RunChannel* processValue, const Editors& editors,
            const QString& title, const QString& pvName, const QString& e1Name = QString(),
            const QString& e2Name = QString());
    ~TunePID() override;

    void loadPIDConf(const PIDConf_t& conf, bool all);
    PIDConf_t savePIDConf() const;
    void calculateCoeficients(double kU, double tU);
    // The clipboard text of the gains, and reading it back.
    QString clipboardText() const;
    void applyClipboardText(const QString& text);

    // The set point now (NaN when stale); reads the set-point channel unless replaced.
    std::function<double()> setPointValue;
    PIDConf_t restorePoint;
    PIDConf_t ruleSets[4];
    RelayTuning tuning;
    bool torque = false;

    SafeSpinBox* spinBox_relayAmplitude = nullptr;
    // kFF, kP, kI, kDFast, kDSlow, kDD, kF, kDF, kDDF, e1, e2.
    SafeSpinBox* gains[11] = {};
    QPushButton* pushButton_relayTuning = nullptr;
    QPushButton* pushButton_load[4] = {};
    QPushButton* pushButton_reset = nullptr;
    QPushButton* pushButton_save = nullptr;
    QLabel* label_kU = nullptr;
    QLabel* label_tU = nullptr;
    QLabel* label_rules[3][4] = {};
    QLabel* label_arming = nullptr;

public Q_SLOTS:
    void slot_newPVData(double value, qint64 timestamp);
    void slot_newSPData(double value, qint64 timestamp);
    void slot_pushButton_relayTuning_toggled(bool checked);
    void slot_pushButton_save_clicked();
    void slot_pushButton_reset_clicked();
    void slot_highlightSaveButton();
    void slot_pushButton_saveToClipboard();
    void slot_pushButton_loadFromClipboard();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void restoreOnLeave();
    void cleanSaveButton();

    RunChannel* setPointChannel = nullptr;
    RunChannel* processValueChannel = nullptr;
    // The controller's relay amplitude editor; it may go before this window.
    QPointer<QDoubleSpinBox> relayEditor;
};
