#include "AbstractRunData.h"

#include "VectorChannel.h"

namespace {

AbstractRunData::Opener& opener()
{
    static AbstractRunData::Opener registered;
    return registered;
}

} // namespace

void AbstractRunData::setOpener(Opener newOpener)
{
    opener() = std::move(newOpener);
}

AbstractRunData* AbstractRunData::open(const QString& path)
{
    const Opener& registered = opener();
    return registered ? registered(path) : nullptr;
}

void AbstractRunData::setVectorGroup(ChannelId group, const QList<VectorChannel*>& vectors)
{
    Q_UNUSED(group);
    qDeleteAll(vectors);
}
