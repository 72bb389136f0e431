#pragma once

#include <QPushButton>
#include <QString>

class QDialog;
class QListWidgetItem;

// Shows one of the user icons (by name) and lets the operator pick or clear it.
class IconButton : public QPushButton
{
    Q_OBJECT
public:
    explicit IconButton(QWidget* parent = nullptr);

    // Announces the name and the icon even when the name did not change; a name
    // that the user icons lack gives no icon but is kept and announced.
    void setIconFromName(const QString& name);

    QString iconName;

public Q_SLOTS:
    void slot_changeIcon();
    void slot_newIconSelected(QListWidgetItem* iconItem);
    void slot_contextMenuRequested(const QPoint& pos);

Q_SIGNALS:
    void signal_iconChanged(const QIcon& icon);
    void signal_iconNameChanged(const QString& iconName);

private:
    QDialog* picker = nullptr;
};
