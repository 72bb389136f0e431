#pragma once

#include <QFrame>

// STAND-IN until the engine-speed panel is built: its place on the RUN tab.
class EngineSpeedWidget : public QFrame
{
    Q_OBJECT
public:
    explicit EngineSpeedWidget(QWidget* parent = nullptr);
    void init();

public Q_SLOTS:
    void slot_updateWidgetSettings();
};
