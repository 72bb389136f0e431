#pragma once

#include <QMainWindow>
#include <QString>

class QLabel;

// The program's main window. For now it runs the start-up steps that exist and
// shows the program's state; the tabs arrive with their own pages.
class MainUI : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainUI(QWidget* parent = nullptr);
    ~MainUI() override;

    QString appName;

public Q_SLOTS:
    void slot_unixSignal(int signal);

private:
    QLabel* statusLabel = nullptr;
};

extern MainUI* theMainUI;
