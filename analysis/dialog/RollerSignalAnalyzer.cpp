#include "RollerSignalAnalyzer.h"

#include "ComparePlot.h"
#include "ContinousDoubleRollingAverage.h"
#include "DynoSettingId.h"
#include "RunData.h"
#include "lib/Tools.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kEngineSpeedInput = 2;
constexpr int kFifthInput = 5;

QString inputName(int input)
{
    if (input == kEngineSpeedInput)
        return QStringLiteral("Engine speed");
    if (input == kFifthInput)
        return QStringLiteral("Freq input 5");
    const int roller = static_cast<int>(Tools::rollerIdFromMcuFreqInput(static_cast<McuFreqInput>(input)));
    return QStringLiteral("Freq input %1").arg(roller + 1);
}

QCPGraph* addGraph(ComparePlot* plot, const QList<double>& keys, const QList<double>& values, const QColor& colour,
                   const QString& name)
{
    QCPGraph* graph = plot->addGraph(plot->xAxis, plot->yAxis);
    graph->setPen(QPen(colour));
    graph->setName(name);
    // Sorted already: pulse times only grow.
    graph->setData(keys, values, true);
    return graph;
}

void showAxes(ComparePlot* plot, const QString& yLabel)
{
    plot->xAxis->setVisible(true);
    plot->yAxis->setVisible(true);
    plot->xAxis->setLabel(RollerSignalAnalyzer::tr("time [s]"));
    plot->yAxis->setLabel(yLabel);
    plot->legend->setVisible(true);
}

} // namespace

RollerSignalAnalyzer::RollerSignalAnalyzer(QWidget* parent, RunData* run)
    : QDialog(parent)
{
    setWindowTitle(tr("Speed Signal Analyzer"));
    auto* layout = new QVBoxLayout(this);
    frequencyPlot = new ComparePlot(this);
    deviationPlot = new ComparePlot(this);
    layout->addWidget(frequencyPlot);
    layout->addWidget(deviationPlot);
    resize(1000, 1000);

    if (run)
        addInputs(*run);

    showAxes(frequencyPlot, tr("frequency [Hz]"));
    showAxes(deviationPlot, tr("frequency deviation [%]"));
    frequencyPlot->rescaleAxes();
    frequencyPlot->replot();
    deviationPlot->xAxis->setRange(frequencyPlot->xAxis->range());
    deviationPlot->yAxis->rescale();
    deviationPlot->replot();
}

double RollerSignalAnalyzer::deviationThreshold(int mode)
{
    // The lower ends of the pulse-capture and pulse-count measuring ranges.
    return mode != 0 ? 10000.0 : 10.0;
}

void RollerSignalAnalyzer::addInputs(const RunData& run)
{
    const int inputs = std::min<int>(int(run.rawFrequencySamples.size()), kFifthInput + 1);
    for (int i = 0; i < inputs; ++i) {
        if (run.getSettingValue(DynoSettingId_freqInputSensor, i, 0).toInt() != 0)
            continue;
        if (i != kEngineSpeedInput && i != kFifthInput
            && static_cast<int>(Tools::rollerIdFromMcuFreqInput(static_cast<McuFreqInput>(i))) >= run.hwInfo.rollers)
            continue;
        // A count below one is no revolution to average over.
        const int perRotation = run.getSettingValue(DynoSettingId_freqInputSignalsPerRotation, i, 0).toInt();
        if (perRotation < 1)
            continue;

        const QList<double>& times = run.rawFrequencySamples.at(i).first;
        QList<double> raw = run.rawFrequencySamples.at(i).second;
        raw.resize(std::min(raw.size(), times.size()));
        const QList<double> keys = times.mid(0, raw.size());
        QList<double> averaged = raw;
        ContinousDoubleRollingAverage::filterVector(&averaged, perRotation);

        // Both above the threshold, so the division never meets a speed near 0.
        const double threshold = deviationThreshold(run.getSettingValue(DynoSettingId_freqInputMode, i, 0).toInt());
        QList<double> deviation(raw.size(), kNaN);
        for (qsizetype j = 0; j < raw.size(); ++j)
            if (raw.at(j) > threshold && averaged.at(j) > threshold)
                deviation[j] = (raw.at(j) - averaged.at(j)) / averaged.at(j) * 100.0;

        // The hue follows the input number, so an input keeps its colour
        // whichever others are shown.
        const QColor rawColour = QColor::fromHsv((60 * i) % 360, 255, 255, 255);
        const QColor averagedColour = QColor::fromHsv((60 * i + 20) % 360, 255, 255, 255);
        const QString name = inputName(i);
        addGraph(frequencyPlot, keys, raw, rawColour, name + QStringLiteral(" raw"));
        addGraph(frequencyPlot, keys, averaged, averagedColour, name + QStringLiteral(" averaged"));
        addGraph(deviationPlot, keys, deviation, rawColour, name);
    }
}
