#include "DynoOdometer.h"

#include "MaintenanceCondition.h"
#include "MaintenanceWidget.h"

#include "ChannelId.h"
#include "Channels.h"
#include "McuThread.h"
#include "RunChannel.h"
#include "RunThread.h"
#include "lib/Units.h"

#include <QDebug>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

DynoOdometer::DynoOdometer(QWidget* parent)
    : QScrollArea(parent)
{
    setWidgetResizable(true);
    formats[2] = tr("Total run count:") + QStringLiteral(" %1");
    formats[3] = tr("Total run time:") + QStringLiteral(" %2h : %3m : %4s");
    formats[4] = tr("Total run distance:") + QStringLiteral(" %1 m");
    formats[5] = tr("Peak road speed:") + QStringLiteral(" %1 m/s");
    formats[6] = tr("Peak road acceleration:") + QStringLiteral(" %1 m/s²");
    formats[7] = tr("Peak road deceleration:") + QStringLiteral(" %1 m/s²");
}

void DynoOdometer::setLink(Link newLink)
{
    link = std::move(newLink);
}

void DynoOdometer::readWord(uint8_t id)
{
    if (link.read)
        link.read(id);
    else if (theMCUThread)
        theMCUThread->readUserPageWord(id);
}

void DynoOdometer::init()
{
    if (initialized)
        return;
    initialized = true;
    auto* inner = new QWidget(this);
    auto* layout = new QVBoxLayout(inner);
    setWidget(inner);

    if (theRunThread)
        connect(theRunThread, &RunThread::signal_userPageDataReceived, this, &DynoOdometer::slot_userPageData,
                Qt::UniqueConnection);
    // The run thread reports the run; the end is handled in this thread.
    RunThread::hooks.odometerRunStarted = [this](qint64 t) { runStarted(t); };
    RunThread::hooks.odometerSpeed = [this](double v, qint64 t) { newSpeedInfo(v, t); };
    RunThread::hooks.odometerAcceleration = [this](double a) { newAccelerationInfo(a); };
    RunThread::hooks.odometerRunFinished = [this](double seconds) {
        QMetaObject::invokeMethod(this, [this, seconds] { slot_runFinished(seconds); }, Qt::QueuedConnection);
    };

    for (int id = firstWord; id <= lastWord; ++id) {
        auto* label = new QLabel(formats[size_t(id)], inner);
        label->setTextFormat(Qt::PlainText);
        labels[size_t(id)] = label;
        layout->addWidget(label);
        readWord(uint8_t(id));
    }
    // The usage profile is computed from the run table, which cannot do it yet.
    pushButton_calculateUsageProfile = new QPushButton(tr("Calculate usage profile"), inner);
    pushButton_calculateUsageProfile->setEnabled(false);
    layout->addWidget(pushButton_calculateUsageProfile);

    if (!MaintenanceCondition::parameterSource) {
        MaintenanceCondition::parameterSource = [this](int parameter) {
            switch (parameter) {
            case MaintenanceCondition::RunTime: return getRunTime();
            case MaintenanceCondition::RunDistance: return getTotalRunDistance();
            case MaintenanceCondition::ClockTime: return double(QDateTime::currentSecsSinceEpoch());
            default: return 0.0;
            }
        };
    }
    // The reminders' boxes count in units: tools that read the counters
    // without the program's unit table get the counters alone.
    for (int i = 0; i < 4 && theUnits.unitless; ++i) {
        auto* reminder = new MaintenanceWidget(inner, i);
        maintenanceWidgets.append(reminder);
        layout->addWidget(reminder);
    }
    layout->addStretch(1);
}

