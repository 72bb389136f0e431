#include "FrameVectors.h"

#include "LogDescriptor.h"

qsizetype FrameVectors::recordCount(FrameId id) const
{
    return lists[id].size() / qsizetype(theLogDescriptor.frameDescriptors.at(id)->frameType->recordSize);
}

char* FrameVectors::resize(FrameId id, qsizetype records)
{
    // Zeroed: a member that a file's older record type lacks reads as 0.
    lists[id] = QByteArray(records * qsizetype(theLogDescriptor.frameDescriptors.at(id)->frameType->recordSize), '\0');
    return lists[id].data();
}

void FrameVectors::clear(FrameId id)
{
    lists[id] = QByteArray();
}

void FrameVectors::clearAll()
{
    for (QByteArray& list : lists)
        list = QByteArray();
}
