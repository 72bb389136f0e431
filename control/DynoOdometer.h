#pragma once

#include <QScrollArea>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

class MaintenanceWidget;
class QLabel;
class QPushButton;

// The SETTINGS tab's "Maintenance" page and the dyno's lifetime counters kept
// in the controller's user page: run count (word 2), run time in s (3), run
// distance in m (4), peak road speed in m/s (5), peak acceleration and
// deceleration in mm/s² (6, 7). It reads the words at start-up, accumulates
// each run's distance and peaks while the run thread records, and writes the
// updated words back when the run ends.
//
// A counter is only written back once the controller has reported it: a run
// that ends before all six words are known keeps its increments pending and
// they are added when the last word arrives (writing zeros would wipe the
// lifetime counters). The accumulators are written by the run thread and read
// by the GUI thread and the run-file writer, under a mutex.
class DynoOdometer : public QScrollArea
{
    Q_OBJECT
public:
    static constexpr int firstWord = 2;
    static constexpr int lastWord = 7;
    static constexpr int wordCount = 17;

    explicit DynoOdometer(QWidget* parent = nullptr);

    // Lays out the page, connects the run thread and requests the words.
    void init();
    bool initialized = false;

    // Run thread, while a run is recorded.
    void runStarted(qint64 startMs);
    void newSpeedInfo(double roadSpeed, qint64 ms);
    void newAccelerationInfo(double roadAcceleration);

    // Any thread.
    double runDistance() const;
    double peakAcceleration() const;
    double peakDeceleration() const;

    double getRunTime() const { return double(words[3]); }
    double getTotalRunDistance() const { return double(words[4]); }
    uint32_t word(int id) const { return id >= 0 && id < wordCount ? words[size_t(id)] : 0; }
    bool wordKnown(int id) const;
    bool allWordsKnown() const;
    bool hasPendingRuns() const { return pending.runs > 0; }
    QString labelText(int id) const;

    // Where the words go; the MCU link unless replaced (tests): write one
    // word, then make the controller store the page.
    struct Link {
        std::function<void(uint8_t id)> read;
        std::function<void(uint8_t id, uint32_t value)> write;
        std::function<void()> commit;
    };
    void setLink(Link link);

    // Saturating conversion to a 32-bit word: NaN and negatives give 0.
    static uint32_t toWord(double value);

    QPushButton* pushButton_calculateUsageProfile = nullptr;
    // The four maintenance reminders, refreshed whenever the counters are
    // known and after every run.
    QList<MaintenanceWidget*> maintenanceWidgets;
    void refreshReminders();

public Q_SLOTS:
    void slot_userPageData(unsigned char wordId, unsigned data);
    void slot_runFinished(double runTime);

private:
    struct Pending {
        int runs = 0;
        double seconds = 0.0;
        double distance = 0.0;
        double peakSpeed = 0.0;
        double peakAcceleration = 0.0;
        double peakDeceleration = 0.0;
    };

    void refreshLabel(int id);
    void applyPending();
    void readWord(uint8_t id);

    std::array<uint32_t, wordCount> words{};
    uint32_t knownWords = 0;
    std::array<QLabel*, wordCount> labels{};
    std::array<QString, wordCount> formats;
    Pending pending;
    Link link;

    mutable std::mutex accumulatorMutex;
    double lastSpeed = 0.0;
    double distance = 0.0;
    qint64 lastTime = 0;
    double peakAcc = 0.0;
    double peakDec = 0.0;
};
