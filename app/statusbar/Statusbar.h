#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class AlarmWidget;
class CanStatusWidget;
class ClockWidget;
class MemoryWidget;
class OutputStatusWidget;
class ProgressWidget;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTimer;
class SelfTest;
class SystemLoadWidget;

// The strip under the main tabs, left to right: output colours, in developer
// mode the SPI frame rate, the ambient sensor, the OBD link, system load,
// memory, alarms, clock, progress bars, a hidden test-mode box and, once the
// board is known, one label per CAN bus. It owns the board self test, which
// the hidden box switches (the main window checks it in test mode).
class Statusbar : public QWidget
{
    Q_OBJECT
public:
    explicit Statusbar(QWidget* parent = nullptr);
    // Second start-up stage: the CAN labels of the board, the temperature record.
    void init();

    SelfTest* selfTest = nullptr;
    QLabel* label_spi = nullptr;
    QTimer* spiTimer = nullptr;
    QHBoxLayout* layout = nullptr;
    QCheckBox* checkBox_testMode = nullptr;
    OutputStatusWidget* outputStatusWidget = nullptr;
    QLabel* label_ambient = nullptr;
    AlarmWidget* alarmWidget = nullptr;
    QPushButton* pushButton_obd = nullptr;
    SystemLoadWidget* systemLoadWidget = nullptr;
    MemoryWidget* memoryWidget = nullptr;
    ProgressWidget* progressWidget = nullptr;
    ClockWidget* clockWidget = nullptr;
    QList<CanStatusWidget*> canStatusWidgets;
    // The OBD page's interface combo, once that page exists.
    QPointer<QComboBox> obdInterfaceCombo;

public Q_SLOTS:
    void slot_updateMCUFPS();
    void slot_setOBDLabelText(const QString& text);
    void slot_setOBDLabelColor(const QColor& color);
    void slot_obdCustomContextMenu(const QPoint& pos);
};
