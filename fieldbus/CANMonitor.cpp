#include "CANMonitor.h"

#include "CANMonitorModel.h"
#include "DialogAnswerer.h"
#include "Fonts.h"
#include "MyTableView.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

CANMonitor::CANMonitor(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("CAN Monitor"));
    resize(700, 700);
    auto* layout = new QVBoxLayout(this);
    model = new CANMonitorModel(this);
    tableView = new MyTableView(this, QStringLiteral("canMonitor"));
    tableView->setModel(model);
    tableView->tableView->setFont(theFonts.fixedFont);
    tableView->tableView->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tableView);
}

void CANMonitor::openModal(QWidget* parent)
{
    CANMonitor monitor(parent);
    DialogAnswerer::exec(&monitor);
}
