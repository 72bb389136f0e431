#pragma once

#include "AbstractRMdiWidget.h"

#include <QList>

class ColorButton;
class QCPCurve;
class QCPLayer;
class QCheckBox;
class QComboBox;
class QCustomPlot;
class QSpinBox;
class ScatterPlotAxis;

// RUN widget "preview plot": the power curves of the runs loaded in ANALYZE
// (their preview vectors, one light curve each) under the live power against
// the live master channel of the last few seconds.
class RMdiPreviewPlot : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiPreviewPlot(AbstractMdi* mdi);
    ~RMdiPreviewPlot() override;

    void refreshTick(qint64 nowMs) override;
    void insertDataBrake() override;
    void unpause() override;
    void newRunStarted() override {}
    void onCreateConfiguration() override;
    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void updatePreview();
    int getNearestAxis(const QPoint& pos) const;
    void updateWarningsPosition();
    void insertPlotBrake() { insertDataBrake(); }
    void makeInitialConfiguration(bool showInfo);

    QCustomPlot* plot = nullptr;
    QCPCurve* currentCurve = nullptr;
    QCPLayer* previewLayer = nullptr;
    QCPLayer* currentLayer = nullptr;
    QList<QCPCurve*> backgroundCurves;
    ScatterPlotAxis* axes[3] = {nullptr, nullptr, nullptr};
    qint64 lastTickRunTime = 0;
    qint64 lastFullReplotRunTime = 0;
    double lastMaster;
    double lastPower;
    bool previewQueued = true;
    bool paused = false;
    QDialog* configDialog = nullptr;
    QSpinBox* historyLength = nullptr;
    ColorButton* backgroundDataColor = nullptr;
    QCheckBox* drawPoints = nullptr;
    QCheckBox* drawLines = nullptr;
    QComboBox* powerCurve = nullptr;

public Q_SLOTS:
    void slot_queuePreviewUpdate();
    void slot_updatePowerCurveSelection();
    void slot_clearDataAndGraph();
    void slot_showContextMenu(const QPoint& pos);
    void slot_drawPointsChanged(int state);
    void slot_drawLinesChanged(int state);
    void slot_backgroundCurveColorChanged(const QColor& color);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QMetaObject::Connection powerSetupConnection;
};
