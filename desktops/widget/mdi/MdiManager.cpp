#include "MdiManager.h"

#include "AbstractMdi.h"
#include "ChannelSetupModel.h"
#include "DesktopHooks.h"
#include "MdiWidgetTypes.h"
#include "MyMenu.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "PathSaver.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "rmdi/RunMdi.h"

#include <QDebug>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QTabBar>
#include <QVBoxLayout>

extern MySettings theSettings;

MdiManager::MdiManager(QWidget* parent, MdiType type)
    : QTabWidget(parent), mdiType(type)
{
    RunMdi::registerRunDesktop();
    setObjectName(type == MdiType_run ? QStringLiteral("mdiManager_run") : QStringLiteral("mdiManager_analyze"));
    widgetTypeNames = MdiWidgetTypes::displayNames(type);
    widgetXmlNames = MdiWidgetTypes::xmlNames(type);
    if (type == MdiType_run) {
        desktopsDir = &theSettings.desktopsDir;
        closedDesktopsDir = &theSettings.closedDesktopsDir;
        folderName = QStringLiteral("desktops");
        tabListKey = QStringLiteral("mdiTabList");
        channelSetupModel = &theRunChannelSetupModel;
        mainTabIndex = 2;
    } else {
        desktopsDir = &theSettings.desktopsAnalyzeDir;
        closedDesktopsDir = &theSettings.closedDesktopsAnalyzeDir;
        folderName = QStringLiteral("desktops_analyze");
        tabListKey = QStringLiteral("analyzeTabList");
        channelSetupModel = &theVectorChannelSetupModel;
        mainTabIndex = 1;
    }
    setMovable(true);
    setTabsClosable(true);
    connect(this, &QTabWidget::tabCloseRequested, this, &MdiManager::slot_tabCloseRequested);

    auto* corner = new QWidget(this);
    auto* cornerLayout = new QVBoxLayout(corner);
    cornerLayout->setContentsMargins(0, 0, 0, 2);
    auto* plus = new QPushButton(QStringLiteral("+"), corner);
    plus->setObjectName(QStringLiteral("pushButton_newDesktop"));
    cornerLayout->addWidget(plus);
    connect(plus, &QPushButton::clicked, this, &MdiManager::slot_newTabRequested);
    setCornerWidget(corner, Qt::TopRightCorner);

    tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabBar(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        slot_tabContextMenu(pos);
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        slot_tabContextMenu(tabBar()->mapFrom(this, pos));
    });
    tabBar()->setContentsMargins(50, 50, 50, 50);
}

MdiManager::~MdiManager()
{
    const QStringList names = existingDesktopNames();
    if (!names.isEmpty())
        theSettings.setValue(tabListKey, names);
}

void MdiManager::initAfterSettings()
{
    if (!MdiWidgetTypes::hasDesktopFactory(mdiType)) {
        // No desktop of this kind can be built yet: show so, and touch no
        // file, or the first start would save the defaults without their widgets.
        auto* note = new QWidget(this);
        addTab(note, mdiType == MdiType_run ? tr("Desktop") : tr("Analysis"));
        setTabsClosable(false);
        return;
    }
    const QStringList names = theSettings.value(tabListKey).toStringList();
    QStringList files = desktopsDir->entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (files.isEmpty()) {
        newMdi(QStringLiteral("desktop"), QStringLiteral(":/resources/") + folderName + QStringLiteral("/defaultMdi.xml"),
               false);
    } else {
        for (const QString& n : names) {
            const QString file = n + QStringLiteral(".xml");
            if (!files.contains(file))
                continue;
            files.removeOne(file);
            newMdi(n, desktopsDir->filePath(file), false);
        }
        for (const QString& file : std::as_const(files))
            newMdi(QFileInfo(file).completeBaseName(), desktopsDir->filePath(file), false);
    }
    connect(this, &QTabWidget::currentChanged, this, &MdiManager::slot_updateActiveUpdates);
    if (QTabWidget* mainTabs = DesktopHooks::instance()->findMainTabs(this)) {
        // The page of the main tabs that holds this tab set.
        for (int i = 0; i < mainTabs->count(); ++i) {
            if (mainTabs->widget(i)->isAncestorOf(this)) {
                mainTabIndex = i;
                break;
            }
        }
        connect(mainTabs, &QTabWidget::currentChanged, this, &MdiManager::slot_updateActiveUpdates);
    }
    slot_updateActiveUpdates();
}

