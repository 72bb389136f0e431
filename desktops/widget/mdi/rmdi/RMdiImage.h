#pragma once

#include "AbstractRMdiWidget.h"

#include <QList>
#include <QPixmap>
#include <QStringList>

class QLabel;
class QTimer;

// RUN widget "image": one or more pictures, scaled to the widget with their
// aspect ratio, shown in turn at a fixed interval. Pictures are decoded no
// larger than the screen, so a folder of camera photos cannot exhaust the
// board's memory; a file that cannot be read shows "Invalid image" in its turn.
// The show pauses while the widget's desktop is hidden.
class RMdiImage : public AbstractRMdiWidget
{
    Q_OBJECT
public:
    explicit RMdiImage(AbstractMdi* desktop);

    void parseDomElement(const QDomElement* element) override;
    void writeToDomElement(QDomElement* element) override;
    void onCreateConfiguration() override;
    void configureWidget() override;

    void updatePixmaps();
    // The picture of a file, scaled down on decoding to fit into `limit`
    // (aspect ratio kept); null when the file cannot be read.
    static QPixmap loadPicture(const QString& path, const QSize& limit);
    // The largest picture worth decoding: the screen's size.
    static QSize pictureLimit();

    QLabel* label = nullptr;
    QStringList imagePaths;
    QList<QPixmap> pictures;
    int currentIndex = 0;
    QTimer* swapTimer = nullptr;
    QTimer* rescaleTimer = nullptr;

public Q_SLOTS:
    void slot_swapTick(bool advance);
    void slot_swapTick() { slot_swapTick(true); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Back on screen: the picture where the show paused, at once.
    void showEvent(QShowEvent* event) override;
};
