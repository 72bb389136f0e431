#include "LossModelCalculator.h"

#include "Channels.h"
#include "ChannelSetup.h"
#include "DynoSettingId.h"
#include "FitCurve.h"
#include "IIR4.h"
#include "LossModelEditor.h"
#include "MySettings.h"
#include "ProjectListFieldId.h"
#include "RangeSelectionPlot.h"
#include "RunChannel.h"
#include "RunData.h"
#include "VectorChannel.h"
#include "VectorScatterPlot.h"
#include "lib/DialogAnswerer.h"
#include "lib/Tools.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QList<double> doublesOf(const QVariant& value)
{
    if (value.canConvert<QList<double>>() && value.userType() == qMetaTypeId<QList<double>>())
        return value.value<QList<double>>();
    QList<double> out;
    for (const QVariant& v : value.toList())
        out.append(v.toDouble());
    return out;
}

bool hasNonZero(const QList<double>& list)
{
    for (double c : list)
        if (c != 0.0)
            return true;
    return false;
}

} // namespace

double LossModelCalculator::evaluate(const QList<double>& model, double v)
{
    if (model.size() < 3)
        return 0.0;
    double sum = 0.0;
    double power = 1.0;
    for (int k = 0; k < 5; ++k) {
        sum += model.value(k, 0.0) * power;
        power *= v;
    }
    return sum;
}

QString LossModelCalculator::printLossModelString(const QList<double>* model)
{
    auto c = [model](int k) { return model ? model->value(k, 0.0) : 0.0; };
    return tr("Loss") + QStringLiteral("(x) = ") + QString::asprintf("%f", c(0))
           + QString::asprintf(" %+.2E * v", c(1)) + QString::asprintf(" %+.2E * v²", c(2))
           + QString::asprintf(" %+.2E * v³", c(3)) + QString::asprintf(" %+.2E * v<sup>4</sup>", c(4));
}

std::pair<int, int> LossModelCalculator::findStage(const QList<double>& speed, const QList<double>& loss,
                                                   double peak, double startFraction)
{
    int start = -1;
    int end = -1;
    const qsizetype n = std::min(speed.size(), loss.size());
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (!std::isfinite(loss.at(i)))
            continue;
        const double v = speed.at(i);
        if (end < 0 && v > 0.1 * peak)
            end = int(i);
        if (start < 0 && v > startFraction * peak)
            start = int(i);
        if (start >= 0 && end >= 0)
            break;
    }
    return {start, end};
}

