#include "GamepadEvent.h"

#include "Gamepad.h"

#include <QStringList>

GamepadEvent::GamepadEvent(QObject* parent)
    : QObject(parent)
{
    if (theGamepad)
        connect(theGamepad, &Gamepad::signal_gamepadEvent, this, &GamepadEvent::slot_gamepadEventListener);
}

void GamepadEvent::slot_gamepadEventListener(GamepadEventType eventType, int eventId, double value)
{
    if (eventType == type && eventId == id && type != GamepadEventType_none)
        emit signal_newValue(value);
}

void GamepadEvent::setSource(GamepadEventType newType, int newId)
{
    type = newType;
    id = newId;
}

void GamepadEvent::clear()
{
    type = GamepadEventType_none;
}

QString GamepadEvent::getSaveString() const
{
    return QStringLiteral("%1:%2").arg(int(type)).arg(id);
}

void GamepadEvent::setFromString(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2) {
        type = GamepadEventType_none;
        return;
    }
    type = static_cast<GamepadEventType>(parts.at(0).toInt());
    id = parts.at(1).toInt();
}

QString GamepadEvent::getDescription() const
{
    switch (type) {
    case GamepadEventType_button:
        return tr("Button ") + QString::number(id);
    case GamepadEventType_axis:
        return tr("Axis ") + QString::number(id);
    default:
        return QString();
    }
}
