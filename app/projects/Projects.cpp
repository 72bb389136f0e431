#include "Projects.h"

#include "CarDB.h"
#include "Colors.h"
#include "DialogAnswerer.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "MySQLTableView.h"
#include "MyTableViewSearchHeader.h"
#include "MySettings.h"
#include "MySettingsOwnWidgets.h"
#include "ProjectListModel.h"
#include "ProjectPictureWidget.h"
#include "RunListModel.h"
#include "TableEditor.h"
#include "lib/Tools.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDebug>
#include <QInputDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

class QNetworkAccessManager;
extern QNetworkAccessManager* theNAM;

namespace {

QMap<int, Projects::CalculatorOpener>& calculatorOpeners()
{
    static QMap<int, Projects::CalculatorOpener> openers;
    return openers;
}

constexpr int kPicturePage = 2;

} // namespace

void Projects::setCalculatorOpener(Calculator calculator, CalculatorOpener opener)
{
    if (opener)
        calculatorOpeners().insert(calculator, std::move(opener));
    else
        calculatorOpeners().remove(calculator);
}

double Projects::lossFactorForGearbox(int gearboxType)
{
    static const double factors[] = {0.04, 0.08, 0.14, 0.0, 0.0, 0.06, 0.05, 0.02, 0.04, 0.06, 0.08};
    if (gearboxType < 0 || gearboxType >= static_cast<int>(std::size(factors)))
        return 0.0;
    return factors[gearboxType];
}

bool Projects::isLocked(qint64 lastAccess, qint64 now)
{
    return (now - lastAccess) / 3600 > 24;
}

std::optional<double> Projects::estimateEngineInertia(int vehicleType, int engineCycle, int cylinderCount,
                                                      double displacement, int fuelType, int configuration,
                                                      QString* error)
{
    const double vehicleFactor = vehicleType == 3 ? static_cast<double>(0.2f) : 1.0;
    double cycleFactor = 0.0;
    if (engineCycle == 0) {
        cycleFactor = 1.0;
    } else if (engineCycle == 1) {
        cycleFactor = 2.0;
    } else {
        if (error)
            *error = tr("This engine cycle is not supported for inertia estimation");
        return std::nullopt;
    }
    if (fuelType == 7) {
        if (error)
            *error = tr("Electric engine is not supported for inertia estimation");
        return std::nullopt;
    }
    const double fuelFactor = fuelType == 2 || fuelType == 3 ? 1.2 : 1.0;
    if (configuration == 5 || configuration == 6) {
        if (error)
            *error = tr("This engine configuration is not supported for inertia estimation");
        return std::nullopt;
    }
    double exponent = 0.3;
    switch (cylinderCount) {
    case 1:
        exponent = 1.0;
        break;
    case 2:
        exponent = 0.4;
        break;
    case 3:
        exponent = 0.24;
        break;
    case 4:
        exponent = engineCycle == 0 ? 0.4 : 0.37;
        break;
    default:
        break;
    }
    return vehicleFactor * 0.007 * cycleFactor * (cylinderCount + 4) * std::pow(1000.0 * displacement, exponent)
        * fuelFactor;
}

