#pragma once

#include <QWidget>

// STAND-IN until settings access control is built: the SETTINGS page "Access
// control". The settings are never locked yet.
class AccessControlWidget : public QWidget
{
    Q_OBJECT
public:
    explicit AccessControlWidget(QWidget* parent = nullptr);
    void init();
    void masterUnlock();
};
