#include "SelectionDialog.h"

#include "AbstractChannel.h"
#include "ChannelSetup.h"
#include "Colors.h"
#include "MySettings.h"
#include "PickerFilter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

SelectionDialog::SelectionDialog(QWidget* parent, const QString& title)
    : QDialog(parent)
{
    proxy = new QSortFilterProxyModel(this);
    setSizeGripEnabled(true);
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    filterEdit = new QLineEdit(this);
    filterEdit->setPlaceholderText(tr("Filter"));
    hideUnavailableCheckBox = new QCheckBox(tr("Hide unavailable channels"), this);
    top->addWidget(filterEdit);
    top->addWidget(hideUnavailableCheckBox);
    setFocusProxy(filterEdit);
    filterEdit->installEventFilter(this);

    hideUnavailableCheckBox->setObjectName(QStringLiteral("channelSelection/hideUnavailableChannels"));
    theSettings.connectCheckBox(hideUnavailableCheckBox);
    connect(hideUnavailableCheckBox, &QCheckBox::toggled, this,
            &SelectionDialog::slot_updateUnavailableChannelsVisibility);

    tableView = new QTableView(this);
    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(tableView);
    layout->addWidget(buttonBox);

    itemModel = new QStandardItemModel(0, 2, this);
    proxy->setSourceModel(itemModel);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setFilterKeyColumn(-1);
    tableView->setModel(proxy);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->horizontalHeader()->hide();
    tableView->verticalHeader()->hide();
    tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);

    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &SelectionDialog::slot_acceptDialog);
    connect(tableView, &QAbstractItemView::activated, this, &SelectionDialog::slot_activated);
    connect(filterEdit, &QLineEdit::textChanged, this, &SelectionDialog::slot_setFilter);

    resize(800, 600);
    filterEdit->setFocus();
}

void SelectionDialog::appendRow(const QString& first, const QString& second)
{
    itemModel->appendRow({new QStandardItem(first), new QStandardItem(second)});
}

void SelectionDialog::setContent(const QList<AbstractChannel*>& channels)
{
    allChannels = channels;
    slot_updateUnavailableChannelsVisibility(hideUnavailableCheckBox->isChecked());
    raise();
}

void SelectionDialog::setContent(const QList<ChannelSetup*>& newSetups)
{
    hideUnavailableCheckBox->hide();
    setups = newSetups;
    for (ChannelSetup* setup : std::as_const(setups))
        appendRow(setup->key, setup->displayName);
}

void SelectionDialog::setContent(const QList<std::pair<QString, QString>>& newPairs)
{
    hideUnavailableCheckBox->hide();
    pairs = newPairs;
    for (const auto& pair : std::as_const(pairs))
        appendRow(pair.first, pair.second);
}

void SelectionDialog::slot_updateUnavailableChannelsVisibility(bool hideUnavailable)
{
    shownChannels.clear();
    itemModel->removeRows(0, itemModel->rowCount());
    for (AbstractChannel* channel : std::as_const(allChannels)) {
        const bool available = channel->available.load();
        if (hideUnavailable && !available)
            continue;
        shownChannels.append(channel);
        const QString key = channel->setup ? channel->setup->key : QString();
        const QString name = channel->setup ? channel->setup->displayName : QString();
        appendRow(key, name);
        if (!available) {
            const int row = itemModel->rowCount() - 1;
            for (int column = 0; column < 2; ++column)
                itemModel->item(row, column)->setBackground(theColors.colorUnavailable);
        }
    }
}

void SelectionDialog::slot_setFilter(const QString& pattern)
{
    PickerFilter::apply(proxy, tableView, pattern);
}

bool SelectionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == filterEdit && PickerFilter::handleFilterLineEvent(filterEdit, tableView, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

void SelectionDialog::slot_acceptDialog()
{
    chosenIndex = tableView->currentIndex();
    if (chosenIndex.isValid())
        accept();
    else
        reject();
}

void SelectionDialog::slot_activated(const QModelIndex& index)
{
    chosenIndex = index;
    accept();
}

int SelectionDialog::chosenSourceRow() const
{
    if (!chosenIndex.isValid())
        return -1;
    return proxy->mapToSource(chosenIndex).row();
}

AbstractChannel* SelectionDialog::getSelectedChannel() const
{
    const int row = chosenSourceRow();
    return row >= 0 && row < shownChannels.size() ? shownChannels.at(row) : nullptr;
}

ChannelSetup* SelectionDialog::getSelectedSetup() const
{
    const int row = chosenSourceRow();
    return row >= 0 && row < setups.size() ? setups.at(row) : nullptr;
}

QString SelectionDialog::getSelectedKey() const
{
    const int row = chosenSourceRow();
    return row >= 0 && row < pairs.size() ? pairs.at(row).first : QString();
}
