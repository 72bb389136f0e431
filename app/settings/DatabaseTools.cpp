#include "DatabaseTools.h"

#include "DiskCleanupOpener.h"
#include "MySettings.h"
#include "RunListModel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DatabaseTools::DatabaseTools(QWidget* parent)
    : QWidget(parent)
{
}

void DatabaseTools::setModel(RunListModel* model)
{
    if (!model || layout())
        return;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(tr("Before using these tools, make a backup copy of all your files in") + QStringLiteral(" /home/pi/.zembo"),
                   this));
    auto addButton = [this, layout](const QString& text, auto&& action) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        layout->addWidget(button);
    };
    addButton(tr("Remove run entries with missing data files"), [model] { model->slot_removeEntriesWithoutFiles(); });
    addButton(tr("Remove run data files without database entries"),
              [model] { model->slot_removeFilesWithoutEntries(); });
    addButton(tr("Repack run data files for less disk usage and faster access"),
              [model] { model->slot_repackRunDataFiles(); });
    addButton(tr("Recalculate all runs data"), [model] { model->slot_recalculateAllRunsData(); });
    addButton(tr("Disk cleanup tool"), [] { openRegisteredDiskCleanup(); });
    layout->addStretch(1);
}
