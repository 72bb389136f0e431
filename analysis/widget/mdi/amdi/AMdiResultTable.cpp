#include "AMdiResultTable.h"

#include "AMdiResultTableModel.h"

#include <QFrame>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

AMdiResultTable::AMdiResultTable(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    setMinimumSize(220, 220);
}

void AMdiResultTable::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    view = new QTableView(contentFrame);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->setSelectionMode(QAbstractItemView::ContiguousSelection);
    model = new AMdiResultTableModel(this);
    model->view = view;
    model->setModels(runs, selection);
    view->setModel(model);
    view->installEventFilter(model);
    installEventFilter(model);
    contentFrame->setFrameStyle(QFrame::NoFrame);
    contentLayout->addWidget(view);
    for (QWidget* part : {static_cast<QWidget*>(view), view->viewport(),
                          static_cast<QWidget*>(view->horizontalScrollBar()),
                          static_cast<QWidget*>(view->verticalScrollBar()), view->horizontalHeader()->viewport(),
                          view->verticalHeader()->viewport()}) {
        part->setAttribute(Qt::WA_MouseTracking);
        part->installEventFilter(this);
    }
}

void AMdiResultTable::recalculate()
{
    if (model)
        model->recalculate();
}

QStringList AMdiResultTable::listChannelKeys()
{
    return model ? model->listChannelKeys() : QStringList();
}

void AMdiResultTable::parseDomElementChild(const QDomElement* setup)
{
    if (model)
        model->parseDomElement(setup);
}

void AMdiResultTable::writeToDomElementChild(QDomElement* setup)
{
    if (model)
        model->writeToDomElement(setup);
}

QString AMdiResultTable::generateReportTable() const
{
    return model ? model->generateResultTable() : QString();
}

QString AMdiResultTable::generateReportTableTransposed() const
{
    return model ? model->generateResultTableTransposed() : QString();
}
