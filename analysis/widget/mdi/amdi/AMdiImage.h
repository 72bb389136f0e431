#pragma once

#include "AbstractAMdiWidget.h"

#include <QPixmap>
#include <QStringList>

class QLabel;
class QTimer;

// A picture slideshow on the analysis desktops: the chosen files one after
// the other at a fixed interval. No channels, no recalculation, no print id.
class AMdiImage : public AbstractAMdiWidget
{
    Q_OBJECT
public:
    explicit AMdiImage(AbstractMdi* desktop);

    void onCreateConfiguration() override;
    void recalculate() override;
    QStringList listChannelKeys() override;
    void parseDomElementChild(const QDomElement* setup) override;
    void writeToDomElementChild(QDomElement* setup) override;

    // Reads every file once. Photos are decoded at most at screen size: full
    // camera pictures would otherwise fill the board's memory.
    void updatePixmaps();
    static QPixmap loadPicture(const QString& fileName, const QSize& limit);

    int currentIndex = 0;
    QStringList fileNames;
    QList<QPixmap> pixmaps;
    QTimer* swapTimer = nullptr;
    QTimer* resizeTimer = nullptr;
    QLabel* label = nullptr;

public Q_SLOTS:
    void slot_swapTick(bool incrementId);
    void slot_swapTick();
    void slot_configureWidget();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};
