#pragma once

#include "FrameId.h"

#include <QByteArray>

// The raw records of a recorded run: one list per FrameId, each holding the
// records of that table in their stored (packed) layout, read back with a
// typed view: records<canFrame_t>(FrameId_can).
class FrameVectors
{
public:
    template<class Record> const Record* records(FrameId id) const
    {
        return reinterpret_cast<const Record*>(lists[id].constData());
    }
    template<class Record> qsizetype count(FrameId id) const { return lists[id].size() / qsizetype(sizeof(Record)); }
    // Number of records by the catalogue's record size of the table.
    qsizetype recordCount(FrameId id) const;
    // Sizes the list of a table to `records` records; returns its storage.
    char* resize(FrameId id, qsizetype records);
    void clear(FrameId id);
    void clearAll();

private:
    QByteArray lists[FrameIdCount];
};
