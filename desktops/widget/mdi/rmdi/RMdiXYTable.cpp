#include "RMdiXYTable.h"

#include "ChannelSetup.h"
#include "Fonts.h"
#include "MdiXYTableCrosshair.h"
#include "RMdiXYTableModel.h"
#include "RunChannel.h"
#include "VerticalLabel.h"
#include "lib/Unit.h"

#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

RMdiXYTable::RMdiXYTable(AbstractMdi* mdi)
    : AbstractRMdiWidget(mdi)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_TranslucentBackground, false);
    model = new RMdiXYTableModel(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::gray);
    frame->setPalette(pal);
    frame->setAutoFillBackground(true);
    frame->setMouseTracking(true);
    // The model's filter takes the widget's mouse events (and its context
    // menu) in place of the widget's own, so that each is handled once; the
    // frame passes what it gets on to the widget.
    removeEventFilter(this);
    installEventFilter(model);
    layout->addWidget(frame);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(2, 2, 2, 0);
    auto* info = new QLabel(QStringLiteral("Info text"), frame);
    auto* columnLabel = new QLabel(QStringLiteral("X LABEL"), frame);
    auto* rowLabel = new VerticalLabel(QStringLiteral("Y LABEL"), frame);
    rowLabel->setVertical(true);
    auto* valueLabel = new VerticalLabel(QStringLiteral("C LABEL"), frame);
    valueLabel->setVertical(true);
    for (QLabel* l : {info, columnLabel, static_cast<QLabel*>(rowLabel), static_cast<QLabel*>(valueLabel)}) {
        l->setFont(theFonts.normalFont);
        l->setAlignment(Qt::AlignCenter);
        l->setMouseTracking(true);
    }
    tableView = new QTableView(frame);
    tableView->setModel(model);
    tableView->horizontalHeader()->setSectionsClickable(false);
    tableView->verticalHeader()->setSectionsClickable(false);
    tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tableView->setSelectionMode(QAbstractItemView::NoSelection);
    tableView->setAttribute(Qt::WA_TransparentForMouseEvents);
    grid->addWidget(info, 0, 1);
    grid->addWidget(columnLabel, 1, 1);
    grid->addWidget(rowLabel, 2, 0);
    grid->addWidget(tableView, 2, 1);
    grid->addWidget(valueLabel, 2, 2);
    model->setLabels(columnLabel, rowLabel, valueLabel, info);
    crosshair = new MdiXYTableCrosshair(tableView, model);
    crosshair->hide();
    connect(model, &RMdiXYTableModel::signal_requestSettingsSave, this, &AbstractMdiWidget::signal_requestSetupSave);
    setMinimumSize(220, 220);
}

void RMdiXYTable::refreshTick(qint64)
{
    RunChannel* valueChannel = model->channels[XYMapAxis_value];
    if (!valueChannel) {
        crosshair->hide();
        return;
    }
    double v = 0;
    qint64 ts = 0;
    valueChannel->getTimestampedData(v, ts);
    if (ts == lastValueTimestamp)
        return;
    lastValueTimestamp = ts;
    RunChannel* column = model->channels[XYMapAxis_columns];
    RunChannel* row = model->channels[XYMapAxis_rows];
    if (column && row) {
        const Unit* unit = valueChannel->setup ? valueChannel->setup->unit : nullptr;
        model->addData(column->getDataTranslated(), row->getDataTranslated(), unit ? unit->getUnitValue(v) : v);
        if (model->hasCurrentCell) {
            crosshair->show();
            crosshair->update();
        }
    } else {
        crosshair->hide();
    }
}

void RMdiXYTable::parseDomElement(const QDomElement* element)
{
    model->parseDomElement(element);
}

void RMdiXYTable::writeToDomElement(QDomElement* element)
{
    model->writeToDomElement(element);
}

void RMdiXYTable::onCreateConfiguration()
{
    bool accepted = false;
    RunChannel* c = pickChannel(tr("Select x channel"), &accepted);
    if (!accepted) {
        slot_closeMdiWidget();
        return;
    }
    model->setChannel(XYMapAxis_columns, c);
    c = pickChannel(tr("Select y channel"), &accepted);
    if (accepted)
        model->setChannel(XYMapAxis_rows, c);
    c = pickChannel(tr("Select value channel"), &accepted);
    if (accepted)
        model->setChannel(XYMapAxis_value, c);
}
