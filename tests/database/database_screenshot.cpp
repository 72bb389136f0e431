// Shows the projects table with its filter row above the row editor of the
// selected project, on a database of a few projects in a temporary folder.
// With a file name as argument it saves a picture of the window and quits
// (for a look under a real X server).
#include "Colors.h"
#include "DatabaseTestSupport.h"
#include "Fonts.h"
#include "Icons.h"
#include "MultipleSortFilterProxyModel.h"
#include "MySQLTableView.h"
#include "SqlModelConfigurator.h"
#include "TableEditor.h"

#include <QApplication>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

using namespace DatabaseTest;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theColors.init();
    theFonts.init();
    theIcons.init();
    initProgramState();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("projects2.db"));
    Connection connection(path);
    Models models(connection);
    ProjectListModel* projects = models.projects.get();
    connection.exec(QStringLiteral(
        "insert into projects2 (vehicleId, customerName, vehicleType, brand, model, mass, displacement, "
        "stockEnginePower, stockEngineTorque, gearboxType, engineFuelType, engineBoostType, favourite, "
        "creationTimestamp, description, engineCycle, cylinderCount) values "
        "('KR 4711', 'J. Nowak', 1, 'Ford', 'Focus ST', 1362, 0.002261, 184000, 360, 0, 0, 1, 1, 1709000000, "
        "'Stage 1 map', 1, 4),"
        "('WX 1234', 'A. Berg', 1, 'Volvo', 'V70 T5', 1550, 0.002319, 184000, 330, 1, 0, 1, 0, 1710000000, "
        "'Customer car\nsecond visit', 1, 5),"
        "('GD 0815', 'Dyno Lab', 3, 'Ducati', 'Monster', 185, 0.000821, 81000, 88, 5, 0, 0, 1, 1711000000, "
        "'', 1, 2),"
        "('PO 5522', 'M. Fox', 1, 'Ford', 'Fiesta', 1100, 0.001596, 88000, 152, 0, 0, 0, 0, 1712000000, "
        "'Baseline', 1, 4)"));
    projects->select();

    // The built-in display settings, as the settings page applies them at start.
    SqlModelConfigurator configurator;
    configurator.setSqlModel(projects);
    configurator.loadConfigurationFromFile(dir.filePath(QStringLiteral("projectsCustomization.xml")),
                                           QStringLiteral(":/resources/projectsCustomization.xml"));

    QSplitter window(Qt::Vertical);
    window.setWindowTitle(QStringLiteral("Projects"));
    auto* table = new MySQLTableView(&window);
    table->setObjectName(QStringLiteral("tableView_projects"));
    table->setModel(projects);
    auto* editor = new TableEditor(&window);
    editor->setModel(projects);
    QObject::connect(table, &SearchTableViewBase::signal_selectionChanged, editor, &TableEditor::slot_setRow);
    window.addWidget(table);
    window.addWidget(editor);
    window.resize(1200, 900);
    window.setSizes({280, 620});
    window.show();

    projects->slot_setActiveProjectByRow(0);
    table->selectRow(3);
    // A filter as the user types it: only the Ford projects.
    table->proxyModel->setFilter(ProjectListFields::brand, QStringLiteral("ford"));

    if (argc > 1) {
        const QString file = QString::fromLocal8Bit(argv[1]);
        QTimer::singleShot(900, &window, [&window, file] { QApplication::exit(window.grab().save(file) ? 0 : 1); });
    }
    return app.exec();
}