AbstractMdi* MdiManager::newMdi(const QString& name, const QString& path, bool postImport)
{
    AbstractMdi* mdi = MdiWidgetTypes::createDesktop(mdiType, this);
    if (!mdi)
        return nullptr;
    if (!path.isEmpty())
        mdi->loadFromFile(path);
    mdi->setName(name);
    if (mdi->standalone)
        showMdiInWindow(mdi);
    else
        showMdiInTab(mdi);
    if (postImport)
        mdi->postImportActions();
    return mdi;
}

void MdiManager::showMdiInTab(AbstractMdi* mdi)
{
    addTab(mdi, mdi->name);
    mdi->standaloneGeometry = QRect();
    updateLockedIcon(count() - 1);
}

void MdiManager::showMdiInWindow(AbstractMdi* mdi)
{
    auto* dialog = new QDialog(this, Qt::Window);
    dialog->setWindowTitle(mdi->name);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mdi);
    mdi->show();
    mdi->startUpdates();
    connect(dialog, &QDialog::finished, this, &MdiManager::slot_mdiWindowClosed);
    dialog->setProperty("mdi", QVariant::fromValue(static_cast<QObject*>(mdi)));
    dialog->show();
    if (mdi->standaloneGeometry.isNull()) {
        dialog->resize(size());
    } else {
        dialog->resize(mdi->standaloneGeometry.size());
        dialog->move(mdi->standaloneGeometry.topLeft());
    }
    detachedDesktops.append(mdi);
}

QStringList MdiManager::existingDesktopNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i)
        if (mdiWidget(i))
            names.append(tabText(i));
    for (AbstractMdi* mdi : detachedDesktops)
        names.append(mdi->name);
    return names;
}

AbstractMdi* MdiManager::mdiWidget(int index) const
{
    return qobject_cast<AbstractMdi*>(widget(index));
}

void MdiManager::updateLockedIcon(int index)
{
    AbstractMdi* mdi = mdiWidget(index);
    if (!mdi)
        return;
    setTabIcon(index, (mdi->lockedClosing || mdi->lockedEditing) ? QIcon::fromTheme(QStringLiteral("system-lock-screen"))
                                                                  : QIcon());
}

void MdiManager::slot_newTabRequested()
{
    if (!MdiWidgetTypes::hasDesktopFactory(mdiType))
        return;
    newMdi(Tools::generateUniqueName(existingDesktopNames(), QStringLiteral("desktop")), QString(), false);
    setCurrentIndex(count() - 1);
}

void MdiManager::slot_tabCloseRequested(int index)
{
    AbstractMdi* mdi = mdiWidget(index);
    if (!mdi)
        return;
    if (mdi->lockedClosing) {
        Tools::showInfo(QStringLiteral("Desktop locked"));
        return;
    }
    const QString name = tabText(index);
    const QString file = mdi->desktopFile->fileName();
    mdi->slot_saveToFile(true);
    removeTab(index);
    delete mdi;
    const QString closedName = Tools::generateUniqueName(closedDesktopNames, name);
    closedDesktopNames.append(closedName);
    QFile::remove(closedDesktopsDir->filePath(closedName + QStringLiteral(".xml")));
    QFile::rename(file, closedDesktopsDir->filePath(closedName + QStringLiteral(".xml")));
}

void MdiManager::restoreClosedDesktop()
{
    if (closedDesktopNames.isEmpty())
        return;
    const QString closedName = closedDesktopNames.takeLast();
    const QString name = Tools::generateUniqueName(existingDesktopNames(), closedName);
    const QString path = closedDesktopsDir->filePath(closedName + QStringLiteral(".xml"));
    if (!QFile::exists(path)) {
        Tools::showError(QStringLiteral("Closed desktop configuration file not found"));
        return;
    }
    newMdi(name, path, false);
    QFile::remove(path);
}

void MdiManager::renameDesktop(int index, const QString& requested)
{
    AbstractMdi* mdi = mdiWidget(index);
    if (!mdi || requested.isEmpty() || requested == tabText(index))
        return;
    QString text = requested;
    Tools::replaceSpecialCharacters(text);
    QStringList others = existingDesktopNames();
    others.removeOne(tabText(index));
    const QString wanted = Tools::generateUniqueName(others, AbstractMdi::safeFileName(text, desktopsDir->absolutePath()));
    const QString oldFile = mdi->desktopFile->fileName();
    const QString oldName = mdi->name;
    mdi->setName(wanted);
    if (mdi->desktopFile->fileName() == oldFile)
        return;
    if (!QFile::exists(mdi->desktopFile->fileName())) {
        // The new file could not be written: the old one stays the desktop's.
        mdi->name = oldName;
        mdi->desktopFile->setFileName(oldFile);
        return;
    }
    setTabText(index, mdi->name);
    QFile::remove(oldFile);
}

