#include "RoadSimulationDialog.h"

#include "BrakeController.h"
#include "BrakeControllerThread.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "Colors.h"
#include "Fonts.h"
#include "LayoutLine.h"
#include "MultiVectorResampler.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "PathSaver.h"
#include "ProjectListModel.h"
#include "RoadLoad.h"
#include "RunChannel.h"
#include "RunThread.h"
#include "SafeSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "TestModeContext.h"
#include "TestModeHooks.h"
#include "TestTicker.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <qcustomplot.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RunChannel* liveChannel(ChannelId id)
{
    if (!theChannels.isInitialized() || theChannels.getChannels(id).isEmpty())
        return nullptr;
    return theChannels.getChannel(id, 0);
}

template<class Box> Box* makeBox(QWidget* parent, const QString& suffix, Quantity quantity, double min, double max,
                                 double value, int decimals)
{
    auto* box = new Box(parent);
    box->slot_setQuantity(quantity);
    box->setObjectName(QStringLiteral("roadSimulationDialog_") + suffix);
    box->setRangeSI(min, max);
    box->setDecimals(decimals);
    box->setValueSI(value);
    return box;
}

// The initial value is given in the editor's display unit.
template<class Box> Box* makeShownBox(QWidget* parent, const QString& suffix, Quantity quantity, double shown,
                                      int decimals)
{
    Box* box = makeBox<Box>(parent, suffix, quantity, 0, kInf, 0, decimals);
    const Unit* unit = box->getUnit();
    box->setValueSI(unit ? unit->getSIValue(shown) : shown);
    return box;
}

} // namespace

