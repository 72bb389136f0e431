#pragma once

#include <QDialog>

class CANMonitorModel;
class MyTableView;

// The CAN monitor: every identifier received on the controller's buses while
// the window is open, with its last data, rate, count and refresh time. It
// only reads the frames the run thread broadcasts; it sends nothing.
class CANMonitor : public QDialog
{
    Q_OBJECT
public:
    explicit CANMonitor(QWidget* parent = nullptr);

    CANMonitorModel* model = nullptr;
    MyTableView* tableView = nullptr;

    // Opens the monitor modally (the CAN pages and the wizard button).
    static void openModal(QWidget* parent = nullptr);
};
