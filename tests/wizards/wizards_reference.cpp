// Writes what the sensor wizard and the loss model calculator compute, for
// check_wizards.py to compare with numpy: the first NTC preset's
// coefficients and characteristic, the Pt100 characteristic, and a fitted
// coast-down with its loss samples.
#include "RunDataTestSupport.h"

#include "CharacteristicReductor.h"
#include "LossModelCalculator.h"
#include "RecordingAnswerer.h"
#include "SensorWizard.h"
#include "VectorChannel.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

QJsonArray points(const QList<QPointF>& list)
{
    QJsonArray out;
    for (const QPointF& p : list)
        out.append(QJsonArray{p.x(), p.y()});
    return out;
}

QJsonArray numbers(const QList<double>& list)
{
    QJsonArray out;
    for (double x : list)
        out.append(std::isfinite(x) ? QJsonValue(x) : QJsonValue());
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QJsonObject out;
    const double inf = std::numeric_limits<double>::infinity();

    const QMap<QString, NTCCharacteristic> presets = SensorWizard::builtInPresets();
    const NTCCharacteristic ntc = presets.first();
    const auto c = SensorWizard::steinhartHart(ntc);
    const QList<QPointF> raw = SensorWizard::rawCharacteristic(false, c, inf, ntc.pullUp, inf);
    out[QStringLiteral("ntc")] = QJsonObject{
        {QStringLiteral("name"), presets.firstKey()},
        {QStringLiteral("points"), QJsonArray{ntc.T1, ntc.R1, ntc.T2, ntc.R2, ntc.T3, ntc.R3}},
        {QStringLiteral("pullUp"), ntc.pullUp},
        {QStringLiteral("A"), c.A},
        {QStringLiteral("B"), c.B},
        {QStringLiteral("C"), c.C},
        {QStringLiteral("raw"), points(raw)},
        {QStringLiteral("reduced"), points(CharacteristicReductor::reduceCharacteristic(raw, 0.2))}};
    // A Pt100 on an input with a 1 MΩ internal pull-up and a 1 kΩ external one.
    const QList<QPointF> pt = SensorWizard::rawCharacteristic(true, c, 1e6, 1000, inf);
    out[QStringLiteral("pt100")] = QJsonObject{{QStringLiteral("internalPullUp"), 1e6},
                                               {QStringLiteral("pullUp"), 1000.0},
                                               {QStringLiteral("raw"), points(pt)},
                                               {QStringLiteral("reduced"),
                                                points(CharacteristicReductor::reduceCharacteristic(pt, 0.2))}};

    RunDataTest::Options options;
    options.rate = 100;
    RunAnalysisOptions::install(&options);
    RecordingAnswerer answerer;
    auto run = RunDataTest::gridRun(60);
    auto speedAt = [](double t) { return t < 10 ? 3.0 * t : std::max(0.0, 30.0 - 0.6 * (t - 10)); };
    auto loss = [](double v) {
        const double w = v / 0.25;
        return (2.0 + 0.05 * w + 0.002 * w * w) * w;
    };
    RunDataTest::addVector(*run, ChannelId_dynoSpeed, [&](int i) { return speedAt(i / 100.0); });
    RunDataTest::addVector(*run, ChannelId_dynoOnWheelsPower, [&](int i) { return -loss(speedAt(i / 100.0)); });
    RunDataTest::addVector(*run, ChannelId_drivetrainInertialPower, [](int) { return 0.0; });
    LossModelCalculator calculator(nullptr, run.get(), true);
    out[QStringLiteral("lossModel")] =
        QJsonObject{{QStringLiteral("speed"), numbers(run->getVectorChannel(ChannelId_dynoSpeed, 0)->rawSamples())},
                    {QStringLiteral("loss"), numbers(calculator.lossPower->rawSamples())},
                    {QStringLiteral("startFraction"), 0.7},
                    {QStringLiteral("stageStart"), calculator.stageStart},
                    {QStringLiteral("stageEnd"), calculator.stageEnd},
                    {QStringLiteral("coefficients"), numbers(calculator.coefficients)},
                    {QStringLiteral("accepted"), calculator.result() == QDialog::Accepted}};
    RunAnalysisOptions::install(nullptr);

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QJsonDocument(out).toJson(QJsonDocument::Compact));
    return 0;
}
