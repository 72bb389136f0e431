#pragma once

#include "FrameRecords.h"
#include "KX4Tool.h"
#include "SimulatedKx4Module.h"

#include <QCoreApplication>
#include <QList>
#include <QMutex>
#include <QPointer>

#include <memory>

// A CAN bus between a KX4Tool and simulated KX4 modules without the MCU
// link: what the tool sends reaches every module at once, and the modules'
// replies reach the tool as one queued frame batch, as the run thread
// delivers them. Every frame both ways is kept (byte 7 included).
class Kx4TestBus : public SimulatedCanPeer::Bus
{
public:
    struct Frame {
        bool fromTool;
        uint32_t identifier;
        QByteArray bytes;
    };

    explicit Kx4TestBus(int bus = 0) : busIndex(bus) {}
    ~Kx4TestBus() override { KX4Tool::setSender(nullptr); }

    void install()
    {
        KX4Tool::setSender([this](uint8_t bus, uint32_t id, const uint8_t* data8) { fromTool(bus, id, data8); });
        KX4Tool::setCommitter([this] {
            QMutexLocker lock(&mutex);
            ++commits;
        });
    }

    void sendToBoard(int, uint32_t identifier, const uint8_t* data8) override
    {
        // Called with `mutex` held (from fromTool).
        canFrame_t frame{};
        for (int i = 0; i < 8; ++i)
            frame.canData |= uint64_t(data8[i]) << (56 - 8 * i);
        frame.canChannelAndId = (uint32_t(busIndex) << 31) | identifier;
        replies.append(frame);
        frames.append({false, identifier, QByteArray(reinterpret_cast<const char*>(data8), 8)});
    }

    void fromTool(uint8_t bus, uint32_t id, const uint8_t* data8)
    {
        QMutexLocker lock(&mutex);
        frames.append({true, id, QByteArray(reinterpret_cast<const char*>(data8), 8)});
        for (const auto& module : modules)
            module->frameFromBoard(*this, int(bus), id, data8);
        if (!replies.isEmpty() && !deliveryQueued) {
            deliveryQueued = true;
            QMetaObject::invokeMethod(qApp, [this] { deliver(); }, Qt::QueuedConnection);
        }
    }

    // Frames that arrive on their own (a late confirmation).
    void inject(const canFrame_t& frame)
    {
        QMutexLocker lock(&mutex);
        replies.append(frame);
        if (!deliveryQueued) {
            deliveryQueued = true;
            QMetaObject::invokeMethod(qApp, [this] { deliver(); }, Qt::QueuedConnection);
        }
    }

    void deliver()
    {
        QList<canFrame_t> batch;
        {
            QMutexLocker lock(&mutex);
            batch.swap(replies);
            deliveryQueued = false;
        }
        if (tool && !batch.isEmpty())
            tool->slot_newCanFrameBatch(batch);
    }

    QList<Frame> allFrames() const
    {
        QMutexLocker lock(&mutex);
        return frames;
    }
    QList<Frame> sentByTool() const
    {
        QList<Frame> out;
        for (const Frame& f : allFrames())
            if (f.fromTool)
                out.append(f);
        return out;
    }
    int commitCount() const
    {
        QMutexLocker lock(&mutex);
        return commits;
    }
    void clearFrames()
    {
        QMutexLocker lock(&mutex);
        frames.clear();
    }

    int busIndex;
    QList<std::shared_ptr<SimulatedKx4Module>> modules;
    QPointer<KX4Tool> tool;

private:
    mutable QMutex mutex;
    QList<canFrame_t> replies;
    QList<Frame> frames;
    bool deliveryQueued = false;
    int commits = 0;
};
