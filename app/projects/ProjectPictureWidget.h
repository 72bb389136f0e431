#pragma once

#include <QImage>
#include <QWidget>

class ImageLabel;
class QPushButton;
class QTimer;

// The "PROJECT PICTURE" page: one picture per project, "<id>.jpg" in the media
// folder, from a file, a dropped file or the IP camera. Undo brings back the
// picture the project had when it was shown.
class ProjectPictureWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectPictureWidget(QWidget* parent = nullptr);

    void setProjectId(int id);
    QString getImageFilepath() const;
    void updatePicturePreview();
    void setImageFromPath(const QString& path);
    // Asks the camera for a frame so one is ready when the operator wants it.
    void requestFreshFrame();

    ImageLabel* label = nullptr;
    QPushButton* pushButton_clear = nullptr;
    QPushButton* pushButton_load = nullptr;
    QPushButton* pushButton_webcam = nullptr;
    QPushButton* pushButton_undo = nullptr;
    QTimer* retryTimer = nullptr;
    int projectId = -1;
    QImage undoImage;
    int webcamTriesLeft = 0;

public Q_SLOTS:
    void slot_clear();
    void slot_loadFromFile();
    void slot_takeFromWebcam();
    void slot_tryGrabbingPictureFromWebcam();
    void slot_undo();
    void slot_pictureDropped(const QString& filepath);
};