RoadSimulationDialog::RoadSimulationDialog(QWidget* parent)
    : AbstractTestDialog(parent)
{
    targetOut = theBrakeControllerThread ? &theBrakeControllerThread->externalDynoAccTarget : &ownTarget;
    roadSpeedChannel = liveChannel(ChannelId_dynoSpeed);
    forceChannel = liveChannel(ChannelId_dynoTractiveForce);
    targetChannel = liveChannel(ChannelId_driveCycleTarget);
    resampler = std::make_unique<MultiVectorResampler>(
        &cycle.gridTimes, QList<const QList<double>*>{&cycle.gridSpeeds, &cycle.gridLow, &cycle.gridHigh});
    ticker = std::make_unique<TestTicker>(this, [this] { slot_realTimeTick(); });
    setWindowTitle(tr("Road Simulation"));

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(2, 2, 2, 2);
    columns->setSpacing(2);
    leftForm = new QFormLayout;
    leftForm->setLabelAlignment(Qt::AlignRight);
    columns->addLayout(leftForm);
    rightColumn = new QWidget(this);
    auto* right = new QVBoxLayout(rightColumn);
    right->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(rightColumn, 1);
    rightColumn->hide();

    BrakeController* panel = TestModeContext::current().getPanel();

    spinBox_frontSurface = makeBox<SafeSpinBox>(this, QStringLiteral("frontSurface"), Quantity::Area, 0, kInf, 2.5, 2);
    leftForm->addRow(tr("Vehicle front surface"), spinBox_frontSurface);
    spinBox_cx = makeBox<SafeSpinBox>(this, QStringLiteral("Cx"), Quantity::None, 0, 1, 0.4, 2);
    leftForm->addRow(tr("Cx air drag coefficient"), spinBox_cx);
    spinBox_vehicleMass = makeBox<SafeSpinBox>(this, QStringLiteral("vehicleMass"), Quantity::Mass, 0, kInf, 1200, 0);
    leftForm->addRow(tr("Vehicle mass"), spinBox_vehicleMass);
    spinBox_rotationalMass =
        makeBox<SafeSpinBox>(this, QStringLiteral("rotationalMass"), Quantity::Mass, 0, kInf, 0, 0);
    spinBox_rotationalMass->setToolTip(
        tr("Extra equivalent mass of parts normally rotating with the vehicle, which are now stationary."));
    auto* wizard = new QAction(tr("Wizard"), spinBox_rotationalMass);
    connect(wizard, &QAction::triggered, this, &RoadSimulationDialog::slot_rotationalMassWizard);
    spinBox_rotationalMass->addAction(wizard);
    spinBox_rotationalMass->setContextMenuPolicy(Qt::ActionsContextMenu);
    leftForm->addRow(tr("Extra equiv. mass"), spinBox_rotationalMass);
    leftForm->addRow(new LayoutLine(this));
    spinBox_rollingResistance =
        makeBox<SafeSpinBox>(this, QStringLiteral("rollingResistance"), Quantity::None, 0, 1, 0.012, 4);
    spinBox_rollingResistance->setToolTip(tr("summer tires: 0.01\nwinter tires: 0.016"));
    leftForm->addRow(tr("Tire rolling resistance coeff."), spinBox_rollingResistance);
    spinBox_hillAngle = makeBox<SafeSpinBox>(this, QStringLiteral("hillAngle"), Quantity::Angle, 0, 80 * M_PI / 180, 0, 0);
    spinBox_hillAngle->setUnitFromName(QStringLiteral("deg"));
    spinBox_hillAngle->setContextMenuPolicy(Qt::NoContextMenu);
    leftForm->addRow(tr("Hill angle"), spinBox_hillAngle);
    leftForm->addRow(new LayoutLine(this));
    SpinBoxWithUnit** previews[3] = {&preview_air, &preview_rolling, &preview_hill};
    const QString previewLabels[3] = {tr("Air resistance"), tr("Rolling resistance"), tr("Hill climb resistance")};
    for (int i = 0; i < 3; ++i) {
        *previews[i] = new SpinBoxWithUnit(this, Quantity::Force);
        (*previews[i])->setReadOnly(true);
        (*previews[i])->setRangeSI(-kInf, kInf);
        leftForm->addRow(previewLabels[i], *previews[i]);
    }
    pushButton_loadFile = new QPushButton(tr("Load driving cycle from file"), this);
    pushButton_loadServer = new QPushButton(tr("Load driving cycle from server"), this);
    for (QPushButton* button : {pushButton_loadFile, pushButton_loadServer}) {
        button->setMinimumWidth(300);
        button->setFocusPolicy(Qt::NoFocus);
        leftForm->addRow(button);
    }
    connect(pushButton_loadFile, &QPushButton::clicked, this, &RoadSimulationDialog::slot_loadDriveCycleFile);
    connect(pushButton_loadServer, &QPushButton::clicked, this, &RoadSimulationDialog::slot_importDriveCycleFromServer);

    // The drive-cycle rows, added on the first load.
    spinBox_displayHistory = makeShownBox<SpinBoxWithUnit>(this, QStringLiteral("displayHistory"), Quantity::Time, 10, 0);
    spinBox_displayAhead = makeShownBox<SpinBoxWithUnit>(this, QStringLiteral("displayAhead"), Quantity::Time, 10, 0);
    spinBox_absoluteTolerance =
        makeShownBox<SafeSpinBox>(this, QStringLiteral("speedAbsoluteTolerance"), Quantity::Speed, 10, 0);
    spinBox_relativeTolerance =
        makeShownBox<SafeSpinBox>(this, QStringLiteral("speedRelativeTolerance"), Quantity::Fraction, 10, 0);
    spinBox_timeTolerance = makeBox<SafeSpinBox>(this, QStringLiteral("timeTolerance"), Quantity::Time, 0, kInf, 0, 1);
    spinBox_timeTolerance->setUnitFromName(QStringLiteral("s"));
    spinBox_timeTolerance->unitMenuEnabled = false;
    label_failed = new QLabel(tr("FAILED"), this);
    label_failed->setFrameStyle(QFrame::Box | QFrame::Plain);
    QFont big = theFonts.normalFont;
    big.setPointSize(20);
    label_failed->setFont(big);
    label_failed->setAlignment(Qt::AlignCenter);
    label_failed->setAutoFillBackground(true);
    QPalette red = label_failed->palette();
    red.setColor(QPalette::Window, QColor(255, 77, 77));
    label_failed->setPalette(red);
    driveCycleRows = {spinBox_displayHistory, spinBox_displayAhead, spinBox_absoluteTolerance,
                      spinBox_relativeTolerance, spinBox_timeTolerance, label_failed};
    for (QWidget* row : std::as_const(driveCycleRows))
        row->hide();

    for (SpinBoxWithUnit* box : {static_cast<SpinBoxWithUnit*>(spinBox_frontSurface), static_cast<SpinBoxWithUnit*>(spinBox_cx),
                                 static_cast<SpinBoxWithUnit*>(spinBox_vehicleMass),
                                 static_cast<SpinBoxWithUnit*>(spinBox_rotationalMass),
                                 static_cast<SpinBoxWithUnit*>(spinBox_rollingResistance),
                                 static_cast<SpinBoxWithUnit*>(spinBox_hillAngle), spinBox_displayHistory,
                                 spinBox_displayAhead, static_cast<SpinBoxWithUnit*>(spinBox_absoluteTolerance),
                                 static_cast<SpinBoxWithUnit*>(spinBox_relativeTolerance),
                                 static_cast<SpinBoxWithUnit*>(spinBox_timeTolerance)})
        theSettings.connectSpinBoxWithUnit(box);
    const std::pair<SpinBoxWithUnit*, std::atomic<double>*> parameters[] = {
        {spinBox_frontSurface, &area}, {spinBox_cx, &cx}, {spinBox_vehicleMass, &mass},
        {spinBox_rotationalMass, &extraMass}, {spinBox_rollingResistance, &rolling}, {spinBox_hillAngle, &hill}};
    for (const auto& [box, value] : parameters) {
        value->store(box->getValueSI());
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this, [value = value](double v) { value->store(v); });
    }
    for (SafeSpinBox* box : {spinBox_absoluteTolerance, spinBox_relativeTolerance, spinBox_timeTolerance})
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this,
                &RoadSimulationDialog::slot_updateTargetCurveLowHigh);

    label_title = new QLabel(rightColumn);
    label_title->setWordWrap(true);
    right->addWidget(label_title);
    plot = new QCustomPlot(rightColumn);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    right->addWidget(plot, 1);
    curve_cycle = new QCPCurve(plot->xAxis, plot->yAxis);
    curve_cycle->setPen(QPen(Qt::green));
    curve_high = new QCPCurve(plot->xAxis, plot->yAxis);
    curve_high->setPen(QPen(Qt::red));
    curve_low = new QCPCurve(plot->xAxis, plot->yAxis);
    curve_low->setPen(QPen(Qt::blue));
    curve_actual = new QCPCurve(plot->xAxis, plot->yAxis);
    curve_actual->setPen(QPen(Qt::black));
    timeTracker = new QCPItemLine(plot);
    timeTracker->start->setTypeX(QCPItemPosition::ptPlotCoords);
    timeTracker->start->setTypeY(QCPItemPosition::ptAxisRectRatio);
    timeTracker->end->setTypeX(QCPItemPosition::ptPlotCoords);
    timeTracker->end->setTypeY(QCPItemPosition::ptAxisRectRatio);
    speedTracker = new QCPItemLine(plot);
    speedTracker->setPen(QPen(Qt::black));
    speedTracker->start->setTypeX(QCPItemPosition::ptAxisRectRatio);
    speedTracker->start->setTypeY(QCPItemPosition::ptPlotCoords);
    speedTracker->end->setTypeX(QCPItemPosition::ptAxisRectRatio);
    speedTracker->end->setTypeY(QCPItemPosition::ptPlotCoords);
    if (RunChannel* time = liveChannel(ChannelId_time))
        plot->xAxis->setLabel(time->getNameWithUnit());
    if (roadSpeedChannel)
        plot->yAxis->setLabel(roadSpeedChannel->getNameWithUnit());

    if (panel) {
        panel->setMode(BrakeControllerMode_acceleration);
        panel->setChannel(BrakeControllerChannel_roadSpeed);
    }
    ticker->startTimer();
    previewTimer = new QTimer(this);
    previewTimer->setInterval(200);
    connect(previewTimer, &QTimer::timeout, this, &RoadSimulationDialog::slot_updateLoadsPreview);
    previewTimer->start();
    plotTimer = new QTimer(this);
    plotTimer->setInterval(40);
    connect(plotTimer, &QTimer::timeout, this, &RoadSimulationDialog::slot_updateDriveCyclePlot);

    if (theProjectListModel) {
        connect(theProjectListModel, &ProjectListModel::signal_activeProjectChanged, this,
                &RoadSimulationDialog::slot_updateParametersFromProject);
        connect(theProjectListModel, &ProjectListModel::signal_projectDataChanged, this,
                &RoadSimulationDialog::slot_updateParametersFromProject);
    }
    slot_updateParametersFromProject();
    for (SafeSpinBox* box : {spinBox_frontSurface, spinBox_cx, spinBox_vehicleMass})
        connect(box, &SpinBoxWithUnit::signal_valueChangedSI, this,
                &RoadSimulationDialog::slot_updateParametersInProject);
}