Projects::Projects(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    splitter_projects = new QSplitter(Qt::Vertical, this);
    splitter_projects->setObjectName(QStringLiteral("splitter_projects"));
    splitter_projects->setOpaqueResize(false);
    splitter_projects->setChildrenCollapsible(false);
    layout->addWidget(splitter_projects);

    tableView_projects = new MySQLTableView(splitter_projects);
    tableView_projects->setObjectName(QStringLiteral("tableView_projects"));
    tabWidget = new QTabWidget(splitter_projects);
    myTableView_runs = new MySQLTableView(tabWidget);
    myTableView_runs->setObjectName(QStringLiteral("myTableView_runs"));
    tabWidget->addTab(myTableView_runs, tr("RUNS"));

    auto* dataPage = new QWidget(tabWidget);
    auto* dataLayout = new QVBoxLayout(dataPage);
    dataLayout->setContentsMargins(1, 1, 1, 1);
    pushButton_unlock = new QPushButton(tr("This is an old project. Click to unlock editing"), dataPage);
    Tools::setButtonBackgroundColorWithPalette(pushButton_unlock, QColor(255, 224, 77));
    pushButton_unlock->hide();
    dataLayout->addWidget(pushButton_unlock);
    pushButton_fillFromDatabase = new QPushButton(tr("Fill with online database"), dataPage);
    dataLayout->addWidget(pushButton_fillFromDatabase);
    projectEditor = new TableEditor(dataPage);
    dataLayout->addWidget(projectEditor, 1);
    pushButton_activateProject = new QPushButton(tr("Activate project and switch to RUN tab"), dataPage);
    pushButton_activateProject->setEnabled(false);
    dataLayout->addWidget(pushButton_activateProject);
    tabWidget->addTab(dataPage, tr("PROJECT DATA"));

    pictureWidget = new ProjectPictureWidget(tabWidget);
    tabWidget->addTab(pictureWidget, tr("PROJECT PICTURE"));

    auto addAction = [this](int field, const QString& text, void (Projects::*slot)()) {
        auto* action = new QAction(text, this);
        connect(action, &QAction::triggered, this, slot);
        projectEditor->addActionForField(field, action);
    };
    addAction(ProjectListFields::engineInertia, tr("Set estimate from engine information"),
              &Projects::slot_engineInertiaWizard);
    addAction(ProjectListFields::drivetrainInertia, tr("Set estimate from wheel size"),
              &Projects::slot_drivetrainInertiaWizard);
    addAction(ProjectListFields::wheelDiameter, tr("Set from wheel size"), &Projects::slot_wheelDiameterWizard);
    addAction(ProjectListFields::lossFromLoadFactor, tr("Set from efficiency"),
              &Projects::slot_lossFromLoadFactorFromEfficiency);
    addAction(ProjectListFields::lossFromLoadFactor, tr("Set estimate from gearbox type"),
              &Projects::slot_lossFromLoadFactorWizard);
    addAction(ProjectListFields::engineCorrectionFactor, tr("Calculate engine factor"),
              &Projects::slot_engineFactorWizard);

    connect(tableView_projects, &MySQLTableView::signal_selectionChanged, this, &Projects::slot_setDisplayedRow);
    connect(tabWidget, &QTabWidget::currentChanged, this, &Projects::slot_projectTabChanged);
    connect(pushButton_unlock, &QPushButton::clicked, this, &Projects::slot_unlockProject);
    connect(pushButton_fillFromDatabase, &QPushButton::clicked, this, &Projects::slot_fillFromDatabase);
    connect(pushButton_activateProject, &QPushButton::clicked, this, &Projects::slot_activateCurrentProject);
    theSettings.connectSplitter(splitter_projects);
}

void Projects::delayedInit()
{
    setModels(theProjectListModel, theRunListModel);
    theSettings.connectMyTableView(tableView_projects);
    theSettings.connectMyTableView(myTableView_runs);
    if (optionChecked("checkBox_settings_activateLastProject") && projectModel)
        projectModel->slot_setCurrentProjectById(
            theSettings.value(QStringLiteral("UISettings/lastProjectId"), -1).toInt());
}

