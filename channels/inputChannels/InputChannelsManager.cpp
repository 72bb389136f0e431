#include "InputChannelsManager.h"

#include "Channels.h"
#include "InputChannelsModel.h"
#include "MySettings.h"
#include "lib/Tools.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

InputChannelsManager::InputChannelsManager(QWidget* parent)
    : QWidget(parent)
{
}

void InputChannelsManager::init()
{
    if (initialized)
        return;
    initialized = true;

    theChannels.registerFamily(Channels::Family_inputChannels, &theInputChannelsModel);
    theInputChannelsModel.loadFromFile();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tableView = new QTableView(this);
    layout->addWidget(tableView);
    tableView->setModel(&theInputChannelsModel);
    tableView->installEventFilter(&theInputChannelsModel);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    QHeaderView* header = tableView->horizontalHeader();
    header->setObjectName(QStringLiteral("inputChannelsManager_header"));
    theSettings.connectHeaderView(header);
    header->setStretchLastSection(true);

    connect(tableView, &QTableView::doubleClicked, &theInputChannelsModel, &InputChannelsModel::slot_doubleClicked);
    connect(qApp, &QCoreApplication::aboutToQuit, &theInputChannelsModel, &InputChannelsModel::slot_saveToFile);
    connect(&theInputChannelsModel, &InputChannelsModel::signal_emitError, this,
            &InputChannelsManager::slot_showFunctionModelError);
}

void InputChannelsManager::slot_showFunctionModelError(const QString& text)
{
    Tools::showError(text);
}