void MdiManager::duplicateDesktop(int index)
{
    AbstractMdi* mdi = mdiWidget(index);
    if (!mdi)
        return;
    mdi->slot_saveToFile(true);
    newMdi(Tools::generateUniqueName(existingDesktopNames(), tabText(index)), mdi->desktopFile->fileName(), true);
}

void MdiManager::detachDesktop(int index)
{
    AbstractMdi* mdi = mdiWidget(index);
    if (!mdi)
        return;
    mdi->setStandalone(true);
    removeTab(index);
    showMdiInWindow(mdi);
}

AbstractMdi* MdiManager::openDownloadedDesktop(const QString& listedName, const QString& text)
{
    const QString safe = AbstractMdi::safeFileName(listedName, desktopsDir->absolutePath());
    if (safe.isEmpty() || text.isEmpty())
        return nullptr;
    const QString name = Tools::generateUniqueName(existingDesktopNames(), safe);
    const QString path = desktopsDir->filePath(name + QStringLiteral(".xml"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        qDebug() << "Error downloading file";
        return nullptr;
    }
    return newMdi(name, path, true);
}

void MdiManager::slot_tabContextMenu(const QPoint& pos)
{
    int index = -1;
    for (int i = 0; i < count(); ++i) {
        if (tabBar()->tabRect(i).contains(pos)) {
            index = i;
            break;
        }
    }
    AbstractMdi* mdi = index >= 0 ? mdiWidget(index) : nullptr;
    MyMenu menu(this);
    QAction *rename = nullptr, *duplicate = nullptr, *window = nullptr, *lockClosing = nullptr, *lockEditing = nullptr,
            *saveFile = nullptr, *saveImage = nullptr, *setBackground = nullptr, *clearBackground = nullptr;
    if (mdi) {
        rename = menu.addAction(QIcon::fromTheme(QStringLiteral("accessories-text-editor")), tr("Rename"));
        duplicate = menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), tr("Duplicate"));
        window = menu.addAction(QIcon::fromTheme(QStringLiteral("window-new")), tr("Move to new window"));
        lockClosing = mdi->lockedClosing
            ? menu.addAction(QIcon::fromTheme(QStringLiteral("emblem-unlocked")), tr("Unlock closing"))
            : menu.addAction(QIcon::fromTheme(QStringLiteral("emblem-locked")), tr("Lock closing"));
        lockEditing = mdi->lockedEditing
            ? menu.addAction(QIcon::fromTheme(QStringLiteral("emblem-unlocked")), tr("Unlock editing"))
            : menu.addAction(QIcon::fromTheme(QStringLiteral("emblem-locked")), tr("Lock editing"));
        saveFile = menu.addAction(QIcon::fromTheme(QStringLiteral("document-save")), tr("Save to file"));
        saveImage = menu.addAction(QIcon::fromTheme(QStringLiteral("image-x-generic")), tr("Save as image"));
        setBackground = menu.addAction(tr("Set background"));
        if (!mdi->backgroundPixmap.isNull())
            clearBackground = menu.addAction(tr("Clear background"));
    }
    QAction* loadFile = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Load from file"));
    QAction* loadServer = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open")), tr("Load from server"));
    QAction* restore = nullptr;
    if (!closedDesktopNames.isEmpty())
        restore = menu.addAction(QIcon::fromTheme(QStringLiteral("document-open-recent")), tr("Restore closed desktop"));
    QAction* exportPreset = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")), tr("Export channels settings"));
    QAction* importPreset = menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")), tr("Import channels settings"));
    QAction* importServer =
        menu.addAction(QIcon::fromTheme(QStringLiteral("preferences-desktop")), tr("Import channels settings from server"));

    QAction* chosen = menu.exec(tabBar()->mapToGlobal(pos));
    if (!chosen)
        return;
    const QStringList existing = existingDesktopNames();
    if (chosen == rename) {
        QInputDialog dialog(this);
        dialog.setWindowTitle(tr("Enter new name"));
        dialog.setLabelText(tr("New name"));
        dialog.setTextEchoMode(QLineEdit::Normal);
        dialog.setTextValue(tabText(index));
        if (DialogAnswerer::exec(&dialog) == QDialog::Accepted)
            renameDesktop(index, dialog.textValue());
    } else if (chosen == duplicate) {
        duplicateDesktop(index);
    } else if (chosen == window) {
        detachDesktop(index);
    } else if (chosen == lockClosing) {
        mdi->setLockedClosing(!mdi->lockedClosing);
        updateLockedIcon(index);
    } else if (chosen == lockEditing) {
        mdi->setLockedEditing(!mdi->lockedEditing);
        updateLockedIcon(index);
    } else if (chosen == saveFile) {
        const QString path =
            thePathSaver.getSaveFileName(Path::saveXml, tr("Save desktop setup"), tabText(index) + QStringLiteral(".xml"));
        if (path.isEmpty())
            return;
        mdi->slot_saveToFile(true);
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(mdi->desktopFile->fileName()).absoluteFilePath())
            return;
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(mdi->toXml().toUtf8()) < 0 || !out.commit())
            qDebug() << "Error writing mdi.xml file";
    } else if (chosen == saveImage) {
        setCurrentIndex(index);
        thePathSaver.saveWidgetAsImage(mdi->viewport(), tabText(index) + QStringLiteral(".png"));
    } else if (chosen == setBackground) {
        const QString path = thePathSaver.getOpenFileName(Path::openImage, tr("Load desktop background image"));
        if (!path.isEmpty())
            mdi->setBackgroundImage(path);
    } else if (chosen == clearBackground) {
        mdi->setBackgroundImage(QString());
    } else if (chosen == loadFile) {
        const QString path = thePathSaver.getOpenFileName(Path::openXml, tr("Load desktop configuration file"));
        if (!path.isEmpty())
            newMdi(Tools::generateUniqueName(existing, QFileInfo(path).completeBaseName()), path, true);
    } else if (chosen == loadServer) {
        NetworkFileBrowser browser(NetworkFileBrowser::listAddress(folderName), NetworkFileBrowser::fileAddress(folderName),
                                   QStringLiteral("xml"), this);
        if (!browser.fileContent.isEmpty())
            openDownloadedDesktop(browser.fileName, browser.fileContent);
    } else if (chosen == restore) {
        restoreClosedDesktop();
    } else if (chosen == exportPreset) {
        channelSetupModel->action_exportPreset();
    } else if (chosen == importPreset) {
        channelSetupModel->action_importPreset();
    } else if (chosen == importServer) {
        channelSetupModel->action_importPresetFromServer();
    }
}

