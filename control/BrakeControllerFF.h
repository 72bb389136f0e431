#pragma once

#include "BrakeControllerPanelInputs.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <array>
#include <atomic>

class CustomCorrectionWidget;
class QCheckBox;
class QDialog;
class QLineEdit;
class QPushButton;
class QTimer;
class RunChannel;
class SpinBoxWithUnit;

// One feed-forward setup of the brake-controller panel: a row with the
// enable box and the button that opens its setup dialog. The value is a base
// fraction, optionally times the engine / roller speed ratio, times up to
// three curve factors over live channels.
//
// The brake-controller thread asks getFFValue every 10 ms. What it reads of
// the editors is published as atomics whenever an editor changes, so the
// thread sees whole values and never touches a widget.
class BrakeControllerFF : public QWidget, public BrakeControllerFeedForward
{
    Q_OBJECT
public:
    static constexpr int curveCount = 3;

    // Three channels and three default curves are expected.
    BrakeControllerFF(QWidget* parent, const QString& prefix, const QString& title, const QString& shortName,
                      QList<RunChannel*> channels, QList<QList<QPointF>*> defaultCurves);

    double getFFValue(bool force) override;
    // Switches the feed-forward off and hides its controls for good.
    void scriptHide();

    QCheckBox* checkBox_enable = nullptr;
    QPushButton* pushButton_setup = nullptr;
    QDialog* dialog = nullptr;
    SpinBoxWithUnit* spinBox_baseValue = nullptr;
    QCheckBox* checkBox_multiplyBySpeedRatio = nullptr;
    QLineEdit* lineEdit_speedRatioPreview = nullptr;
    std::array<QCheckBox*, curveCount> checkBox_multiplier{};
    std::array<QLineEdit*, curveCount> lineEdit_multiplierPreview{};
    std::array<CustomCorrectionWidget*, curveCount> curves{};
    QLineEdit* lineEdit_valuePreview = nullptr;
    RunChannel* speedRatioChannel = nullptr;
    QTimer* previewTimer = nullptr;

public Q_SLOTS:
    void slot_enableChanged(int state);
    void slot_updatePreviews();

private:
    std::atomic<bool> enabled{false};
    std::atomic<bool> multiplyBySpeedRatio{false};
    std::array<std::atomic<bool>, curveCount> multiplierEnabled{};
    std::atomic<double> baseValue{1.0};
};
