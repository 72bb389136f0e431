#include "LinkFixture.h"

#include "HwInfo.h"

#include <QFile>
#include <QTest>

static void initFirmwareResource()
{
    Q_INIT_RESOURCE(firmware);
}

QMutex LinkFixture::endingMutex;
QStringList LinkFixture::endingMessages;

LinkFixture::LinkFixture(SimulatedControllerConfig config, const QString& imagePath, const QString& userPageFile)
{
    initFirmwareResource();
    theHwInfo = HwInfo();
    {
        QMutexLocker lock(&endingMutex);
        endingMessages.clear();
    }
    McuThread::setProgramEnder([](const QString& message) {
        QMutexLocker lock(&endingMutex);
        endingMessages.append(message);
    });
    if (config.firmwareVersion.isEmpty())
        config.firmwareVersion = imageVersion(imagePath);
    sim = std::make_unique<SimulatedDynoController>(
        config, userPageFile.isEmpty() ? dir.filePath(QStringLiteral("userPage.txt")) : userPageFile);
    sim->setTraceEnabled(true);
    link = std::make_unique<McuThread>(sim.get(), imagePath);
    QObject::connect(link.get(), &McuThread::signal_firmwareVersionConfirmed, &drainTimer,
                     [this] { confirmed = true; });
    drainTimer.setInterval(10);
    QObject::connect(&drainTimer, &QTimer::timeout, &drainTimer, [this] { drain(); });
}

LinkFixture::~LinkFixture()
{
    drainTimer.stop();
    link.reset();
    sim.reset();
    McuThread::setProgramEnder(nullptr);
}

void LinkFixture::start(bool poll)
{
    link->start(QThread::TimeCriticalPriority);
    if (poll)
        link->polling = true;
    drainTimer.start();
}

bool LinkFixture::waitConfirmed(int timeoutMs)
{
    return QTest::qWaitFor([this] { return confirmed; }, timeoutMs);
}

void LinkFixture::drain()
{
    McuThreadFrameBuffer* buffer = link->acquireInput();
    if (!buffer)
        return;
    for (int i = 0; i < buffer->count; ++i)
        received.append(buffer->frames[i]);
    link->releaseInput(buffer);
}

QList<SpiDynoFrame> LinkFixture::receivedOf(DynoRegister reg) const
{
    QList<SpiDynoFrame> frames;
    for (const SpiDynoFrame& f : received)
        if (f.reg == reg)
            frames.append(f);
    return frames;
}

void LinkFixture::inLinkThread(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(link.get(), work, Qt::BlockingQueuedConnection);
}

QStringList LinkFixture::endings() const
{
    QMutexLocker lock(&endingMutex);
    return endingMessages;
}

QString LinkFixture::imageVersion(const QString& imagePath)
{
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray header = file.read(128);
    const int end = header.indexOf('\0');
    return QString::fromLatin1(end < 0 ? header : header.left(end));
}