RoadSimulationDialog::~RoadSimulationDialog()
{
    if (targetChannel)
        targetChannel->setDataWithoutFilter(0.0, QDateTime::currentMSecsSinceEpoch());
    ticker->finish();
}

void RoadSimulationDialog::slot_realTimeTick()
{
    const double v = roadSpeedChannel ? roadSpeedChannel->getValue() : kNaN;
    const double F = forceChannel ? forceChannel->getValue() : kNaN;
    const RoadLoad load =
        RoadLoad::compute(v, F, cx.load(), area.load(), mass.load(), extraMass.load(), rolling.load(), hill.load());
    forceAir.store(load.air);
    forceRolling.store(load.rolling);
    forceHill.store(load.hill);
    targetOut->store(float(load.target));
}

void RoadSimulationDialog::slot_updateLoadsPreview()
{
    preview_air->setValueSI(forceAir.load());
    preview_rolling->setValueSI(forceRolling.load());
    preview_hill->setValueSI(forceHill.load());
}

void RoadSimulationDialog::getTargetLowHighSI(double x, double& low, double& high) const
{
    DriveCycle::lowHigh(x, spinBox_absoluteTolerance->getValueSI(), spinBox_relativeTolerance->getValueSI(), low, high);
}

double RoadSimulationDialog::displayFactor() const
{
    const Unit* unit = roadSpeedChannel && roadSpeedChannel->setup ? roadSpeedChannel->setup->unit : nullptr;
    if (!unit)
        unit = theUnits.getDefaultUnit(Quantity::Speed);
    return unit ? unit->factor : 1.0;
}

