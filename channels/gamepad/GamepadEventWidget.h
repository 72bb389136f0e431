#pragma once

#include "GamepadEventType.h"

#include <QPushButton>

class GamepadEvent;

// The button with which the operator binds a game-pad control: click it, then
// press a button or move an axis. Escape or a second click cancels, Backspace
// clears the binding. It does not own the binding.
class GamepadEventWidget : public QPushButton
{
    Q_OBJECT
public:
    GamepadEventWidget(GamepadEvent* event, QWidget* parent);

    GamepadEvent* event = nullptr;

Q_SIGNALS:
    void signal_eventChanged(const QString& saveString);

public Q_SLOTS:
    void slot_clicked(bool checked);
    void slot_gamepadEventListener(GamepadEventType type, int id);

protected:
    void keyPressEvent(QKeyEvent* keyEvent) override;
    void keyReleaseEvent(QKeyEvent* keyEvent) override;
    void focusOutEvent(QFocusEvent* focusEvent) override;

private:
    void stopCapture();
    void refreshText();
};
