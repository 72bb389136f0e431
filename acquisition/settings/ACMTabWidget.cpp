#include "ACMTabWidget.h"

#include "AccessControlManager.h"

#include <QIcon>
#include <QMenu>
#include <QTabBar>
#include <QVariant>

ACMTabWidget::ACMTabWidget(QWidget* parent)
    : QTabWidget(parent)
{
    connect(&theACM, &AccessControlManager::signal_manufacturerModeEnabled, this,
        &ACMTabWidget::slot_manufacturerModeEnabled);
    connect(&theACM, &AccessControlManager::signal_unlock, this, &ACMTabWidget::slot_unlock);
}

int ACMTabWidget::addACMTab(QWidget* page, const QString& title, const QString& key)
{
    page->setProperty("acmKey", key);
    return addTab(page, title);
}

QString ACMTabWidget::keyOfTab(int index) const
{
    const QWidget* page = widget(index);
    return page ? page->property("acmKey").toString() : QString();
}

void ACMTabWidget::slot_manufacturerModeEnabled()
{
    for (int i = 0; i < count(); ++i) {
        const QString key = keyOfTab(i);
        if (key.isEmpty() || !theACM.isKeyLocked(key))
            continue;
        setTabIcon(i, QIcon::fromTheme(QStringLiteral("dialog-error")));
        setTabEnabled(i, false);
    }
}

void ACMTabWidget::slot_unlock()
{
    for (int i = 0; i < count(); ++i)
        setTabEnabled(i, true);
    QTabBar* bar = tabBar();
    if (bar->contextMenuPolicy() != Qt::CustomContextMenu) {
        bar->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(bar, &QWidget::customContextMenuRequested, this, &ACMTabWidget::slot_tabContextMenu);
    }
}

void ACMTabWidget::slot_tabContextMenu(const QPoint& pos)
{
    QTabBar* bar = tabBar();
    int index = -1;
    for (int i = 0; i < bar->count(); ++i) {
        if (bar->tabRect(i).contains(pos)) {
            index = i;
            break;
        }
    }
    const QString choice = protectionChoice(index);
    if (choice.isEmpty())
        return;
    QMenu menu(this);
    QAction* action = menu.addAction(choice);
    if (menu.exec(bar->mapToGlobal(pos)) == action)
        toggleProtection(index);
}

QString ACMTabWidget::protectionChoice(int index) const
{
    const QString key = keyOfTab(index);
    if (key.isEmpty())
        return QString();
    return theACM.isKeyLocked(key) ? tr("Unprotect") : tr("Protect");
}

void ACMTabWidget::toggleProtection(int index)
{
    const QString key = keyOfTab(index);
    if (key.isEmpty())
        return;
    if (theACM.isKeyLocked(key)) {
        theACM.unlockKey(key);
        setTabIcon(index, QIcon());
    } else {
        theACM.lockKey(key);
        setTabIcon(index, QIcon::fromTheme(QStringLiteral("dialog-error")));
    }
}
