#include "FirmwareUpdater.h"

#include "FirmwareUpdaterWorker.h"
#include "McuThread.h"
#include "lib/DialogAnswerer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

FirmwareUpdater::FirmwareUpdater(QWidget* parent, McuThread* link)
    : QDialog(parent), link(link ? link : theMCUThread)
{
    setWindowTitle(tr("Firmware Updater"));
    resize(357, 218);

    QFont big = font();
    big.setPointSize(15);

    auto* layout = new QVBoxLayout(this);
    auto* currentTitle = new QLabel(tr("Current firmware"), this);
    currentTitle->setFont(big);
    currentTitle->setAlignment(Qt::AlignCenter);
    currentFirmwareLabel = new QLabel(QStringLiteral("current - device - version"), this);
    currentFirmwareLabel->setAlignment(Qt::AlignCenter);
    auto* newTitle = new QLabel(tr("New firmware"), this);
    newTitle->setFont(big);
    newTitle->setAlignment(Qt::AlignCenter);
    newFirmwareLabel = new QLabel(QStringLiteral("new - device - version"), this);
    newFirmwareLabel->setAlignment(Qt::AlignCenter);
    progressBar = new QProgressBar(this);
    progressInfoLabel = new QLabel(tr("Progress info"), this);
    progressInfoLabel->setAlignment(Qt::AlignCenter);
    updateButton = new QPushButton(tr("UPDATE"), this);
    for (QWidget* w : {static_cast<QWidget*>(currentTitle), static_cast<QWidget*>(currentFirmwareLabel),
                       static_cast<QWidget*>(newTitle), static_cast<QWidget*>(newFirmwareLabel),
                       static_cast<QWidget*>(progressBar), static_cast<QWidget*>(progressInfoLabel),
                       static_cast<QWidget*>(updateButton)})
        layout->addWidget(w);

    if (!this->link)
        return;
    FirmwareUpdaterWorker* worker = this->link->firmwareUpdater;
    newFirmwareLabel->setText(worker->imageVersion);
    progressBar->setMaximum(worker->pageCount());
    progressBar->setValue(0);

    connect(worker, &FirmwareUpdaterWorker::signal_currentFirmware, currentFirmwareLabel, &QLabel::setText,
            Qt::QueuedConnection);
    connect(worker, &FirmwareUpdaterWorker::signal_progressInfo, progressInfoLabel, &QLabel::setText,
            Qt::QueuedConnection);
    connect(worker, &FirmwareUpdaterWorker::signal_progressValue, progressBar, &QProgressBar::setValue,
            Qt::QueuedConnection);
    connect(worker, &FirmwareUpdaterWorker::signal_updateFinished, updateButton,
            [this] { updateButton->setEnabled(true); }, Qt::QueuedConnection);
    connect(worker, &FirmwareUpdaterWorker::signal_showUI, this, &FirmwareUpdater::slot_showUI, Qt::QueuedConnection);
    connect(worker, &FirmwareUpdaterWorker::signal_closeUI, this, &QDialog::accept, Qt::QueuedConnection);
    connect(updateButton, &QPushButton::clicked, this, [this, worker] {
        updateButton->setEnabled(false);
        QMetaObject::invokeMethod(worker, &FirmwareUpdaterWorker::slot_startUpdate, Qt::QueuedConnection);
    });
}

void FirmwareUpdater::slot_showUI()
{
    if (!isVisible()) {
        QTimer::singleShot(100, this, &FirmwareUpdater::slot_reposition);
        if (autoUpdate)
            updateButton->click();
        DialogAnswerer::exec(this);
    }
    if (link && link->firmwareConfirmed)
        return;
    if (quitting)
        return;
    quitting = true;
    qDebug() << "Firmware updater closed without upgrade to correct firmware version";
    QCoreApplication::quit();
}

void FirmwareUpdater::slot_reposition()
{
    if (QWidget* p = parentWidget()) {
        const QPoint centre = p->mapToGlobal(p->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
}