LossModelCalculator::LossModelCalculator(QWidget* parent, RunData* runData, bool automaticAcceptance)
    : QDialog(parent)
    , run(runData)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    setWindowTitle(tr("Loss Model Calculator"));
    resize(700, 700);
    auto* layout = new QVBoxLayout(this);

    bool internalModel = hasNonZero(doublesOf(run->getSettingValue(DynoSettingId_internalLossModel, 0, QVariant())));
    for (int r = 0; r < run->hwInfo.rollers && !internalModel; ++r)
        internalModel = hasNonZero(doublesOf(run->getSettingValue(DynoSettingId_rollerInternalLossModel, r, QVariant())));
    if (internalModel) {
        auto* note = new QLabel(tr("NOTE: THIS RUN CONTAINS INTERNAL DYNO LOSS MODEL"), this);
        Tools::setTextColorWithPalette(note, Qt::red);
        layout->addWidget(note);
    }
    addTip(tr("1. Select range where dyno was freely decelerating. Keep distance from transient areas. You can use "
              "automatic selection."));
    auto* automatic = new QPushButton(tr("Automatic selection"), this);
    automatic->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(automatic);
    rangePlot = new RangeSelectionPlot(this);
    rangePlot->setToolTip(tr("Run data - select range to calculate Loss Model"));
    rangePlot->setXLabel(tr("Time [s]"));
    rangePlot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(rangePlot);
    errorLabel = new QLabel(this);
    QFont font = errorLabel->font();
    font.setPointSize(15);
    errorLabel->setFont(font);
    errorLabel->setFrameShape(QFrame::Box);
    Tools::setTextColorWithPalette(errorLabel, Qt::red);
    errorLabel->hide();
    layout->addWidget(errorLabel);
    ignoreButton = new QPushButton(tr("Ignore further coastdown errors in this project"), this);
    ignoreButton->setFocusPolicy(Qt::NoFocus);
    ignoreButton->hide();
    layout->addWidget(ignoreButton);
    addTip(tr("2. Here you can see losses from selected range and loss model curve that will be used for loss "
              "calculations:"));
    comparePlot = new VectorScatterPlot(this);
    comparePlot->setToolTip(tr("Loss data from run compared with loss data from model"));
    comparePlot->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    layout->addWidget(comparePlot);
    addTip(tr("3. This is the Loss Model equation. You can tune coefficients manually."));
    editor = new LossModelEditor(&coefficients, this);
    layout->addWidget(editor);
    addTip(tr("4. When you are satisfied with the model, accept the model to save it in run file and use for "
              "calculations."));
    auto* acceptButton = new QPushButton(tr("Accept Loss Model"), this);
    acceptButton->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(acceptButton);

    coefficients.resize(5);

    speed = run->getVectorChannel(ChannelId_dynoSpeed, 0);
    time = run->getMainTimeVector();
    const VectorChannel* wheels = run->getVectorChannel(ChannelId_dynoOnWheelsPower, 0);
    const VectorChannel* drivetrain = run->getVectorChannel(ChannelId_drivetrainInertialPower, 0);
    const double k = run->getSettingValueDouble(DynoSettingId_lossFromLoadFactor, 0, 0.0);
    const qsizetype n = speed ? speed->rawSamples().size() : 0;
    const double rate = speed ? speed->samplingRate : 0.0;
    const QList<RunChannel*> live = theChannels.getChannels(ChannelId_dynoLossPowerFromSpeed);
    if (!live.isEmpty())
        lossPower = new VectorChannel(live.first(), int(n), rate, time, true);
    else
        lossPower = new VectorChannel(rate, QString(), tr("Loss Power"), Quantity::Power, int(n), time);
    lossPower->setup->autorangeMin = true;
    lossPower->setup->autorangeMax = true;
    lossPower->setup->displayName = tr("Loss Power");
    QList<double>* loss = lossPower->getRawData();
    loss->resize(n);
    for (qsizetype i = 0; i < n; ++i) {
        const double pw = wheels ? wheels->rawSamples().value(i, 0.0) : 0.0;
        const double pdt = drivetrain ? drivetrain->rawSamples().value(i, 0.0) : 0.0;
        (*loss)[i] = -pw - pdt / (k + 1.0);
    }
    IIR4::filterVectorInplace(loss, rate, 1.0);

    for (qsizetype i = 0; i < n; ++i) {
        peakSpeed = std::max(peakSpeed, speed->rawSamples().at(i));
        if (std::isfinite(loss->at(i)))
            peakLoss = std::max(peakLoss, loss->at(i));
    }
    if (speed) {
        rangePlot->setAxisChannel(PlotAxis_left, speed);
        rangePlot->setAxisChannel(PlotAxis_right, lossPower);
        const Unit* unit = theUnits.getDefaultUnit(Quantity::Power);
        const double factor = unit ? unit->factor : 1.0;
        rangePlot->setAxisRange(PlotAxis_right, 0.0, peakLoss * factor);
    }

    const QList<double> stored = doublesOf(run->getSettingValue(DynoSettingId_lossModel, 0, QVariant()));
    const double fraction =
        theSettings.value(QStringLiteral("UserSetting/spinBox_lossStageFinderStartThreshold"), 0.7).toDouble();
    if (speed)
        std::tie(stageStart, stageEnd) = findStage(speed->rawSamples(), *loss, peakSpeed, fraction);

    connect(automatic, &QPushButton::clicked, this, &LossModelCalculator::slot_runAutomaticSelection);
    connect(rangePlot, &RangeSelectionPlot::signal_newSelection, this, &LossModelCalculator::slot_newSelection);
    connect(ignoreButton, &QPushButton::clicked, this, &LossModelCalculator::slot_ignoreErrorsInProject);
    connect(acceptButton, &QPushButton::clicked, this, &LossModelCalculator::slot_accept);
    connect(editor, &LossModelEditor::signal_lossModelChanged, this,
            &LossModelCalculator::slot_updateLossModelVisualization);

    if (!stored.isEmpty()) {
        coefficients = stored;
        editor->reloadLossModel();
        slot_updateLossModelVisualization();
    } else {
        slot_runAutomaticSelection();
    }

    if (automaticAcceptance) {
        if (run->getProjectInfoValue(ProjectListFields::ignoreCoastdownErrors, false).toBool() || fitError < 0.1) {
            slot_accept();
            return;
        }
        showError(tr("Loss model automatic selection failed. Correct the model manually."));
        ignoreButton->show();
    }
    // An answer of Accepted that did not come through the button still means "Accept Loss Model".
    if (DialogAnswerer::exec(this) == QDialog::Accepted && result() != QDialog::Accepted)
        slot_accept();
}

LossModelCalculator::~LossModelCalculator()
{
    QApplication::restoreOverrideCursor();
    delete lossPower;
}

void LossModelCalculator::addTip(const QString& text)
{
    auto* tip = new QLabel(text, this);
    tip->setWordWrap(true);
    Tools::setTextColorWithPalette(tip, QColor(0, 130, 0));
    layout()->addWidget(tip);
}

void LossModelCalculator::showError(const QString& text)
{
    errorLabel->setText(text);
    errorLabel->setVisible(!text.isNull());
}

