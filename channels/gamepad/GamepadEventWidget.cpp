#include "GamepadEventWidget.h"

#include "Gamepad.h"
#include "GamepadEvent.h"

#include <QKeyEvent>

GamepadEventWidget::GamepadEventWidget(GamepadEvent* bound, QWidget* parent)
    : QPushButton(parent)
    , event(bound)
{
    setCheckable(true);
    setAutoDefault(false);
    setToolTip(tr("Click to set new gamepad event.\nPress Escape or click again to cancel.\nPress Backspace to clear "
                  "event."));
    refreshText();
    connect(this, &QPushButton::clicked, this, &GamepadEventWidget::slot_clicked);
}

void GamepadEventWidget::refreshText()
{
    setText(event->getDescription());
}

void GamepadEventWidget::stopCapture()
{
    setChecked(false);
    // A capture cancelled by Escape or by leaving the button must not bind the
    // next control that moves.
    if (theGamepad)
        disconnect(theGamepad, nullptr, this, nullptr);
}

void GamepadEventWidget::slot_clicked(bool checked)
{
    if (!theGamepad)
        return;
    if (checked)
        connect(theGamepad, &Gamepad::signal_gamepadEvent, this, &GamepadEventWidget::slot_gamepadEventListener,
                Qt::UniqueConnection);
    else
        disconnect(theGamepad, nullptr, this, nullptr);
}

void GamepadEventWidget::slot_gamepadEventListener(GamepadEventType type, int id)
{
    event->setSource(type, id);
    emit signal_eventChanged(event->getSaveString());
    stopCapture();
    refreshText();
}

void GamepadEventWidget::keyPressEvent(QKeyEvent* keyEvent)
{
    if (!isChecked()) {
        keyEvent->ignore();
        return;
    }
    keyEvent->accept();
    if (keyEvent->key() == Qt::Key_Escape) {
        stopCapture();
    } else if (keyEvent->key() == Qt::Key_Backspace) {
        stopCapture();
        event->clear();
        emit signal_eventChanged(event->getSaveString());
        refreshText();
    }
}

void GamepadEventWidget::keyReleaseEvent(QKeyEvent* keyEvent)
{
    if (!isChecked()) {
        keyEvent->ignore();
        return;
    }
    keyEvent->accept();
}

void GamepadEventWidget::focusOutEvent(QFocusEvent* focusEvent)
{
    stopCapture();
    QPushButton::focusOutEvent(focusEvent);
}
