#pragma once

#include <QMenu>

class QComboBox;

// The program's context and pop-up menus: the fixed-pitch font, and a release
// of the right button never triggers the entry under the pointer, so a right
// click that opened the menu leaves it open.
class MyMenu : public QMenu
{
    Q_OBJECT
public:
    explicit MyMenu(QWidget* parent = nullptr);
    MyMenu(const QString& title, QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // One entry per row of the combo box that its list shows; an entry makes its
    // text the combo's current text. The caller owns the menu.
    static MyMenu* generateMenuFromComboBox(const QString& title, QComboBox* combo);

    // A sub-menu with this menu's font and right-button handling.
    QMenu* addSubMenu(const QString& title);

private:
    void setUp();
};
