#include "ProgressWidget.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

std::function<void()>& memoryUsageRefresher()
{
    static std::function<void()> refresher;
    return refresher;
}

QProgressBar* makeBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(100);
    bar->setTextVisible(false);
    return bar;
}

int percent(float f)
{
    return static_cast<int>(f * 100.0f);
}

} // namespace

ProgressWidget::ProgressWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mainBar = makeBar(this);
    subBar = makeBar(this);
    layout->addWidget(mainBar);
    layout->addWidget(subBar);
    setMaximumWidth(80);
}

void ProgressWidget::setMemoryUsageRefresher(std::function<void()> refresher)
{
    memoryUsageRefresher() = std::move(refresher);
}

void ProgressWidget::slot_setProgress(float f)
{
    if (f == 0.0f && progress != 0.0f)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (f == 1.0f) {
        if (progress != 1.0f)
            QGuiApplication::restoreOverrideCursor();
        progress = 1.0f;
        mainBar->setValue(100);
        subBar->setValue(100);
        return;
    }
    progress = f;
    mainBar->setValue(percent(f));
    subBar->setValue(0);
}

void ProgressWidget::slot_setSubProgress(float f)
{
    if (f == 0.0f && subProgress != 0.0f)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (f == 1.0f && subProgress != 1.0f)
        QGuiApplication::restoreOverrideCursor();
    subProgress = f;
    subBar->setValue(percent(f));
    if (memoryUsageRefresher())
        memoryUsageRefresher()();
}
