#pragma once

// Helpers of the run-file tests and of their helper program: the process
// state the writer and the loaders expect (HDF5 file locking off, units, the
// project and run tables on a database of their own with one active project)
// and a deterministic set of records for every packet table.
#include "FrameId.h"
#include "FrameRecords.h"
#include "RunStopInputs.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class LogWriter;
class ProjectListModel;
class RunChannel;
class RunListModel;
class RunThread;

namespace RunFileTest {

// As main does before any run file is opened, plus the units and label lists
// the table models need. Call once, after the application object exists.
void prepareProcess();

// The project and run tables on their own database file, published through
// the global pointers, with one project ("KR 4711", "Focus ST") active.
class Database
{
public:
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path;
    QString connectionName;
    int projectId = -1;
    std::unique_ptr<ProjectListModel> projects;
    std::unique_ptr<RunListModel> runs;
};

// The records a run was given and what its file must then hold, per table.
struct InjectedRecords {
    QByteArray expected[FrameIdCount];
    // Live-channel samples: the sending channel and its file id.
    int channelFileId = 0;
};

// A run thread object (not started) that only carries the run start time the
// writer measures record times from.
RunThread* runStartClock();

// Feeds `rounds` rounds of records into every table the writer appends to:
// the decoder's direct appends, the ambient and audio slots, live-channel
// samples from `channel` (one stamped before the run start, which must be
// dropped, and one exactly at it), and serial, Modbus and UDS samples (one at
// the run start, which must be dropped). Fills `out` with what the file must
// hold. The run start is `runStart` (ms since the epoch).
void injectRecords(LogWriter& writer, RunChannel& channel, qint64 runStart, int rounds, InjectedRecords* out);

// Stop inputs with one setting of every storage kind and recognisable texts.
RunStopInputs sampleStopInputs();

} // namespace RunFileTest
