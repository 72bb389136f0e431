#pragma once

#include "AbstractLogWriter.h"
#include "AmbientFrame.h"

#include <atomic>
#include <functional>

// STAND-IN until the run-file writer is built: it names the file of a new run
// as the real writer does ("yyyy-MM-dd_hh-mm-ss.h5" in the runs folder, the
// next free second when the name is taken) but writes nothing, so a run start
// fails with a message instead of leaving a file that is no run file.
// Lives in the run thread.
class LogWriter : public AbstractLogWriter
{
    Q_OBJECT
public:
    explicit LogWriter(QObject* parent = nullptr);

    Q_INVOKABLE void init() override;
    void runStopProcedure() override;

    // Tests only, while the HDF5 writer does not exist: makes the file at the
    // given path and answers whether it did. Unset, no file is made.
    static void setFileMakerForTests(std::function<bool(const QString& path)> maker);

    // Ambient records received while a run file was open (tests read it).
    std::atomic<int> ambientFramesWritten{0};

public Q_SLOTS:
    void slot_newAmbientFrame(const ambientFrame_t& frame);

private:
    bool fileOpen = false;
};
