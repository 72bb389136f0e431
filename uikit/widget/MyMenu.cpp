#include "MyMenu.h"

#include "Fonts.h"

#include <QComboBox>
#include <QListView>
#include <QMouseEvent>

MyMenu::MyMenu(QWidget* parent)
    : QMenu(parent)
{
    setUp();
}

MyMenu::MyMenu(const QString& title, QWidget* parent)
    : QMenu(title, parent)
{
    setUp();
}

void MyMenu::setUp()
{
    setFont(theFonts.fixedFontBase);
    installEventFilter(this);
}

bool MyMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QMenu*>(watched) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        event->ignore();
        return true;
    }
    return QMenu::eventFilter(watched, event);
}

QMenu* MyMenu::addSubMenu(const QString& title)
{
    QMenu* sub = addMenu(title);
    sub->setFont(font());
    sub->installEventFilter(this);
    return sub;
}

MyMenu* MyMenu::generateMenuFromComboBox(const QString& title, QComboBox* combo)
{
    auto* menu = new MyMenu(title, nullptr);
    const auto* list = qobject_cast<QListView*>(combo->view());
    for (int row = 0; row < combo->count(); ++row) {
        if (list && list->isRowHidden(row))
            continue;
        const QString text = combo->itemText(row);
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, combo, [combo, text] { combo->setCurrentText(text); });
    }
    return menu;
}