void MdiManager::slot_updateActiveUpdates()
{
    for (int i = 0; i < count(); ++i)
        if (AbstractMdi* mdi = mdiWidget(i))
            mdi->stopUpdates();
    QTabWidget* mainTabs = DesktopHooks::instance()->findMainTabs(this);
    const bool shown = !mainTabs || mainTabs->currentIndex() == mainTabIndex;
    if (shown && count() > 0)
        if (AbstractMdi* mdi = mdiWidget(currentIndex()))
            mdi->startUpdates();
}

void MdiManager::slot_mdiWindowClosed()
{
    if (closing)
        return;
    auto* dialog = qobject_cast<QDialog*>(sender());
    if (!dialog)
        return;
    auto* mdi = qobject_cast<AbstractMdi*>(dialog->property("mdi").value<QObject*>());
    if (!mdi)
        return;
    detachedDesktops.removeOne(mdi);
    showMdiInTab(mdi);
    mdi->setStandalone(false);
    dialog->deleteLater();
}

void MdiManager::slot_newRunStarted()
{
    ++newRunCount;
    for (int i = 0; i < count(); ++i) {
        if (AbstractMdi* mdi = mdiWidget(i)) {
            mdi->insertDataBrake();
            mdi->newRunStarted();
        }
    }
    for (AbstractMdi* mdi : std::as_const(detachedDesktops)) {
        mdi->insertDataBrake();
        mdi->newRunStarted();
    }
}

void MdiManager::unpause()
{
    ++unpauseCount;
    for (int i = 0; i < count(); ++i)
        if (AbstractMdi* mdi = mdiWidget(i))
            mdi->unpause();
}

void MdiManager::mainUiCloseClicked()
{
    closing = true;
    for (int i = 0; i < count(); ++i)
        if (AbstractMdi* mdi = mdiWidget(i))
            mdi->stopUpdates();
}

void MdiManager::raiseDialogs()
{
    for (AbstractMdi* mdi : std::as_const(detachedDesktops))
        mdi->raiseDialog();
}