void RoadSimulationDialog::showDriveCycleRows()
{
    if (rightColumn->isVisible())
        return;
    leftForm->addRow(tr("Display history"), spinBox_displayHistory);
    leftForm->addRow(tr("Display ahead"), spinBox_displayAhead);
    leftForm->addRow(tr("Speed tolerance abs."), spinBox_absoluteTolerance);
    leftForm->addRow(tr("Speed tolerance rel."), spinBox_relativeTolerance);
    leftForm->addRow(tr("Time tolerance"), spinBox_timeTolerance);
    leftForm->addRow(label_failed);
    for (QWidget* row : std::as_const(driveCycleRows))
        row->setVisible(row != label_failed);
    rightColumn->show();
    resize(900, 500);
    plotTimer->start();
}

bool RoadSimulationDialog::loadDriveCycleText(const QString& text)
{
    QString error;
    if (!cycle.parse(text, &error)) {
        Tools::showError(error);
        return false;
    }
    label_title->setText(cycle.title + QLatin1Char('\n') + cycle.description);
    const double k = displayFactor();
    QList<double> shown;
    shown.reserve(cycle.speeds.size());
    for (double s : std::as_const(cycle.speeds))
        shown.append(s * k);
    curve_cycle->setData(cycle.times, shown);
    if (roadSpeedChannel)
        plot->yAxis->setLabel(roadSpeedChannel->getNameWithUnit());
    showDriveCycleRows();
    slot_updateTargetCurveLowHigh();
    return true;
}

void RoadSimulationDialog::slot_updateTargetCurveLowHigh()
{
    const double maxHigh = cycle.computeBand(spinBox_absoluteTolerance->getValueSI(),
                                             spinBox_relativeTolerance->getValueSI(),
                                             spinBox_timeTolerance->getValueSI());
    const double k = displayFactor();
    QList<double> low;
    QList<double> high;
    for (int i = 0; i < cycle.gridTimes.size(); ++i) {
        low.append(cycle.gridLow.at(i) * k);
        high.append(cycle.gridHigh.at(i) * k);
    }
    curve_low->setData(cycle.gridTimes, low);
    curve_high->setData(cycle.gridTimes, high);
    plot->yAxis->setRange(0, 1.1 * maxHigh * k);
    resampler->reset();
}

