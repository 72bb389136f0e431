#pragma once

#include "AbstractRMdiWidget.h"

class CameraPictureSource;
class QComboBox;
class QDialog;
class QLabel;

// RUN widget "camera": the newest picture of the IP camera, scaled to the
// widget, and "Save image" at the camera's own resolution. It has no channel.
// Its refresh is what keeps the camera decoding: the decoder runs only while
// someone asks for pictures.
//
// The camera lives in a layer above this one; it registers itself with
// `setCameraSource` at start-up.
class RMdiCamera : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    static void setCameraSource(CameraPictureSource* source);
    static CameraPictureSource* cameraSource();

    explicit RMdiCamera(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override {}
    void configureWidget() override;
    void refreshTick(qint64 nowMs) override;

    void saveImage();
    Qt::TransformationMode transformationMode() const;

    QLabel* label = nullptr;
    qint64 lastFrameTime = 0;
    int lastWidth = -1;
    int lastHeight = -1;
    QDialog* configurationDialog = nullptr;
    QComboBox* scalingMode = nullptr;
    // How often a picture was scaled into the label (each frame or size once).
    int scaleCount = 0;

public Q_SLOTS:
    void slot_contextMenu(const QPoint& pos);
};
