#include "CanOutputsWidget.h"

#include "CanMessagePreview.h"
#include "CanOutputChannel.h"
#include "CanOutputChannelModel.h"
#include "CanOutputMessage.h"
#include "CanOutputMessageModel.h"
#include "FieldBus.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

void setUpTable(QTableView* view, QAbstractItemModel* model, QObject* filter)
{
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->hide();
    view->setContextMenuPolicy(Qt::DefaultContextMenu);
    view->installEventFilter(filter);
    view->viewport()->installEventFilter(filter);
}

} // namespace

CanOutputsWidget::CanOutputsWidget(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("canOutputsWidget"));
    refreshTimer = new QTimer(this);
    refreshTimer->setInterval(1000);
    connect(refreshTimer, &QTimer::timeout, this, &CanOutputsWidget::slot_updatePreview);
}

void CanOutputsWidget::init()
{
    if (tableView)
        return;
    FieldBus::initCanOutputs();
    CanOutputMessageModel* messages = theCanOutputMessageModel;
    channelModel = new CanOutputChannelModel(this);
    connect(channelModel, &CanOutputChannelModel::signal_saveRequest, messages,
            &CanOutputMessageModel::slot_saveToFile);
    connect(channelModel, &CanOutputChannelModel::signal_updatePreview, this, &CanOutputsWidget::slot_updatePreview);
    connect(messages, &CanOutputMessageModel::signal_updatePreview, this, &CanOutputsWidget::slot_updatePreview);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tableView = new QTableView(this);
    tableView->setObjectName(QStringLiteral("tableView_canOutputs"));
    channelTableView = new QTableView(this);
    channelTableView->setObjectName(QStringLiteral("tableView_canOutputChannels"));
    preview = new CanMessagePreview(this);
    preview->setEnabled(false);
    layout->addWidget(tableView);
    layout->addWidget(channelTableView);
    layout->addWidget(preview, 0, Qt::AlignHCenter);

    messages->view = tableView;
    channelModel->view = channelTableView;
    setUpTable(tableView, messages, messages);
    setUpTable(channelTableView, channelModel, channelModel);
    connect(tableView, &QTableView::doubleClicked, messages, &CanOutputMessageModel::slot_doubleClicked);
    connect(channelTableView, &QTableView::doubleClicked, channelModel, &CanOutputChannelModel::slot_doubleClicked);
    connect(messages, &CanOutputMessageModel::signal_selectLast, this,
            [this] { tableView->selectRow(tableView->model()->rowCount() - 1); });
    connect(channelModel, &CanOutputChannelModel::signal_selectLast, this,
            [this] { channelTableView->selectRow(channelTableView->model()->rowCount() - 1); });
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CanOutputsWidget::slot_messageSelectionChanged);
    connect(channelTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CanOutputsWidget::slot_channelSelectionChanged);
    // A removed message must leave the signal table and the preview first.
    connect(messages, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this, messages](const QModelIndex&, int first,
                                                                                       int last) {
        for (int row = first; row <= last; ++row) {
            if (messages->message(row) == channelModel->message())
                channelModel->setMessage(nullptr);
        }
        tableView->clearSelection();
    });
    slot_updatePreview();
}

int CanOutputsWidget::firstSelectedRow(const QTableView* view) const
{
    if (!view || !view->selectionModel())
        return -1;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CanOutputsWidget::slot_messageSelectionChanged(const QItemSelection& selected, const QItemSelection&)
{
    CanOutputMessageModel* messages = theCanOutputMessageModel;
    const QModelIndexList indexes = selected.indexes();
    if (!indexes.isEmpty() && indexes.first().row() < messages->messageCount())
        channelModel->setMessage(messages->message(indexes.first().row()));
    else
        channelModel->setMessage(nullptr);
    slot_updatePreview();
}

void CanOutputsWidget::slot_channelSelectionChanged()
{
    slot_updatePreview();
}

void CanOutputsWidget::slot_updatePreview()
{
    if (!preview || !theCanOutputMessageModel)
        return;
    const int row = firstSelectedRow(tableView);
    if (row < 0 || row >= theCanOutputMessageModel->messageCount()) {
        preview->setCanId(0);
        preview->setPreviewData(0);
        preview->updateExtractionMask(64, 0, 0);
        preview->setEnabled(false);
        return;
    }
    CanOutputMessage* message = theCanOutputMessageModel->message(row);
    preview->setEnabled(true);
    preview->setCanId(message->canId);
    preview->slot_setEndianness(message->endianness);
    preview->setPreviewData(message->updateData());
    const int channelRow = firstSelectedRow(channelTableView);
    bool marked = false;
    if (channelModel->message() == message && channelRow >= 0) {
        QMutexLocker lock(&message->mutex);
        if (channelRow < message->channels.size()) {
            const CanOutputChannel* c = message->channels.at(channelRow);
            preview->updateExtractionMask(c->bitCount, c->byteOffset, c->bitOffset);
            marked = true;
        }
    }
    if (!marked)
        preview->updateExtractionMask(64, 0, 0);
}
