#pragma once

#include <QWidget>

#include <functional>

class QProgressBar;

// Two small bars in the status bar, the task above its current sub-task, with
// the wait cursor from a task's start (0) to its end (1).
class ProgressWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWidget(QWidget* parent = nullptr);

    // The status bar registers the refresh of its memory-usage bar, which runs
    // after every sub-task step so that memory use stays visible during long loads.
    static void setMemoryUsageRefresher(std::function<void()> refresher);

public Q_SLOTS:
    void slot_setProgress(float f);
    void slot_setSubProgress(float f);

private:
    QProgressBar* mainBar = nullptr;
    QProgressBar* subBar = nullptr;
    float progress = 1.0f;
    float subProgress = 1.0f;
};
