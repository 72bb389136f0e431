#pragma once

#include "GamepadEventType.h"

#include <QObject>
#include <QString>

// Binds one game-pad button or axis and passes on only its values. Stored as
// "type:id" ("1:304" a button, "2:0" an axis); type 0 is unbound and never fires.
class GamepadEvent : public QObject
{
    Q_OBJECT
public:
    // Listens to theGamepad when it exists.
    explicit GamepadEvent(QObject* parent = nullptr);

    void setSource(GamepadEventType type, int id);
    void clear();
    QString getSaveString() const;
    void setFromString(const QString& text);
    QString getDescription() const;

    GamepadEventType type = GamepadEventType_none;
    int id = 0;

Q_SIGNALS:
    void signal_newValue(double value);

public Q_SLOTS:
    void slot_gamepadEventListener(GamepadEventType type, int eventId, double value);
};
