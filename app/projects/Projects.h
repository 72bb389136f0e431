#pragma once

#include <QMap>
#include <QWidget>

#include <functional>
#include <optional>

class MySQLTableView;
class ProjectListModel;
class ProjectPictureWidget;
class QPushButton;
class QSplitter;
class QTabWidget;
class RunListModel;
class TableEditor;

// The PROJECTS tab: the project table above the selected project's runs, its
// data form and its picture. Projects not accessed for 25 hours are locked
// until unlocked; the form offers estimates of fields the operator rarely
// knows, two of which follow the engine and gearbox data by themselves.
class Projects : public QWidget
{
    Q_OBJECT
public:
    // The calculators the form opens; the wizards register them as they are built.
    enum Calculator { DrivetrainInertiaCalculator, WheelDiameterCalculator, EngineFactorCalculator };
    // Runs the calculator modally for the project's vehicle type; its result, or
    // nothing when cancelled.
    using CalculatorOpener = std::function<std::optional<double>(int vehicleType)>;
    static void setCalculatorOpener(Calculator calculator, CalculatorOpener opener);

    explicit Projects(QWidget* parent = nullptr);

    void delayedInit();
    void setModels(ProjectListModel* projectModel, RunListModel* runModel);
    void runAllListeners();

    // Drivetrain loss factor of a gearbox type (0 for an unknown type).
    static double lossFactorForGearbox(int gearboxType);
    // The engine-inertia estimate, or the refusal's text in `error`.
    static std::optional<double> estimateEngineInertia(int vehicleType, int engineCycle, int cylinderCount,
                                                       double displacement, int fuelType, int configuration,
                                                       QString* error);
    // An old project: last accessed 25 hours or more before `now` (seconds).
    static bool isLocked(qint64 lastAccess, qint64 now);

    ProjectListModel* projectModel = nullptr;
    RunListModel* runModel = nullptr;
    QSplitter* splitter_projects = nullptr;
    MySQLTableView* tableView_projects = nullptr;
    QTabWidget* tabWidget = nullptr;
    MySQLTableView* myTableView_runs = nullptr;
    QPushButton* pushButton_unlock = nullptr;
    QPushButton* pushButton_fillFromDatabase = nullptr;
    TableEditor* projectEditor = nullptr;
    QPushButton* pushButton_activateProject = nullptr;
    ProjectPictureWidget* pictureWidget = nullptr;
    int displayedRow = -1;

public Q_SLOTS:
    void slot_setDisplayedRow(int row);
    void slot_activateCurrentProject();
    void slot_unlockProject();
    void slot_newProjectCreated();
    void slot_projectTabChanged();
    void slot_fillFromDatabase();
    void slot_gearboxListener();
    void slot_engineInertiaUpdateListener();
    void slot_engineInertiaWizard();
    void slot_drivetrainInertiaWizard();
    void slot_wheelDiameterWizard();
    void slot_lossFromLoadFactorFromEfficiency();
    void slot_lossFromLoadFactorWizard();
    void slot_engineFactorWizard();

private:
    bool optionChecked(const char* name) const;
    int dynoType() const;
    void runCalculator(Calculator calculator, int field);
};
