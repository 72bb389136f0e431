#include "UI.h"

#include "AnalyzeWidget.h"
#include "IO.h"
#include "Projects.h"
#include "RunWidget.h"
#include "Settings.h"
#include "ShortcutParents.h"
#include "Statusbar.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QTabWidget>
#include <QVBoxLayout>

UI* theUI = nullptr;

UI::UI(QMainWindow* window)
{
    theUI = this;
    comboBox_powerCorrection = nullptr;
    comboBox_analyze_masterChannel = nullptr;
    pushButton_print = nullptr;

    centralWidget = new QWidget(window);
    window->setCentralWidget(centralWidget);
    // The pages below make shortcuts for triggers and operator input channels.
    ShortcutParents::setMainWindow(window);
    ShortcutParents::setTriggerDefault(centralWidget);
    auto* layout = new QVBoxLayout(centralWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tabWidget_main = new QTabWidget(window);
    tabWidget_main->setObjectName(QStringLiteral("tabWidget_main"));

    projects = new Projects(window);
    analyzeWidget = new AnalyzeWidget(window);
    runWidget = new RunWidget(window);
    settings = new Settings(window);
    io = new IO(window);

    tabWidget_main->addTab(projects, QCoreApplication::translate("UI", "PROJECTS"));
    tabWidget_main->addTab(analyzeWidget, QCoreApplication::translate("UI", "ANALYZE"));
    tabWidget_main->addTab(runWidget, QCoreApplication::translate("UI", "RUN"));
    tabWidget_main->addTab(settings, QCoreApplication::translate("UI", "SETTINGS"));
    tabWidget_main->addTab(io, QCoreApplication::translate("UI", "IO"));
    layout->addWidget(tabWidget_main);

    statusbar = new Statusbar(window);
    statusbar->setMaximumHeight(30);
    layout->addWidget(statusbar);
}
