#pragma once

#include <QDialog>

class McuThread;
class QLabel;
class QProgressBar;
class QPushButton;

// The firmware update dialog: shows the MCU's firmware and the one the program
// carries, and sends the latter when the operator presses UPDATE. Lives in the
// GUI thread; its worker lives in the link thread. Shown only while the MCU's
// firmware does not match; closing it without a confirmed firmware ends the
// program, which cannot work with another version.
class FirmwareUpdater : public QDialog
{
    Q_OBJECT
public:
    explicit FirmwareUpdater(QWidget* parent = nullptr, McuThread* link = nullptr);

    // Test mode: UPDATE is pressed as soon as the dialog opens.
    void setAutoUpdate(bool on) { autoUpdate = on; }

    QLabel* currentFirmwareLabel = nullptr;
    QLabel* newFirmwareLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* progressInfoLabel = nullptr;
    QPushButton* updateButton = nullptr;

public Q_SLOTS:
    void slot_showUI();
    void slot_reposition();

private:
    McuThread* link;
    bool autoUpdate = false;
    bool quitting = false;
};
