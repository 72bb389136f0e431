#pragma once

#include <QPointer>

#include <functional>

class CustomSqlTableModel;
class QComboBox;
class QWidget;
class SpinBoxWithUnit;

// What the dyno settings reach outside their own pages: the input pages that
// register their channels before the settings, and the RUN tab widgets and the
// project table that some settings steer. They belong to layers above this
// one, so the main window fills this in before the controller confirms its
// firmware. Whatever is left empty is skipped.
struct DynoSettingsLinks {
    // Load their files and register their channels, in this order.
    std::function<void()> initCanInputs;
    std::function<void()> initInputChannels;
    std::function<void()> initModbus;
    std::function<void()> initUdsSetup;
    std::function<void()> initFunctions;

    // RUN tab: the auto start/stop thresholds follow the dyno type's speed kind.
    QPointer<SpinBoxWithUnit> autoStartThreshold;
    QPointer<SpinBoxWithUnit> autoStopThreshold;
    // RUN tab: shown only while a torque controller takes a speed/acc. output.
    QPointer<QWidget> brakeControllerPanel;
    QPointer<QWidget> advancedModeSelector;
    // The panel's mode selector; its row 2 ("Torque c. joined") needs two such controllers.
    QPointer<QComboBox> brakeControllerModes;
    std::function<void()> updateBrakeControllerWidgets;
    std::function<void()> updateEngineSpeedPanel;
    std::function<void()> updateStartButton;

    // The project table, whose wheel-diameter column only a hub dyno uses.
    std::function<CustomSqlTableModel*()> projectTable;
};