void RoadSimulationDialog::slot_updateDriveCyclePlot()
{
    const double s = roadSpeedChannel ? roadSpeedChannel->getValue() : kNaN;
    const double k = displayFactor();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    double t = 0;
    double target = 0;
    const bool running = theRunThread && theRunThread->runActive.load();
    // A cycle without grid points has no band: nothing to fail, target 0.
    if (running && !cycle.gridTimes.isEmpty()) {
        t = (now - theRunThread->runStartTime.load()) / 1000.0;
        plot->xAxis->setRange(t - spinBox_displayHistory->getValueSI(), t + spinBox_displayAhead->getValueSI());
        curve_actual->addData(t, s * k);
        const QList<double> sample = resampler->getSamples(t);
        target = sample.value(0);
        if (s < sample.value(1) || s > sample.value(2))
            failed = true;
        if (!std::isfinite(target))
            target = 0;
    } else {
        if (!running)
            failed = false;
        curve_actual->data()->clear();
        plot->xAxis->setRange(0, cycle.times.isEmpty() ? 0 : cycle.times.last());
        resampler->reset();
    }
    label_failed->setVisible(failed);
    timeTracker->start->setCoords(t, 0);
    timeTracker->end->setCoords(t, 1);
    if (targetChannel)
        targetChannel->setDataWithoutFilter(target, now);
    speedTracker->start->setCoords(0, s * k);
    speedTracker->end->setCoords(1, s * k);
    plot->replot(QCustomPlot::rpQueuedReplot);
}

void RoadSimulationDialog::slot_loadDriveCycleFile()
{
    const QString path = thePathSaver.getOpenFileName(Path::openDriveCycle, tr("Select drive cycle file to load"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Tools::showError(tr("Can't open drive cycle file"));
        return;
    }
    loadDriveCycleText(QString::fromLatin1(file.readAll()));
}

void RoadSimulationDialog::slot_importDriveCycleFromServer()
{
    NetworkFileBrowser browser(NetworkFileBrowser::serviceAddress() + QStringLiteral("drivecycles/?list=all"),
                               NetworkFileBrowser::serviceAddress() + QStringLiteral("drivecycles/files/"),
                               QStringLiteral("txt"), this);
    if (DialogAnswerer::exec(&browser) == QDialog::Accepted && !browser.fileContent.isEmpty())
        loadDriveCycleText(browser.fileContent);
}

void RoadSimulationDialog::slot_updateParametersFromProject()
{
    ProjectListModel* projects = theProjectListModel;
    if (!projects || projects->activeProjectId < 0)
        return;
    // A load from the project never writes back into it.
    loadingFromProject = true;
    const std::pair<SafeSpinBox*, ProjectListFieldId> fields[] = {{spinBox_frontSurface, ProjectListFieldId::frontalArea},
                                                                  {spinBox_cx, ProjectListFieldId::Cx},
                                                                  {spinBox_vehicleMass, ProjectListFieldId::mass}};
    for (const auto& [box, field] : fields) {
        bool ok = false;
        const double value = projects->activeProjectDataRawById(field).toDouble(&ok);
        if (ok && std::isfinite(value))
            box->setValueSI(value);
    }
    loadingFromProject = false;
}

void RoadSimulationDialog::slot_updateParametersInProject()
{
    ProjectListModel* projects = theProjectListModel;
    if (loadingFromProject || !projects || projects->activeProjectId < 0)
        return;
    const std::pair<SafeSpinBox*, ProjectListFieldId> fields[] = {{spinBox_frontSurface, ProjectListFieldId::frontalArea},
                                                                  {spinBox_cx, ProjectListFieldId::Cx},
                                                                  {spinBox_vehicleMass, ProjectListFieldId::mass}};
    for (const auto& [box, field] : fields) {
        const double value = box->getValueSI();
        bool ok = false;
        const double stored = projects->activeProjectDataRawById(field).toDouble(&ok);
        if (!ok || stored != value)
            projects->setActiveProjectDataRawByRowAndId(field, value);
    }
}

void RoadSimulationDialog::slot_rotationalMassWizard()
{
    ProjectListModel* projects = theProjectListModel;
    if (!projects || projects->activeProjectId < 0) {
        Tools::showInfo(tr("A project should be active to access the wizard."));
        return;
    }
    const TestModeHooks& hooks = TestModeHooks::current();
    if (!hooks.rotationalMassWizard)
        return;
    double rotationalMass = 0;
    if (hooks.rotationalMassWizard(this, projects->activeProjectDataRawById(ProjectListFieldId::vehicleType),
                                   rotationalMass))
        spinBox_rotationalMass->setValueSI(rotationalMass);
}
