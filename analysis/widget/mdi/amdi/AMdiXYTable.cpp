#include "AMdiXYTable.h"

#include "AMdiXYTableModel.h"
#include "Fonts.h"
#include "VerticalLabel.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

AMdiXYTable::AMdiXYTable(AbstractMdi* desktop)
    : AbstractAMdiWidget(desktop)
{
    setMinimumSize(220, 200);
}

void AMdiXYTable::init(LoadedRunListModel* runs, QItemSelectionModel* selection)
{
    // The grid takes the place of the base's vertical layout on the content frame.
    delete contentFrame->layout();
    contentLayout = nullptr;
    auto* grid = new QGridLayout(contentFrame);
    grid->setContentsMargins(0, 0, 0, 0);
    auto label = [this](QLabel* l) {
        l->setFont(theFonts.normalFont);
        l->setAlignment(Qt::AlignCenter);
        l->setMouseTracking(true);
        return l;
    };
    QLabel* info = label(new QLabel(tr("Info text"), contentFrame));
    QLabel* xLabel = label(new QLabel(tr("X LABEL"), contentFrame));
    auto* yLabel = new VerticalLabel(tr("Y LABEL"), contentFrame);
    yLabel->setVertical(true);
    label(yLabel);
    auto* cLabel = new VerticalLabel(tr("C LABEL"), contentFrame);
    cLabel->setVertical(true);
    label(cLabel);
    view = new QTableView(contentFrame);
    grid->addWidget(info, 0, 0, 1, 3);
    grid->addWidget(xLabel, 1, 1);
    grid->addWidget(yLabel, 2, 0);
    grid->addWidget(cLabel, 2, 2);
    grid->addWidget(view, 2, 1);

    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->setSelectionMode(QAbstractItemView::ContiguousSelection);
    model = new AMdiXYTableModel(this);
    view->setModel(model);
    view->installEventFilter(model);
    installEventFilter(model);
    // The desktop's move and resize handling sees the mouse over the table too.
    for (QWidget* w : {static_cast<QWidget*>(view), view->viewport(), static_cast<QWidget*>(view->horizontalScrollBar()),
                       view->horizontalHeader()->viewport(), view->verticalHeader()->viewport()}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    removeEventFilter(this);
    model->setLabels(xLabel, yLabel, cLabel, info);
    model->init(runs, selection);
}

void AMdiXYTable::recalculate()
{
    if (model)
        model->recalculate();
}

QStringList AMdiXYTable::listChannelKeys()
{
    return model ? model->listChannelKeys() : QStringList();
}

void AMdiXYTable::parseDomElementChild(const QDomElement* setup)
{
    if (model)
        model->parseDomElement(setup);
}

void AMdiXYTable::writeToDomElementChild(QDomElement* setup)
{
    if (model)
        model->writeToDomElement(setup);
}

QString AMdiXYTable::generateReportTable() const
{
    return model ? model->generateReportTable() : QString();
}
