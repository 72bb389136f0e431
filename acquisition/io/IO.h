#pragma once

#include <QWidget>

class QLabel;

// STAND-IN until the I/O page is built: the IO tab's page. It is built after
// the dyno settings are ready and refreshes only while it is shown.
class IO : public QWidget
{
    Q_OBJECT
public:
    explicit IO(QWidget* parent = nullptr);
    void init();
    void enableSlots(bool enable);

    bool slotsEnabled = false;

private:
    QLabel* label = nullptr;
};
