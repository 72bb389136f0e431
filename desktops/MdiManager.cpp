#include "MdiManager.h"

#include <QLabel>

MdiManager::MdiManager(QWidget* parent, MdiType type)
    : QTabWidget(parent), type(type)
{
    setObjectName(type == MdiType_run ? QStringLiteral("mdiManager_run") : QStringLiteral("mdiManager_analyze"));
    setTabPosition(QTabWidget::South);
}

void MdiManager::initAfterSettings()
{
    if (count() > 0)
        return;
    auto* desktop = new QLabel(tr("Desktop"), this);
    desktop->setAlignment(Qt::AlignCenter);
    addTab(desktop, type == MdiType_run ? tr("Desktop 1") : tr("Analysis 1"));
}

void MdiManager::unpause()
{
    ++unpauseCount;
}

void MdiManager::mainUiCloseClicked()
{
    closing = true;
}

void MdiManager::raiseDialogs()
{
}

void MdiManager::slot_updateActiveUpdates()
{
}

void MdiManager::slot_newRunStarted()
{
    ++newRunCount;
}
