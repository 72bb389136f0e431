#include "KnockEngineNoiseWizard.h"

#include "ChannelSetup.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "KnockEngineNoise.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "PathSaver.h"
#include "PointVectorEditor.h"
#include "RangeSelectionPlot.h"
#include "RunData.h"
#include "SpinBoxWithUnit.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <cmath>

KnockEngineNoiseWizard::KnockEngineNoiseWizard(int inputIndex, QWidget* parent)
    : QDialog(parent)
    , input(inputIndex)
{
    setWindowTitle(tr("Knock Engine Noise Wizard"));
    resize(700, 700);
    form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight);
    addTip(tr("This tool creates an engine noise characteristic for use with the knock detection system."));
    addTip(tr("1. Select run part covering whole engine speed range, where there was no knocking:"));
    rangePlot = new RangeSelectionPlot(this);
    rangePlot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    form->addRow(rangePlot);
    addTip(tr("2. Set preferred tolerance margin and engine noise characteristic resolution:"));
    tolerance = new SpinBoxWithUnit(this, Quantity::Fraction);
    tolerance->setObjectName(QStringLiteral("knockEngineNoiseWizard_engineNoiseTolerance"));
    tolerance->setToolTip(tr("Set over 100% to get additional tolerance over the measured noise."));
    tolerance->setRangeSI(0.9, 2.0);
    tolerance->setValueSI(1.0);
    form->addRow(tr("Engine noise tolerance"), tolerance);
    speedResolution = new SpinBoxWithUnit(this, Quantity::RotationalSpeed);
    speedResolution->setObjectName(QStringLiteral("knockEngineNoiseWizard_engineSpeedResolution"));
    speedResolution->setToolTip(tr("Engine speed resolution"));
    speedResolution->setRangeSI(0.10471975511965977, 1047.1975511965977);
    speedResolution->setValueSI(52.35987755982988);
    form->addRow(tr("Speed resolution"), speedResolution);
    addTip(tr("4. Here is engine noise as a function of engine speed and a proposed engine noise characteristic:"));
    scatterPlot = new VectorScatterPlot(this);
    scatterPlot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    form->addRow(scatterPlot);
    loadButton = new QPushButton(tr("Load characteristic to settings"), this);
    loadButton->setEnabled(false);
    form->addRow(loadButton);
    connect(loadButton, &QPushButton::clicked, this, &KnockEngineNoiseWizard::slot_loadCharacteristic);
}

void KnockEngineNoiseWizard::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    form->addRow(tip);
}

void KnockEngineNoiseWizard::run()
{
    const QString file = thePathSaver.getOpenFileName(Paths::openRun, tr("Select run log for noise calibration"));
    if (file.isEmpty() || !useRun(file))
        return;
    DialogAnswerer::exec(this);
}

bool KnockEngineNoiseWizard::useRun(const QString& fileName)
{
    runData = theOpenedRunsManager.getRunData(fileName);
    if (!runData) {
        Tools::showError(tr("Error opening run data file"));
        return false;
    }
    if (runData->loadAll() != 0) {
        Tools::showError(tr("Error loading run data"));
        return false;
    }
    if (runData->calculateAll(false) != 0) {
        Tools::showError(tr("Error calculating base run data"));
        return false;
    }
    engineSpeed = runData->getVectorChannel(ChannelId_engineSpeed, 0);
    if (!engineSpeed) {
        Tools::showError(tr("Engine speed channel not available"));
        return false;
    }
    level = runData->getVectorChannel(ChannelId_audioLevel, input);
    if (!level) {
        Tools::showError(tr("Audio level channel not available"));
        return false;
    }
    rangePlot->setAxisChannel(PlotAxis_left, engineSpeed);
    rangePlot->setAxisChannel(PlotAxis_right, level);
    scatterPlot->clearData(PlotAxis_right);
    connect(rangePlot, &RangeSelectionPlot::signal_newSelection, this, &KnockEngineNoiseWizard::slot_newSelection);
    connect(tolerance, &SpinBoxWithUnit::signal_valueChangedSI, this, &KnockEngineNoiseWizard::slot_marginChanged);
    connect(speedResolution, &SpinBoxWithUnit::signal_valueChangedSI, this,
            &KnockEngineNoiseWizard::slot_engineSpeedResolutionChanged);
    theSettings.connectSpinBoxWithUnit(tolerance);
    theSettings.connectSpinBoxWithUnit(speedResolution);
    return true;
}

void KnockEngineNoiseWizard::slot_newSelection(double start, double end)
{
    const VectorChannel* timeVector = runData ? runData->getMainTimeVector() : nullptr;
    if (!timeVector)
        return;
    const QList<double>& time = timeVector->rawSamples();
    int first = 0;
    int last = 0;
    for (int i = 0; i < time.size(); ++i) {
        if (time.at(i) > end)
            break;
        if (time.at(i) <= start)
            first = i;
        last = i;
    }
    selectionStart = first;
    selectionLength = last - first;
    recalculateEngineNoiseVector();
}

void KnockEngineNoiseWizard::recalculateEngineNoiseVector()
{
    loadButton->setEnabled(false);
    if (selectionLength < 1 || !engineSpeed || !level)
        return;
    const QList<double>& levels = level->rawSamples();
    const QList<double>* speeds = engineSpeed->getTranslatedData();
    const int end = int(std::min<qsizetype>({qsizetype(selectionStart) + selectionLength, levels.size(), speeds->size()}));
    if (end <= selectionStart)
        return;
    shownLevels = levels.mid(selectionStart, end - selectionStart);
    shownSpeeds = speeds->mid(selectionStart, end - selectionStart);
    const Unit* unit = engineSpeed->setup ? engineSpeed->setup->unit : nullptr;
    const double factor = unit ? unit->factor : 1.0;
    const double offset = unit ? unit->offset : 0.0;
    const double binWidth = speedResolution->getValueSI() * factor + offset;
    const QList<QPointF> points =
        KnockEngineNoise::characteristic(shownLevels, shownSpeeds, binWidth, tolerance->getValueSI());
    if (points.isEmpty())
        return;
    curveX.clear();
    curveY.clear();
    characteristic.clear();
    for (const QPointF& p : points) {
        curveX.append(p.x());
        curveY.append(p.y());
        characteristic.append(QPointF((p.x() - offset) / factor, p.y()));
    }
    scatterPlot->setData(PlotAxis_left, tr("Measured noise"), &shownSpeeds, &shownLevels);
    scatterPlot->setData(PlotAxis_right, tr("Noise characteristic"), &curveX, &curveY);
    scatterPlot->setXLabel(engineSpeed->getNameWithUnit());
    loadButton->setEnabled(true);
}

void KnockEngineNoiseWizard::slot_loadCharacteristic()
{
    if (theDynoSettings) {
        if (DynoSetting* setting = theDynoSettings->getSetting(DynoSettingId_audioKnockEngineNoise, input)) {
            if (auto* editor = setting->getWidgetHelper<PointVectorEditor>(SettingWidgetType_pointVectorEditor))
                editor->slot_setVector(characteristic);
        }
    }
    accept();
}