uint32_t DynoOdometer::toWord(double value)
{
    if (!(value > 0.0)) // NaN too
        return 0;
    if (value >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return uint32_t(value);
}

bool DynoOdometer::wordKnown(int id) const
{
    return id >= 0 && id < 32 && (knownWords & (1u << id)) != 0;
}

bool DynoOdometer::allWordsKnown() const
{
    for (int id = firstWord; id <= lastWord; ++id) {
        if (!wordKnown(id))
            return false;
    }
    return true;
}

QString DynoOdometer::labelText(int id) const
{
    if (id < firstWord || id > lastWord)
        return QString();
    const QString& format = formats[size_t(id)];
    if (!wordKnown(id))
        return format;
    const uint32_t value = words[size_t(id)];
    switch (id) {
    case 3:
        return format.arg(value / 3600).arg((value % 3600) / 60).arg(value % 60);
    case 6:
    case 7:
        return format.arg(QString::number(double(value) * 0.001, 'g', QLocale::FloatingPointShortest));
    default:
        return format.arg(value);
    }
}

void DynoOdometer::refreshLabel(int id)
{
    if (id >= 0 && id < wordCount && labels[size_t(id)])
        labels[size_t(id)]->setText(labelText(id));
}

void DynoOdometer::slot_userPageData(unsigned char wordId, unsigned data)
{
    const int id = wordId;
    if (id < firstWord || id > lastWord)
        return;
    // A word the controller never wrote reads as all ones; it is a counter
    // that starts at 0.
    words[size_t(id)] = data == 0xFFFFFFFFu ? 0u : data;
    knownWords |= 1u << id;
    refreshLabel(id);
    if (allWordsKnown() && pending.runs > 0)
        applyPending();
    else
        refreshReminders();
}

void DynoOdometer::refreshReminders()
{
    // Counters not read yet would look like a counter that went back and
    // restart every reminder's count.
    if (!allWordsKnown())
        return;
    for (MaintenanceWidget* reminder : std::as_const(maintenanceWidgets))
        reminder->slot_updateUsageBar();
}

// ----------------------------------------------------------- run thread side

void DynoOdometer::runStarted(qint64 startMs)
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    lastTime = startMs;
    lastSpeed = 0.0;
    distance = 0.0;
    peakAcc = 0.0;
    peakDec = 0.0;
}

void DynoOdometer::newSpeedInfo(double roadSpeed, qint64 ms)
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    distance += (roadSpeed + lastSpeed) * 0.5 * double(ms - lastTime) * 0.001;
    lastSpeed = roadSpeed;
    lastTime = ms;
}

void DynoOdometer::newAccelerationInfo(double roadAcceleration)
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    peakAcc = std::max(peakAcc, roadAcceleration);
    peakDec = std::min(peakDec, roadAcceleration);
}

double DynoOdometer::runDistance() const
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    return distance;
}

double DynoOdometer::peakAcceleration() const
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    return peakAcc;
}

double DynoOdometer::peakDeceleration() const
{
    std::lock_guard<std::mutex> lock(accumulatorMutex);
    return peakDec;
}

// ----------------------------------------------------------------- run end

void DynoOdometer::slot_runFinished(double runTime)
{
    double runMetres;
    double acc;
    double dec;
    {
        std::lock_guard<std::mutex> lock(accumulatorMutex);
        runMetres = distance;
        acc = peakAcc;
        dec = peakDec;
    }
    ++pending.runs;
    if (std::isfinite(runTime) && runTime > 0.0)
        pending.seconds += runTime;
    if (std::isfinite(runMetres) && runMetres > 0.0)
        pending.distance += runMetres;
    // The registry's peak channel; none before the registry exists (the
    // program registers it at start-up, tools and tests may not).
    const QList<RunChannel*> peaks = theChannels.getChannels(ChannelId_dynoSpeedMax);
    const RunChannel* peak = peaks.isEmpty() ? nullptr : peaks.first();
    const double peakSpeed = peak ? peak->getValue() : std::numeric_limits<double>::quiet_NaN();
    if (std::isfinite(peakSpeed))
        pending.peakSpeed = std::max(pending.peakSpeed, peakSpeed);
    if (std::isfinite(acc))
        pending.peakAcceleration = std::max(pending.peakAcceleration, acc);
    if (std::isfinite(dec))
        pending.peakDeceleration = std::min(pending.peakDeceleration, dec);
    if (allWordsKnown())
        applyPending();
    else
        qDebug() << "Odometer: user page not read yet, the run's counters wait for it";
}

void DynoOdometer::applyPending()
{
    // Sums in doubles, so the truncation happens once, as on the words themselves.
    words[2] = toWord(double(words[2]) + pending.runs);
    words[3] = toWord(double(words[3]) + pending.seconds);
    words[4] = toWord(double(words[4]) + pending.distance);
    const uint32_t speed = toWord(pending.peakSpeed);
    if (speed > words[5])
        words[5] = speed;
    if (pending.peakAcceleration > double(words[6]) * 0.001)
        words[6] = toWord(pending.peakAcceleration * 1000.0);
    if (pending.peakDeceleration < -(double(words[7]) * 0.001))
        words[7] = toWord(-pending.peakDeceleration * 1000.0);
    pending = Pending();

    for (int id = firstWord; id <= lastWord; ++id) {
        refreshLabel(id);
        if (link.write)
            link.write(uint8_t(id), words[size_t(id)]);
        else if (theMCUThread)
            theMCUThread->writeUserPageWord(uint8_t(id), words[size_t(id)]);
    }
    if (link.commit)
        link.commit();
    else if (theMCUThread)
        QMetaObject::invokeMethod(theMCUThread, &McuThread::slot_commitUserPageWrite, Qt::QueuedConnection);
    refreshReminders();
}
