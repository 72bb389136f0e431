#include "RemoteControlState.h"

#include <QCryptographicHash>

void RemoteControlState::setPassword(const QString& password)
{
    const QByteArray hash = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256);
    QMutexLocker locker(&mutex);
    emptyPassword = password.isEmpty();
    digest = hash;
}

void RemoteControlState::setOutputLabels(const QList<QString>& labels)
{
    QMutexLocker locker(&mutex);
    outputs = labels;
}

void RemoteControlState::setChannels(std::shared_ptr<const RemoteChannelSnapshot> channels)
{
    QMutexLocker locker(&mutex);
    snapshot = std::move(channels);
}

bool RemoteControlState::passwordEmpty() const
{
    QMutexLocker locker(&mutex);
    return emptyPassword;
}

QByteArray RemoteControlState::passwordDigest() const
{
    QMutexLocker locker(&mutex);
    return digest;
}

bool RemoteControlState::outputLabel(int index, QString* label) const
{
    QMutexLocker locker(&mutex);
    if (index < 0 || index >= outputs.size() || outputs.at(index).isNull())
        return false;
    *label = outputs.at(index);
    return true;
}

std::shared_ptr<const RemoteChannelSnapshot> RemoteControlState::channels() const
{
    QMutexLocker locker(&mutex);
    return snapshot;
}
