#pragma once

#include <QFrame>
#include <QList>

class DynoSettingsLossModelEditor;
class QCheckBox;
class QLabel;
class QTimer;

// The RUN tab's loss-model frame: the two live loss powers, coloured while the
// speed-based loss model holds a coefficient other than 0, and a context menu
// that takes the model from a recorded run or clears it. The model itself
// lives in the dyno setting's editor; this frame only hands lists to it.
class LossModelIndicator : public QFrame
{
    Q_OBJECT
public:
    explicit LossModelIndicator(QWidget* parent = nullptr);
    // Once the dyno settings exist: colour for the current model, start refreshing.
    void init();
    void clearModel();
    void loadModel(const QList<double>& model);
    void updateLossModelLabelStyle();
    // Takes the model stored in a run file. False (and an error box) when the
    // file cannot be read; true also when it stores no model, which changes nothing.
    bool loadModelFromRunFile(const QString& path);

    QTimer* refreshTimer = nullptr;
    QLabel* label_status = nullptr;
    QCheckBox* checkBox_attachLossModelToRun = nullptr;

public Q_SLOTS:
    void slot_updatePreview();
    void slot_contextMenuRequested(const QPoint& pos);

private:
    static DynoSettingsLossModelEditor* settingEditor();
    static QList<double> currentModel();
    const QString speedLossText;
    const QString loadLossText;
};