void Projects::setModels(ProjectListModel* projects, RunListModel* runs)
{
    projectModel = projects;
    runModel = runs;
    if (!projectModel || !runModel)
        return;
    connect(projectModel, &ProjectListModel::signal_newProjectCreated, this, &Projects::slot_newProjectCreated);
    connect(runModel, &QAbstractItemModel::rowsInserted, myTableView_runs, &MySQLTableView::slot_clearFilters);
    tableView_projects->setModel(projectModel);
    connect(tableView_projects, &MySQLTableView::signal_doubleClicked, projectModel,
            &ProjectListModel::slot_setActiveProjectByRow);
    projectEditor->setModel(projectModel);
    myTableView_runs->setModel(runModel);

    projectModel->rowEditor = projectEditor;
    auto* gearbox = new QAction(this);
    connect(gearbox, &QAction::triggered, this, &Projects::slot_gearboxListener);
    projectModel->fieldListeners.insert(ProjectListFields::gearboxType, gearbox);
    auto* engine = new QAction(this);
    connect(engine, &QAction::triggered, this, &Projects::slot_engineInertiaUpdateListener);
    for (int field : {ProjectListFields::engineCycle, ProjectListFields::cylinderCount, ProjectListFields::displacement,
                      ProjectListFields::engineFuelType, ProjectListFields::engineConfiguration,
                      ProjectListFields::vehicleType})
        projectModel->fieldListeners.insert(field, engine);
    // The view's selectRow adds to the selection; the new project is to be the only one.
    projectModel->selectRowInView = [this](int row) {
        tableView_projects->tableView->clearSelection();
        tableView_projects->selectRow(row);
    };
    projectModel->runAllListeners = [this] { runAllListeners(); };
    projectModel->showRunsPage = [this] { tabWidget->setCurrentIndex(0); };
    slot_setDisplayedRow(-1);
}

bool Projects::optionChecked(const char* name) const
{
    const QWidget* top = window();
    const auto* box = top ? top->findChild<QCheckBox*>(QString::fromLatin1(name)) : nullptr;
    return box && box->isChecked();
}

int Projects::dynoType() const
{
    if (!theDynoSettings)
        return -1;
    const DynoSetting* setting = theDynoSettings->getSetting(DynoSettingId_dynoType, 0);
    return setting ? setting->value().toInt() : -1;
}

void Projects::slot_setDisplayedRow(int row)
{
    displayedRow = row;
    if (row < 0) {
        if (runModel)
            runModel->setProjectId(-1);
        pictureWidget->setProjectId(-1);
        pushButton_activateProject->setEnabled(false);
        pushButton_fillFromDatabase->setEnabled(false);
        pushButton_unlock->hide();
    } else if (projectModel) {
        const int id = projectModel->dataRawByRowAndId(row, ProjectListFields::id).toInt();
        const qint64 lastAccess = projectModel->dataRawByRowAndId(row, ProjectListFields::lastAccessTimestamp).toLongLong();
        const bool editable = !isLocked(lastAccess, QDateTime::currentSecsSinceEpoch());
        pushButton_fillFromDatabase->setEnabled(editable);
        pushButton_activateProject->setEnabled(editable);
        pushButton_unlock->setVisible(!editable);
        if (runModel)
            runModel->setProjectId(id);
        pictureWidget->setProjectId(id);
        projectEditor->slot_setRow(row);
        projectEditor->setEditingEnabled(editable);
    }
    if (row < 0)
        projectEditor->slot_setRow(-1);
    myTableView_runs->setEnabled(row >= 0);
}

void Projects::slot_activateCurrentProject()
{
    if (displayedRow >= 0 && projectModel)
        projectModel->slot_setActiveProjectByRow(displayedRow);
}

void Projects::slot_unlockProject()
{
    if (displayedRow < 0 || !projectModel)
        return;
    projectModel->setDataRawByRowAndId(displayedRow, ProjectListFields::lastAccessTimestamp,
                                       QDateTime::currentSecsSinceEpoch());
    slot_setDisplayedRow(displayedRow);
}

void Projects::slot_newProjectCreated()
{
    tableView_projects->slot_clearFilters();
    tabWidget->setCurrentIndex(1);
}

void Projects::slot_projectTabChanged()
{
    if (tabWidget->currentIndex() == kPicturePage)
        pictureWidget->requestFreshFrame();
}

void Projects::slot_fillFromDatabase()
{
    CarDB::setNetworkAccessManager(theNAM);
    CarDB dialog(projectEditor, nullptr);
}

void Projects::runAllListeners()
{
    slot_gearboxListener();
    slot_engineInertiaUpdateListener();
}

