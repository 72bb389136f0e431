#pragma once

// Registers the record types of the run (and "QVector<canFrame_t>") with the
// meta-type system under the names queued connections use. Safe to call more
// than once; the frame catalogue calls it before main.
void registerFrameRecordTypes();
