#pragma once

#include "McuThread.h"
#include "SimulatedControllerConfig.h"
#include "SimulatedDynoController.h"

#include <QList>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// A running MCU link on the simulated controller, with a reader that takes
// the handed-over input buffers every 10 ms as the run thread does, and the
// link's program end caught instead of aborting the test.
class LinkFixture
{
public:
    // An empty version means the version of the image the link carries.
    explicit LinkFixture(SimulatedControllerConfig config = SimulatedControllerConfig(),
                         const QString& imagePath = QStringLiteral(":/firmware/current"),
                         const QString& userPageFile = QString());
    ~LinkFixture();

    // Starts the thread; with `poll` also turns polling on as the main window does.
    void start(bool poll = true);
    bool waitConfirmed(int timeoutMs = 1000);
    // Takes a handed-over input buffer, if any, into `received`.
    void drain();
    QList<SpiDynoFrame> receivedOf(DynoRegister reg) const;
    // Runs `work` in the link thread and waits for it.
    void inLinkThread(const std::function<void()>& work);
    QStringList endings() const;

    static QString imageVersion(const QString& imagePath);

    QTemporaryDir dir;
    std::unique_ptr<SimulatedDynoController> sim;
    std::unique_ptr<McuThread> link;
    QList<SpiDynoFrame> received;
    QTimer drainTimer;
    bool confirmed = false;

private:
    static QMutex endingMutex;
    static QStringList endingMessages;
};
