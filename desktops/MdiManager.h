#pragma once

#include "MdiType.h"

#include <QTabWidget>

// STAND-IN until the desktop framework is built: the tab set of the RUN or
// ANALYZE desktops. It shows one empty desktop and takes the calls the main
// window and the RUN panel make; it remembers them so their order can be seen.
class MdiManager : public QTabWidget
{
    Q_OBJECT
public:
    MdiManager(QWidget* parent, MdiType type);

    void initAfterSettings();
    void unpause();
    void mainUiCloseClicked();
    void raiseDialogs();

    MdiType type;
    bool closing = false;
    int unpauseCount = 0;
    int newRunCount = 0;

public Q_SLOTS:
    void slot_updateActiveUpdates();
    void slot_newRunStarted();
};
