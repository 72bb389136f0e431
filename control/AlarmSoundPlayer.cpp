#include "AlarmSoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

AlarmSoundPlayer::AlarmSoundPlayer(QObject* parent)
    : QObject(parent)
{
}

AlarmSoundPlayer::~AlarmSoundPlayer() = default;

void AlarmSoundPlayer::play()
{
    if (!soundEffect) {
        soundEffect = new QSoundEffect(this);
        soundEffect->setSource(QUrl(QString::fromLatin1(source)));
    }
    // Stopping first makes a sound still playing begin again from its start.
    soundEffect->stop();
    soundEffect->play();
}
