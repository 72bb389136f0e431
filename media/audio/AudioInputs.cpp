#include "AudioInputs.h"

#include "AbstractLogWriter.h"
#include "AudioController.h"
#include "PAThread.h"
#include "RMdiAudioSpectrum.h"
#include "RunThread.h"

#include <QPointer>

#include <atomic>

namespace {
std::atomic<AudioController*> controllers[AudioInputs::inputCount] = {};
} // namespace

namespace AudioInputs {

AudioController* controller(int input)
{
    return input >= 0 && input < inputCount ? controllers[input].load(std::memory_order_acquire) : nullptr;
}

PAThread* captureThread(int input)
{
    AudioController* c = controller(input);
    return c ? c->paThread() : nullptr;
}

void install()
{
    // The RUN screen's spectrum shows input 0.
    RMdiAudioSpectrum::setBlockSource([](float* out) {
        PAThread* thread = captureThread(0);
        if (!thread)
            return false;
        thread->copyScaledBlock(out);
        return true;
    });
    // Run thread, once the settings are ready.
    RunThread::hooks.audioInit = [] {
        RunThread* runThread = theRunThread;
        for (int input = 0; input < inputCount; ++input) {
            if (!controllers[input].load()) {
                auto* c = new AudioController(input, runThread);
                if (runThread) {
                    QObject::connect(c->paThread(), &PAThread::signal_systemAlarm, runThread,
                                     &RunThread::signal_systemAlarm);
                    QObject::connect(c, &QObject::destroyed, [input] { controllers[input].store(nullptr); });
                }
                controllers[input].store(c, std::memory_order_release);
            }
        }
        for (int input = 0; input < inputCount; ++input)
            controllers[input].load()->init();
    };
    RunThread::hooks.audioFlush = [] {
        for (int input = 0; input < inputCount; ++input) {
            if (AudioController* c = controller(input))
                c->flush();
        }
    };
    RunThread::hooks.stopAudioCapture = [] {
        for (int input = 0; input < inputCount; ++input) {
            if (AudioController* c = controller(input))
                c->stopPaThread();
        }
    };
    RunThread::hooks.connectSources.append([](AbstractLogWriter* writer) {
        QList<QMetaObject::Connection> connections;
        for (int input = 0; input < inputCount; ++input) {
            AudioController* c = controller(input);
            if (!c || !c->recordingEnabled())
                continue;
            connections.append(QObject::connect(c->paThread(), &PAThread::signal_saveBuffer, writer,
                                                input == 0 ? &AbstractLogWriter::slot_newAudioBuffer_1
                                                           : &AbstractLogWriter::slot_newAudioBuffer_2,
                                                Qt::QueuedConnection));
        }
        return connections;
    });
}

} // namespace AudioInputs
