#pragma once

#include <QWidget>

// STAND-IN until the odometer is built: the SETTINGS tab's "Maintenance" page,
// initialised in the second start-up stage.
class DynoOdometer : public QWidget
{
    Q_OBJECT
public:
    explicit DynoOdometer(QWidget* parent = nullptr);
    void init();
    bool initialized = false;
};