void LossModelCalculator::slot_runAutomaticSelection()
{
    if (stageStart >= 0 && stageEnd >= 0 && stageStart < stageEnd && time) {
        rangePlot->setSelection(time->rawSamples().value(stageStart), time->rawSamples().value(stageEnd));
        newSelectionIndexes(stageStart, stageEnd);
        errorLabel->hide();
        errorLabel->clear();
    } else {
        showError(tr("Can't find loss stage automatically"));
        editor->reloadLossModel();
    }
}

void LossModelCalculator::slot_newSelection(double start, double end)
{
    int startIndex = 0;
    int endIndex = 0;
    const QList<double>& t = time ? time->rawSamples() : QList<double>();
    const QList<double>& loss = lossPower->rawSamples();
    for (qsizetype i = 0; i < t.size() && t.at(i) <= end; ++i) {
        if (t.at(i) <= start)
            startIndex = int(i);
        if (std::isfinite(loss.value(i, qQNaN())))
            endIndex = int(i);
    }
    newSelectionIndexes(startIndex, endIndex);
}

void LossModelCalculator::newSelectionIndexes(int start, int end)
{
    const int n = speed ? int(speed->rawSamples().size()) : 0;
    if (start < 0 || end < 0 || start >= n || end >= n) {
        showError(tr("Invalid selection indexes"));
        return;
    }
    const int count = std::max(start, end) - start;
    delete speedSlice;
    delete lossSlice;
    speedSlice = new VectorChannel(speed, start, count, speed->setup ? speed->setup->displayName : QString());
    speedSlice->setParent(this);
    lossSlice = new VectorChannel(lossPower, start, count, tr("Selected loss power"));
    lossSlice->setParent(this);
    comparePlot->setAxisChannels(speedSlice, lossSlice);

    coefficients.resize(5);
    const int result = FitCurve::calculatePowerLossCoeficients(&speedSlice->rawSamples(), &lossSlice->rawSamples(),
                                                               coefficients.data(), 4);
    // A fit the solver gives up on (too few samples among them) is the zero model.
    if (result == FitCurve::FitFailed)
        std::fill(coefficients.begin(), coefficients.end(), 0.0);
    if (result == FitCurve::BadArguments) {
        showError(tr("Data range or model order error"));
        comparePlot->clearData(PlotAxis_right);
        checkLossModel();
    } else {
        editor->reloadLossModel();
        slot_updateLossModelVisualization();
    }
}

void LossModelCalculator::slot_updateLossModelVisualization()
{
    if (!lossSlice) {
        fitError = 1.0;
    } else {
        const QList<double>& v = speedSlice->rawSamples();
        const QList<double>& l = lossSlice->rawSamples();
        double peak = 0.0;
        for (double x : l)
            if (std::isfinite(x))
                peak = std::max(peak, x);
        double worst = 0.0;
        for (qsizetype j = 0; j < l.size(); ++j) {
            const double deviation = std::abs(evaluate(coefficients, v.at(j)) - l.at(j));
            if (deviation > worst) {
                worst = deviation;
                fitErrorSpeed = v.at(j);
            }
        }
        fitError = l.isEmpty() ? 0.0 : worst / peak;
    }

    const Unit* speedUnit = theUnits.getDefaultUnit(Quantity::Speed);
    const Unit* powerUnit = theUnits.getDefaultUnit(Quantity::Power);
    curveSpeed.resize(1000);
    curveLoss.resize(1000);
    for (int i = 0; i < 1000; ++i) {
        const double s = i * peakSpeed / 1000.0;
        curveSpeed[i] = speedUnit ? s * speedUnit->factor + speedUnit->offset : s;
        const double p = evaluate(coefficients, s);
        curveLoss[i] = powerUnit ? p * powerUnit->factor + powerUnit->offset : p;
    }
    const QString powerName = powerUnit ? powerUnit->name : QString();
    comparePlot->setData(PlotAxis_right, tr("Loss Model Power") + QStringLiteral(" [") + powerName + QLatin1Char(']'),
                         &curveSpeed, &curveLoss);
    if (speed)
        comparePlot->setXLabel(speed->getNameWithUnit());
    if (lossSlice)
        comparePlot->setCommonLeftRightRange();
    checkLossModel();
}

void LossModelCalculator::checkLossModel()
{
    if (coefficients.isEmpty())
        return;
    for (double c : std::as_const(coefficients))
        if (std::isnan(c))
            return;
    errorLabel->hide();
    errorLabel->clear();
}

void LossModelCalculator::deleteModelFromUI()
{
    comparePlot->clearData(PlotAxis_right);
    checkLossModel();
}

void LossModelCalculator::slot_accept()
{
    run->updateSettingValue(DynoSettingId_lossModel, QVariant::fromValue(coefficients), 0);
    accept();
}

void LossModelCalculator::slot_ignoreErrorsInProject()
{
    run->updateProjectInfoValue(ProjectListFields::ignoreCoastdownErrors, true, true);
    slot_accept();
}
