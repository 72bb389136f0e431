#pragma once

#include <QObject>

class QSoundEffect;

// Plays the embedded alarm sound from its start. The alarm field restarts it
// every 500 ms while it sounds; tests put a recording player in its place.
class AlarmSoundPlayer : public QObject
{
    Q_OBJECT
public:
    explicit AlarmSoundPlayer(QObject* parent = nullptr);
    ~AlarmSoundPlayer() override;

    virtual void play();
    // The effect, made on the first play (the audio device is opened then).
    QSoundEffect* effect() const { return soundEffect; }

    static constexpr const char* source = "qrc:/resources/alarm.wav";

private:
    QSoundEffect* soundEffect = nullptr;
};
