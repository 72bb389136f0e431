#include "UDSChannelsManager.h"

#include "Diagnostics.h"
#include "MultipleSortFilterProxyModel.h"
#include "MySettings.h"
#include "UDSChannelModel.h"
#include "lib/Tools.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

UDSChannelsManager::UDSChannelsManager(QWidget* parent)
    : QWidget(parent)
{
}

void UDSChannelsManager::init()
{
    if (layout())
        return;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);

    pushButton_emptyListWarning =
        new QPushButton(tr("OBD channel list is empty. Add channels or import them from server."), this);
    QFont warningFont = pushButton_emptyListWarning->font();
    warningFont.setPointSize(16);
    warningFont.setWeight(QFont::Bold);
    pushButton_emptyListWarning->setFont(warningFont);
    Tools::setButtonTextColorWithPalette(pushButton_emptyListWarning, Qt::red);
    connect(pushButton_emptyListWarning, &QPushButton::clicked, &theUDSChannelModel,
            &UDSChannelModel::slot_action_importServer);
    layout->addWidget(pushButton_emptyListWarning);

    connect(&theUDSChannelModel, &QAbstractItemModel::rowsInserted, this,
            &UDSChannelsManager::slot_updateEmptyListWarningVisibility);
    connect(&theUDSChannelModel, &QAbstractItemModel::rowsRemoved, this,
            &UDSChannelsManager::slot_updateEmptyListWarningVisibility);
    connect(&theUDSChannelModel, &QAbstractItemModel::modelReset, this,
            &UDSChannelsManager::slot_updateEmptyListWarningVisibility);
    // The file may have been loaded at the settings' input stage already;
    // either way the warning follows the rows now present.
    Diagnostics::loadUdsChannelsOnce();
    slot_updateEmptyListWarningVisibility();

    auto* filterRow = new QHBoxLayout;
    lineEdit_filter = new QLineEdit(this);
    lineEdit_filter->setPlaceholderText(tr("Filter"));
    comboBox_availabilityFilter = new QComboBox(this);
    comboBox_availabilityFilter->addItems({tr("All"), tr("Available"), tr("Selected")});
    comboBox_availabilityFilter->setObjectName(QStringLiteral("OBDChannelAvailabilityFilter"));
    connect(lineEdit_filter, &QLineEdit::textChanged, this, &UDSChannelsManager::slot_filterTextChanged);
    connect(comboBox_availabilityFilter, &QComboBox::currentIndexChanged, this,
            &UDSChannelsManager::slot_availabilityFilterChanged);
    filterRow->addWidget(lineEdit_filter);
    filterRow->addWidget(comboBox_availabilityFilter);
    layout->addLayout(filterRow);

    proxyModel = new MultipleSortFilterProxyModel(this);
    proxyModel->setSourceModel(&theUDSChannelModel);
    theUDSChannelModel.proxyModel = proxyModel;

    tableView = new QTableView(this);
    tableView->setModel(proxyModel);
    tableView->installEventFilter(&theUDSChannelModel);
    // A right click lands on the viewport, which the view's filters never see.
    tableView->viewport()->installEventFilter(this);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tableView->setColumnHidden(UDSChannelModel::ColumnAvailability, true);
    tableView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(tableView, &QAbstractItemView::doubleClicked, &theUDSChannelModel, &UDSChannelModel::slot_doubleClicked);
    layout->addWidget(tableView);

    if (qApp)
        connect(qApp, &QCoreApplication::aboutToQuit, &theUDSChannelModel, &UDSChannelModel::slot_saveToFile,
                Qt::UniqueConnection);
    connect(&theUDSChannelModel, &UDSChannelModel::signal_emitError, this,
            &UDSChannelsManager::slot_showFunctionModelError);

    theSettings.connectComboBox(comboBox_availabilityFilter);

    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(500);
    connect(refreshTimer, &QTimer::timeout, &theUDSChannelModel, &UDSChannelModel::slot_updateValueDisplay);
    refreshTimer->start();
}

bool UDSChannelsManager::eventFilter(QObject* watched, QEvent* event)
{
    if (tableView && watched == tableView->viewport() && event->type() == QEvent::ContextMenu) {
        QCoreApplication::sendEvent(tableView, event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void UDSChannelsManager::slot_filterTextChanged(const QString& text)
{
    proxyModel->setFilter(UDSChannelModel::ColumnName, text);
}

void UDSChannelsManager::slot_availabilityFilterChanged(int index)
{
    proxyModel->setFilter(UDSChannelModel::ColumnAvailability, QString());
    proxyModel->setFilter(UDSChannelModel::ColumnPriority, QString());
    if (index == 1)
        proxyModel->setFilter(UDSChannelModel::ColumnAvailability, QStringLiteral("0"));
    else if (index == 2)
        proxyModel->setFilter(UDSChannelModel::ColumnPriority, QStringLiteral("1/"));
}

void UDSChannelsManager::slot_updateEmptyListWarningVisibility()
{
    if (pushButton_emptyListWarning)
        pushButton_emptyListWarning->setVisible(theUDSChannelModel.rowCount() == 0);
}

void UDSChannelsManager::slot_showFunctionModelError(QString errorString)
{
    Tools::showError(QStringLiteral("UDS ") + errorString);
}
