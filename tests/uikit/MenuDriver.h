#pragma once

// Drives the next pop-up menu that a widget runs modally: records the entries
// of the menu that opens first and picks the entry at the end of `path` (the
// titles of the sub-menus first), or closes the menu when `path` is empty.

#include <QAction>
#include <QApplication>
#include <QMap>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

class MenuDriver : public QObject
{
public:
    explicit MenuDriver(QStringList entryPath = {})
        : path(std::move(entryPath))
    {
        timer.setInterval(5);
        connect(&timer, &QTimer::timeout, this, &MenuDriver::tick);
        timer.start();
    }

    // Whether a menu opened at all, and the entries of the first one.
    bool opened = false;
    QStringList entries;
    // Entries of the sub-menus passed on the way, by sub-menu title.
    QMap<QString, QStringList> subEntries;
    QMap<QString, QStringList> checkedSubEntries;

private:
    static QStringList textsOf(const QMenu* menu, bool checkedOnly)
    {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && (!checkedOnly || action->isChecked()))
                texts << action->text();
        }
        return texts;
    }

    void tick()
    {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || (waitingFor && menu != waitingFor))
            return;
        if (!opened) {
            opened = true;
            first = menu;
            entries = textsOf(menu, false);
        }
        if (path.isEmpty()) {
            closeAll(menu);
            return;
        }
        const QString wanted = path.takeFirst();
        QAction* found = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == wanted)
                found = action;
        }
        if (!found) {
            qWarning("MenuDriver: no entry '%s'", qPrintable(wanted));
            closeAll(menu);
            return;
        }
        menu->setActiveAction(found);
        if (QMenu* sub = found->menu()) {
            subEntries.insert(wanted, textsOf(sub, false));
            checkedSubEntries.insert(wanted, textsOf(sub, true));
            waitingFor = sub;
            QTest::keyClick(menu, Qt::Key_Right);
            return;
        }
        timer.stop();
        QTest::keyClick(menu, Qt::Key_Return);
    }

    void closeAll(QMenu* menu)
    {
        timer.stop();
        menu->close();
        if (first && first != menu)
            first->close();
    }

    QStringList path;
    QTimer timer;
    QPointer<QMenu> first;
    QPointer<QMenu> waitingFor;
};
