#pragma once

#include <QMainWindow>
#include <QString>

class FirmwareUpdater;
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

    FirmwareUpdater* firmwareUpdater = nullptr;

public Q_SLOTS:
    void slot_unixSignal(int signal);
    void slot_showError(const QString& message);
    // The controller link's CRC notices; the RUN tab takes them over when it exists.
    void slot_mcuCrcErrorClientSide();
    void slot_mcuCrcErrorMcuSide();

private:
    QLabel* statusLabel = nullptr;
};

extern MainUI* theMainUI;
