#pragma once

#include "MdiType.h"

#include <QList>
#include <QStringList>
#include <QTabWidget>

class AbstractMdi;
class ChannelSetupModel;
class QDir;

// The tab set of the desktops of one kind (RUN or ANALYZE): opens them from
// their files in the remembered order, creates, renames, duplicates, closes,
// restores, detaches and locks them from the tab menu, decides which one
// refreshes (only the visible one, only while its main tab is shown) and
// forwards the run-start events.
class MdiManager : public QTabWidget
{
    Q_OBJECT
public:
    MdiManager(QWidget* parent, MdiType type);
    ~MdiManager() override;

    void initAfterSettings();
    AbstractMdi* newMdi(const QString& name, const QString& path, bool postImport);
    void showMdiInTab(AbstractMdi* mdi);
    void showMdiInWindow(AbstractMdi* mdi);
    QStringList existingDesktopNames() const;
    AbstractMdi* mdiWidget(int index) const;
    void updateLockedIcon(int index);
    void unpause();
    void mainUiCloseClicked();
    void raiseDialogs();
    void restoreClosedDesktop();
    void renameDesktop(int index, const QString& requested);
    void duplicateDesktop(int index);
    void detachDesktop(int index);
    // Writes a downloaded desktop into the folder and opens it.
    AbstractMdi* openDownloadedDesktop(const QString& listedName, const QString& text);

    QDir* desktopsDir = nullptr;
    QDir* closedDesktopsDir = nullptr;
    QString folderName;
    QString tabListKey;
    ChannelSetupModel* channelSetupModel = nullptr;
    int mainTabIndex = 0;
    MdiType mdiType;
    QList<AbstractMdi*> detachedDesktops;
    bool closing = false;
    QStringList closedDesktopNames;
    QStringList widgetTypeNames;
    QStringList widgetXmlNames;
    // How often the run events arrived; the main window's tests read them.
    int unpauseCount = 0;
    int newRunCount = 0;

public Q_SLOTS:
    void slot_newTabRequested();
    void slot_tabCloseRequested(int index);
    void slot_tabContextMenu(const QPoint& pos);
    void slot_updateActiveUpdates();
    void slot_mdiWindowClosed();
    void slot_newRunStarted();
};