void Projects::slot_gearboxListener()
{
    if (optionChecked("checkBox_settings_updateDTLossFactorOnGearboxChange"))
        slot_lossFromLoadFactorWizard();
}

void Projects::slot_engineInertiaUpdateListener()
{
    if (optionChecked("checkBox_settings_updateEngineInertiaOnDisplacementChange"))
        slot_engineInertiaWizard();
}

void Projects::slot_engineInertiaWizard()
{
    if (displayedRow < 0 || !projectModel)
        return;
    auto value = [this](int field) { return projectModel->dataRawByRowAndId(displayedRow, field); };
    QString error;
    const std::optional<double> inertia = estimateEngineInertia(
        value(ProjectListFields::vehicleType).toInt(), value(ProjectListFields::engineCycle).toInt(),
        value(ProjectListFields::cylinderCount).toInt(), value(ProjectListFields::displacement).toDouble(),
        value(ProjectListFields::engineFuelType).toInt(), value(ProjectListFields::engineConfiguration).toInt(),
        &error);
    if (!inertia) {
        Tools::showError(error);
        return;
    }
    projectModel->setDataRawByRowAndId(displayedRow, ProjectListFields::engineInertia, *inertia);
}

void Projects::slot_lossFromLoadFactorWizard()
{
    if (displayedRow < 0 || !projectModel)
        return;
    const int gearbox = projectModel->dataRawByRowAndId(displayedRow, ProjectListFields::gearboxType).toInt();
    projectModel->setDataRawByRowAndId(displayedRow, ProjectListFields::lossFromLoadFactor,
                                       lossFactorForGearbox(gearbox));
}

void Projects::slot_lossFromLoadFactorFromEfficiency()
{
    if (displayedRow < 0 || !projectModel)
        return;
    const double loss = projectModel->dataRawByRowAndId(displayedRow, ProjectListFields::lossFromLoadFactor).toDouble();
    const double initial = 100.0 / (loss + 1.0);
    QInputDialog dialog(this);
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setWindowTitle(tr("Set loss factor from efficiency"));
    dialog.setLabelText(tr("Efficiency"));
    dialog.setDoubleRange(0.0, 100.0);
    dialog.setDoubleDecimals(1);
    dialog.setDoubleStep(1.0);
    dialog.setDoubleValue(initial);
    const double efficiency = DialogAnswerer::exec(&dialog) == QDialog::Accepted ? dialog.doubleValue() : initial;
    // 0 % has no finite loss factor: the field keeps its value.
    if (!(efficiency > 0.0))
        return;
    projectModel->setDataRawByRowAndId(displayedRow, ProjectListFields::lossFromLoadFactor, 100.0 / efficiency - 1.0);
}

void Projects::runCalculator(Calculator calculator, int field)
{
    if (displayedRow < 0 || !projectModel)
        return;
    const CalculatorOpener opener = calculatorOpeners().value(calculator);
    if (!opener) {
        qDebug() << "No calculator registered" << calculator;
        return;
    }
    const int vehicleType = projectModel->dataRawByRowAndId(displayedRow, ProjectListFields::vehicleType).toInt();
    if (const std::optional<double> result = opener(vehicleType))
        projectModel->setDataRawByRowAndId(displayedRow, field, *result);
}

void Projects::slot_drivetrainInertiaWizard()
{
    if (dynoType() != 1) {
        Tools::showInfo(tr("Drivetrain inertia estimation from wheel size can only be done for roller dyno"));
        return;
    }
    runCalculator(DrivetrainInertiaCalculator, ProjectListFields::drivetrainInertia);
}

void Projects::slot_wheelDiameterWizard()
{
    if (dynoType() != 2) {
        Tools::showInfo(tr("Wheel diameter setting has effect only in hub dyno"));
        return;
    }
    runCalculator(WheelDiameterCalculator, ProjectListFields::wheelDiameter);
}

void Projects::slot_engineFactorWizard()
{
    runCalculator(EngineFactorCalculator, ProjectListFields::engineCorrectionFactor);
}
