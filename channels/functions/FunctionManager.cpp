#include "FunctionManager.h"

#include "Channels.h"
#include "FunctionsModel.h"
#include "MySettings.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

FunctionManager::FunctionManager(QWidget* parent)
    : QWidget(parent)
{
}

void FunctionManager::init()
{
    if (initialized)
        return;
    initialized = true;

    // The registry finds functions by key from now on, also while the file's
    // arguments are bound to each other below.
    theChannels.registerFamily(Channels::Family_functions, &theFunctionsModel);
    theFunctionsModel.loadFromFile();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tableView = new QTableView(this);
    layout->addWidget(tableView);
    tableView->setModel(&theFunctionsModel);
    tableView->installEventFilter(&theFunctionsModel);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    QHeaderView* header = tableView->horizontalHeader();
    header->setObjectName(QStringLiteral("functionManager_header"));
    theSettings.connectHeaderView(header);
    header->setStretchLastSection(true);
    tableView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    connect(tableView, &QTableView::doubleClicked, &theFunctionsModel, &FunctionsModel::slot_doubleClicked);
    connect(qApp, &QCoreApplication::aboutToQuit, &theFunctionsModel, &FunctionsModel::slot_saveToFile);

    evaluationTimer = new QTimer(this);
    connect(evaluationTimer, &QTimer::timeout, &theFunctionsModel, &FunctionsModel::slot_evaluateFunctions);
    evaluationTimer->start(10);
    displayTimer = new QTimer(this);
    connect(displayTimer, &QTimer::timeout, &theFunctionsModel, &FunctionsModel::slot_updateValueDisplay);
    displayTimer->start(500);
}
