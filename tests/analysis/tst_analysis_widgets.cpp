// The analysis desktop widgets on hand-made runs: the result table's step
// search as a table of cases, its cells, outputs and hidden columns; the main
// and user graph's curves, readouts and ranges; the CSV export options and the
// CSV vector importer.
#include "AMdiColorMap.h"
#include "AMdiImage.h"
#include "AMdiMainGraph.h"
#include "AMdiMainGraphItem.h"
#include "AMdiResultTable.h"
#include "AMdiResultTableModel.h"
#include "AMdiTableModelItem.h"
#include "AMdiUserGraph.h"
#include "AMdiUserGraphItem.h"
#include "AMdiXYTable.h"
#include "AMdiXYTableModel.h"
#include "ColorMapTrackingLine.h"
#include "AnalyzeMdi.h"
#include "AnalyzeWidget.h"
#include "ChannelSetup.h"
#include "Channels.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "CsvExportDialog.h"
#include "CsvVectorImporter.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "RecordingAnswerer.h"
#include "RunData.h"
#include "SafeSpinBox.h"
#include "SpinBoxWithUnit.h"
#include "UnitComboBox.h"
#include "VectorChannel.h"
#include "lib/Unit.h"
#include "lib/Units.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QDoubleSpinBox>
#include <QTimer>
#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString keyOf(ChannelId id)
{
    return getBasicChannelKey(id);
}

// A run of given samples, by default at 1 Hz (time 0, 1, 2 ...), selection in samples.
RunData* makeRun(const QString& name, const QMap<ChannelId, QList<double>>& samples, int first, int last,
                 double period = 1.0)
{
    auto* run = new RunData(QStringLiteral("/nonexistent/%1.h5").arg(name), true);
    int n = 0;
    for (const QList<double>& v : samples)
        n = std::max<int>(n, int(v.size()));
    auto* time = new VectorChannel(1.0, keyOf(ChannelId_time), QStringLiteral("Time"), Quantity::Time, n, nullptr);
    for (int i = 0; i < n; ++i)
        (*time->getRawData())[i] = i * period;
    run->setVectorGroup(ChannelId_time, {time});
    run->mainTimeChannel = time;
    for (auto it = samples.constBegin(); it != samples.constEnd(); ++it) {
        auto* vector = new VectorChannel(1.0, keyOf(it.key()), QString(), Quantity(-1), 0, time);
        *vector->getRawData() = it.value();
        run->setVectorGroup(it.key(), {vector});
    }
    run->runInfo[RunListFields::selectionStart] = double(first);
    run->runInfo[RunListFields::selectionEnd] = double(last);
    run->runInfo[RunListFields::name] = name;
    return run;
}

// The analysis setup of a run's channel, made plain for exact cell values: no
// unit conversion, no filter, two decimals, a fixed range when given.
ChannelSetup* plainSetup(RunData* run, ChannelId id, double lo = kNaN, double hi = kNaN)
{
    ChannelSetup* setup = run->getVectorChannel(id, 0)->setup;
    setup->unit = theUnits.unitless;
    setup->filter = 0.0;
    setup->decimals = 2;
    setup->colorSteps.clear();
    setup->bins.clear();
    const bool fixed = !std::isnan(lo);
    setup->autorangeMin = !fixed;
    setup->autorangeMax = !fixed;
    if (fixed) {
        setup->rangeMin = lo;
        setup->rangeMax = hi;
    }
    return setup;
}

void selectRows(QTableView* view, const QList<int>& rows)
{
    view->selectionModel()->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
}

QList<double> ramp(double from, double to, int count)
{
    QList<double> v;
    for (int i = 0; i < count; ++i)
        v.append(from + (to - from) * i / (count - 1));
    return v;
}

QList<double> curveTimes(const QCPCurve* curve)
{
    QList<double> t;
    for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it)
        t.append(it->t);
    return t;
}

} // namespace

class TestAnalysisWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void stepSearch_data();
    void stepSearch();
    void resultTable();
    void mainGraph();
    void userGraph();
    void csvExportDialog();
    void csvImporter();
    void colorMap();
    void xyTableFilters_data();
    void xyTableFilters();
    void xyTableOutputs();
    void imageWidget();

private:
    RecordingAnswerer* answerer = nullptr;
    QTemporaryDir dir;
    QWidget* parent = nullptr;
    MdiManager* manager = nullptr;
    AbstractMdi* desktop = nullptr;
    LoadedRunListModel* runs = nullptr;
    QTableView* runView = nullptr;
};

void TestAnalysisWidgets::initTestCase()
{
    theUnits.init();
    theChannels.init();
    answerer = new RecordingAnswerer;
    DialogAnswerer::install(answerer);
    parent = new QWidget;
    runs = new LoadedRunListModel(parent);
    runView = new QTableView(parent);
    runView->setModel(runs);
    runs->setView(runView);
    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(runs, runView->selectionModel());
    manager = new MdiManager(parent, MdiType_analyze);
    desktop = manager->newMdi(QStringLiteral("widgets"), QString(), false);
    QVERIFY(desktop);
}

void TestAnalysisWidgets::cleanupTestCase()
{
    DialogAnswerer::install(nullptr);
    delete parent;
    delete answerer;
}

void TestAnalysisWidgets::stepSearch_data()
{
    QTest::addColumn<QList<double>>("m");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("firstStep");
    QTest::addColumn<QList<int>>("indexes");

    // 1730 ... 6400 rpm in steps of 10: 2000 is reached at sample 27 (2000 <= 2000 < 2010).
    QList<double> rising;
    for (double v = 1730; v <= 6400; v += 10)
        rising.append(v);
    QList<int> risingIndexes;
    for (int s = 2000; s <= 6000; s += 500)
        risingIndexes.append((s - 1730) / 10);
    QTest::newRow("1730 to 6400 by 500") << rising << 0 << int(rising.size() - 1) << 500.0 << 4 << risingIndexes;
    // A maximum of exactly 6000 is never strictly below a later sample.
    QList<double> toSix = ramp(1730, 6000, 428);
    QList<int> toSixIndexes;
    for (int s = 2000; s < 6000; s += 500)
        toSixIndexes.append(int(std::floor((s - 1730) / ((6000.0 - 1730) / 427))));
    QTest::newRow("maximum exactly 6000") << toSix << 0 << 427 << 500.0 << 4 << toSixIndexes;
    // Coast-down: searched from the end backwards, rows still ascend.
    QTest::newRow("coast-down") << QList<double>{3100, 2600, 2100, 1600, 1100, 900, 1000, 1050} << 0 << 7
                                << 500.0 << 2 << QList<int>{5, 4, 3, 2, 1};
    // A jump over several targets takes the same sample for each.
    QTest::newRow("jump over targets") << QList<double>{100, 120, 1600, 1700, 1800, 1900} << 0 << 5 << 500.0 << 1
                                       << QList<int>{1, 1, 1};
    // The selection's last two samples are outside the window.
    QTest::newRow("window trimmed") << QList<double>{0, 1, 2, 3, 4, 5} << 0 << 5 << 1.0 << 0
                                    << QList<int>{0, 1, 2};
    QTest::newRow("NaN skipped") << QList<double>{kNaN, 0, 1, 2, kNaN, 3, 4} << 0 << 6 << 1.0 << 0
                                 << QList<int>{1, 2};
    // One-sample selection: nothing, never the rest of the run.
    QTest::newRow("one sample") << QList<double>{0, 1, 2, 3, 4, 5} << 2 << 2 << 1.0 << 2 << QList<int>{};
    // A vector shorter than the selection: missing beyond its end.
    QTest::newRow("short vector") << QList<double>{0, 1, 2, 3} << 0 << 100 << 1.0 << 0 << QList<int>{0};
    // A spike far out of range of the step numbers.
    QTest::newRow("spike") << QList<double>{1e12, 1e12 + 1, 1e12 + 2, 1e12 + 3} << 0 << 3 << 1e-3 << 0
                           << QList<int>{};
    QTest::newRow("no master data") << QList<double>{kNaN, kNaN, kNaN} << 0 << 2 << 1.0 << 0 << QList<int>{};
}

void TestAnalysisWidgets::stepSearch()
{
    QFETCH(QList<double>, m);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(double, step);
    QFETCH(int, firstStep);
    QFETCH(QList<int>, indexes);
    int foundFirst = -99;
    QList<int> found;
    AMdiTableModelItem::searchSteps(m, first, last, step, &foundFirst, &found);
    QCOMPARE(found, indexes);
    if (!indexes.isEmpty() || firstStep != 0)
        QCOMPARE(foundFirst, firstStep);
}

void TestAnalysisWidgets::resultTable()
{
    // A tiny step over a wide range stops after a bounded number of entries.
    {
        int firstStep = 0;
        QList<int> found;
        AMdiTableModelItem::searchSteps(ramp(0, 1000, 1000001), 0, 1000000, 1e-6, &firstStep, &found);
        QCOMPARE(found.size(), qsizetype(AMdiTableModelItem::kMaxEntries));
    }
    // Two runs; the second is shorter and names itself with a quote and markup.
    RunData* a = makeRun(QStringLiteral("A"),
                         {{ChannelId_engineSpeed, ramp(1000, 3000, 21)}, {ChannelId_engineCorrectedPower, ramp(10, 30, 21)}},
                         0, 20);
    RunData* b = makeRun(QStringLiteral("B \"x\" <i>&"),
                         {{ChannelId_engineSpeed, ramp(1000, 2000, 11)}, {ChannelId_engineCorrectedPower, ramp(20, 10, 11)}},
                         0, 10);
    runs->appendRun(a);
    runs->appendRun(b);
    auto* table = static_cast<AMdiResultTable*>(desktop->addWidget(2, QRect(0, 0, 400, 300), false));
    QVERIFY(table);
    QDomDocument document;
    QDomElement setup = document.createElement(QStringLiteral("setup"));
    QDomElement channel = document.createElement(QStringLiteral("channel"));
    channel.setAttribute(QStringLiteral("key"), keyOf(ChannelId_engineCorrectedPower));
    setup.appendChild(channel);
    setup.setAttribute(QStringLiteral("diffMode"), 1);
    table->parseDomElementChild(&setup);
    AMdiResultTableModel* model = table->model;
    QCOMPARE(model->engineSpeedStep->value(), 500.0);
    QCOMPARE(model->timeStep->value(), 1.0);
    model->recalculate();
    // Rows 1000 ... 2500 (run A: 1000, 1500, 2000, 2500; B: 1000, 1500).
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->columnCount(), 3);
    ChannelSetup* power = model->channels.first();
    power->decimals = 1;
    power->unit = theUnits.getUnitByQuantityAndSearchInString(Quantity::Power, QStringLiteral("W"));
    const auto text = [model](int row, int column) { return model->data(model->index(row, column)).toString(); };
    const double w = power->unit->factor;
    QCOMPARE(text(0, 1), QString::number(10 * w, 'f', 1));
    // B minus A: 20 - 10 at 1000, 15 - 15 at 1500; none beyond B's range.
    QCOMPARE(text(0, 2), QStringLiteral("+") + QString::number(10 * w, 'f', 1));
    QCOMPARE(text(1, 2), QString::number(0.0, 'f', 1));
    QCOMPARE(text(2, 2), QString());
    // Min and max colours of run A's column.
    QCOMPARE(model->data(model->index(0, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(200, 255, 255));
    QCOMPARE(model->data(model->index(3, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 200, 200));

    // CSV: user text quoted with its quotes doubled.
    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(model->writeCSV(csv));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QVERIFY2(lines.first().contains(QStringLiteral("\"B \"\"x\"\" <i>& ")), qPrintable(lines.first()));
    QCOMPARE(lines.size(), 6); // header, four rows, final line break
    // HTML: the run name escaped.
    const QString html = model->generateResultTable();
    QVERIFY(html.contains(QStringLiteral("B \"x\" &lt;i&gt;&amp;")));
    QVERIFY(html.startsWith(QStringLiteral("<center><table cellpadding=\"3\" style='font-size: 8pt;'>")));
    QVERIFY(model->generateResultTableTransposed().contains(QStringLiteral("<td rowspan='1'")));

    // Copy of a block, with a hidden column left out.
    table->view->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(1, 2)),
                                          QItemSelectionModel::Select);
    model->copyToClipboard(table->view);
    QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
    QCOMPARE(QApplication::clipboard()->text().split(QLatin1Char('\n')).first().count(QLatin1Char('\t')), 2);
    table->view->setColumnHidden(1, true);
    model->copyToClipboard(table->view);
    QCOMPARE(QApplication::clipboard()->text().split(QLatin1Char('\n')).first().count(QLatin1Char('\t')), 1);

    // Removing the first run moves the hidden flag of B's column onto column 1.
    table->view->setColumnHidden(1, false);
    table->view->setColumnHidden(2, true);
    runs->action_removeRuns({0});
    QCOMPARE(model->items.size(), qsizetype(1));
    QVERIFY(table->view->isColumnHidden(1));
    QVERIFY(!table->view->isColumnHidden(2));
    runs->removeAllRuns();
    table->closeMdi();
}

void TestAnalysisWidgets::mainGraph()
{
    const int n = 300;
    QList<double> speed = ramp(1000, 7000, n);
    QList<double> torque = ramp(100, 200, n);
    RunData* run = makeRun(QStringLiteral("M"),
                           {{ChannelId_engineSpeed, speed},
                            {ChannelId_engineCorrectedPower, ramp(10, 150, n)},
                            {ChannelId_dynoOnWheelsPower, ramp(5, 120, n)},
                            {ChannelId_dynoLossPower, ramp(1, 10, n)},
                            {ChannelId_engineCorrectedTorque, torque}},
                           100, 199);
    run->runInfo[RunListFields::measuredEnginePower] = 150.0;
    run->runInfo[RunListFields::measuredEngineTorque] = 400.0;
    run->markerTimes = {150, 160};
    run->markerChannelKeys = {keyOf(ChannelId_engineCorrectedTorque), QString()};
    runs->appendRun(run);
    auto* graph = static_cast<AMdiMainGraph*>(desktop->addWidget(0, QRect(0, 0, 400, 300), false));
    QVERIFY(graph);
    QDomDocument document;
    QDomElement setup = document.createElement(QStringLiteral("setup"));
    graph->parseDomElementChild(&setup);
    QCOMPARE(graph->normalCurveThickness, 0);
    QCOMPARE(graph->boldCurveThickness, 2);
    QCOMPARE(graph->axisChannelSetup(PlotAxis_right)->key, QStringLiteral("mainCompareGraph_power"));
    graph->recalculate();
    QCOMPARE(graph->items.size(), qsizetype(1));
    AMdiMainGraphItem* item = graph->items.first();
    // Selection 100 ... 199 draws 100 ... 197; the master range covers 100 ... 199.
    const QList<double> t = curveTimes(item->curves[AMdiMainGraphItem::Curve_engine]);
    QCOMPARE(t.size(), qsizetype(98));
    QCOMPARE(t.first(), 100.0);
    QCOMPARE(t.last(), 197.0);
    const double factor = run->getVectorChannel(ChannelId_engineSpeed, 0)->setup->unit->factor;
    QCOMPARE(item->masterMin, speed.at(100) * factor);
    QCOMPARE(item->masterMax, speed.at(199) * factor);
    // The labelled marker only on the torque curve; the other on every curve with data.
    int torqueMarkers = 0, engineMarkers = 0;
    for (const auto& m : item->markers[AMdiMainGraphItem::Curve_torque])
        torqueMarkers += m.first ? 1 : 0;
    for (const auto& m : item->markers[AMdiMainGraphItem::Curve_engine])
        engineMarkers += m.first ? 1 : 0;
    QCOMPARE(torqueMarkers, 2);
    QCOMPARE(engineMarkers, 1);
    // Readout: torque first, no unit.
    const QStringList readout = item->getYValuesForXValue(speed.at(150) * factor);
    QCOMPARE(readout.size(), qsizetype(4));
    QVERIFY(!readout.first().isEmpty());
    QVERIFY(readout.at(1).isEmpty());
    // Hiding column 10 hides the engine curve, its peak and its markers.
    runs->changeColumnVisibility(LoadedRunListField::PeakEnginePower, false);
    graph->showPeakLabels = true;
    graph->slot_updateCurvesVisibility();
    QVERIFY(!item->curves[AMdiMainGraphItem::Curve_engine]->visible());
    QVERIFY(!item->peakLabels[AMdiMainGraphItem::Peak_engine]->visible());
    QVERIFY(item->curves[AMdiMainGraphItem::Curve_wheel]->visible());
    runs->changeColumnVisibility(LoadedRunListField::PeakEnginePower, true);
    // Synchronisation 2: both inner axes [0, larger top].
    graph->axisSync = 2;
    graph->updateRanges();
    QCOMPARE(graph->plot->yAxis->range().upper, graph->plot->yAxis2->range().upper);
    QCOMPARE(graph->plot->yAxis->range().lower, 0.0);
    QVERIFY(!graph->listChannelKeys().contains(keyOf(ChannelId_dynoLossPower)));
    // A one-sample selection draws nothing.
    run->runInfo[RunListFields::selectionEnd] = 100.0;
    item->updateCurveData();
    QVERIFY(item->curves[AMdiMainGraphItem::Curve_engine]->data()->isEmpty());
    runs->removeAllRuns();
    QVERIFY(graph->items.isEmpty());
    graph->closeMdi();
}

void TestAnalysisWidgets::userGraph()
{
    RunData* run = makeRun(QStringLiteral("U"),
                           {{ChannelId_engineSpeed, {1, 2, 3, 2, 1, 0}}, {ChannelId_engineCorrectedPower, {5, 6, 7, 8, 9, 10}}},
                           0, 5);
    runs->appendRun(run);
    auto* graph = static_cast<AMdiUserGraph*>(desktop->addWidget(1, QRect(0, 0, 400, 300), false));
    QVERIFY(graph);
    ChannelSetup* speed = run->getVectorChannel(ChannelId_engineSpeed, 0)->setup;
    ChannelSetup* power = run->getVectorChannel(ChannelId_engineCorrectedPower, 0)->setup;
    graph->plot->axes[PlotAxis_bottom]->setChannelSetupByKey(speed->key);
    graph->plot->axes[PlotAxis_left]->setChannelSetupByKey(power->key);
    graph->recalculate();
    AMdiUserGraphItem* item = graph->items.first();
    QCOMPARE(curveTimes(item->curves[PlotAxis_left]).size(), qsizetype(4));
    // Readout of 2.5 in display units: the first crossing, sample 1.
    const double f = item->channels[PlotAxis_bottom]->setup->unit->factor;
    const QStringList readout = item->getYValuesForXValue(2.5 * f);
    QCOMPARE(readout.size(), qsizetype(4));
    QCOMPARE(readout.first(), item->channels[PlotAxis_left]->setup->getStringFromValue(6));
    QVERIFY(readout.at(1).isEmpty());
    QVERIFY(graph->listChannelKeys() == (QStringList{power->key, speed->key}));
    // Sync all scales: one common range on the four value axes.
    graph->axisSync = 2;
    graph->updateRanges();
    QCOMPARE(graph->plot->yAxis->range(), graph->plot->rightOuterAxis->range());
    runs->removeAllRuns();
    graph->closeMdi();
}

void TestAnalysisWidgets::csvExportDialog()
{
    answerer->result = QDialog::Rejected;
    answerer->respond = [](QDialog* dialog) {
        auto* d = qobject_cast<CsvExportDialog*>(dialog);
        if (!d)
            return int(QDialog::Rejected);
        // First use.
        if (d->preset->currentIndex() != 0 || d->samples->currentIndex() != 0 || d->numberPrecision->value() != 5
            || !d->removeIntermediateChannels->isChecked() || d->addInfoHeader->isChecked()
            || std::fabs(d->samplingPeriodSI() - 0.01) > 1e-9)
            qWarning("unexpected defaults");
        d->samples->setCurrentIndex(2);
        if (d->samplingPeriod->isEnabled())
            qWarning("markers leave the sampling period enabled");
        d->preset->setCurrentIndex(1);
        d->graphChannelsOnly->setChecked(true);
        return int(QDialog::Rejected);
    };
    {
        CsvExportDialog first;
        QCOMPARE(first.result(), int(QDialog::Rejected));
        QCOMPARE(first.samples->currentIndex(), 1);
        QVERIFY(!first.samples->isEnabled());
        QVERIFY(!first.removeIntermediateChannels->isEnabled());
        QVERIFY(first.removeIntermediateChannels->isChecked());
    }
    // Kept after Cancel; the stored "duvir" wins over the stored samples.
    theSettings.setValue(QStringLiteral("UserSetting/csvExport/sampleSelection"), 2);
    answerer->respond = [](QDialog*) { return int(QDialog::Accepted); };
    CsvExportDialog second;
    QCOMPARE(second.result(), int(QDialog::Accepted));
    QCOMPARE(second.preset->currentIndex(), 1);
    QCOMPARE(second.samples->currentIndex(), 1);
    QVERIFY(second.samplingPeriod->isEnabled());
    QVERIFY(second.graphChannelsOnly->isChecked());
    answerer->respond = nullptr;
}

void TestAnalysisWidgets::csvImporter()
{
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("logger v1\n"
              "date\n"
              "Time [s];Engine RPM;Throttle %;Gear;Temp [°C]\n"
              "0;1000;10;1;32\n"
              "0.5;\"1,5\";x;2;212\n"
              "1;3000;30;3;50\n"
              "\n"
              "2;4000;40;4;60\n");
    out.close();
    auto vector = [](const QString& name, Quantity q) {
        auto* v = new VectorChannel(1.0, QString(), name, q, 0, nullptr);
        v->setup->displayName = name;
        v->setup->quantity = q;
        return v;
    };
    VectorChannel* time = vector(QStringLiteral("Time"), Quantity::Time);
    VectorChannel* rpm = vector(QStringLiteral("Engine speed"), Quantity::RotationalSpeed);
    VectorChannel* tps = vector(QStringLiteral("Throttle"), Quantity::None);
    VectorChannel* gear = vector(QStringLiteral("Gear"), Quantity::None);
    VectorChannel* temp = vector(QStringLiteral("Temperature"), Quantity::Temperature);
    const QList<VectorChannel*> vectors{time, rpm, tps, gear, temp};
    const QList<QStringList> words{{QStringLiteral("time")}, {QStringLiteral("rpm")},
                                   {QStringLiteral("tps"), QStringLiteral("throttle")}, {QStringLiteral("gear")},
                                   {QStringLiteral("temp")}};
    theSettings.setValue(QStringLiteral("UserSetting/CsvVectorImporter_fromRow"), 3);
    theSettings.setValue(QStringLiteral("UserSetting/CsvVectorImporter_separator"), 1);

    // Cancel: the vectors stay as they were.
    answerer->files = {path};
    answerer->respond = [](QDialog* d) { return qobject_cast<QFileDialog*>(d) ? int(QDialog::Accepted) : 0; };
    QVERIFY(!CsvVectorImporter::importVectors(nullptr, vectors, words));
    QVERIFY(time->rawSamples().isEmpty());

    // OK asks first about the field that is no number; "No" keeps the dialog open.
    int questions = 0;
    QList<int> preselected;
    answerer->respond = [&](QDialog* d) {
        if (qobject_cast<QFileDialog*>(d))
            return int(QDialog::Accepted);
        if (auto* importer = qobject_cast<CsvVectorImporter*>(d)) {
            for (QComboBox* box : importer->columnBoxes)
                preselected.append(box->currentIndex());
            importer->slot_accept();
            if (importer->result() == QDialog::Accepted)
                qWarning("accepted without asking");
            importer->slot_accept();
            return importer->result();
        }
        ++questions;
        return questions == 1 ? int(QMessageBox::No) : int(QMessageBox::Yes);
    };
    QVERIFY(CsvVectorImporter::importVectors(nullptr, vectors, words));
    QCOMPARE(preselected, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(questions, 2);
    // Data from line 4 to the blank line; "1,5" in quotes is one field and no number.
    QCOMPARE(time->rawSamples(), (QList<double>{0, 0.5, 1}));
    QCOMPARE(rpm->rawSamples().size(), qsizetype(3));
    QCOMPARE(rpm->rawSamples().at(1), 0.0);
    QCOMPARE(tps->rawSamples(), (QList<double>{10, 0, 30}));
    // The unit named in the header, with its offset: stored as SI.
    const Unit* f = theUnits.getUnitByQuantityAndSearchInString(Quantity::Temperature, QStringLiteral("°C"));
    QVERIFY(f && f->offset != 0);
    QCOMPARE(temp->rawSamples().at(1), f->getSIValue(212));
    answerer->respond = nullptr;
    qDeleteAll(vectors);
}

QTEST_MAIN(TestAnalysisWidgets)
#include "tst_analysis_widgets.moc"

void TestAnalysisWidgets::colorMap()
{
    auto* map = static_cast<AMdiColorMap*>(desktop->addWidget(AMdiWidgetType_colorMap, QRect(0, 0, 500, 400), false));
    QVERIFY(map);
    selectRows(runView, {});
    map->recalculate();
    QCOMPARE(map->messageLabel->text(), QStringLiteral("Select bottom channel\\nSelect left channel\\nSelect color "
                                                       "channel\\nSelect a run in the table above")
                                            .replace(QStringLiteral("\\n"), QStringLiteral("\n")));
    QVERIFY(!map->messageLabel->isHidden());

    // 4 x 4 bins over fixed ranges 0 ... 4: (0, 0) in cell (0, 0), (4, 4) in
    // (3, 3), (4.5, 1) nowhere, two samples in (1, 1) averaged, non-finite
    // samples skipped; the colour vector ends early (never read beyond it).
    const QList<double> x{0, 4, 4.5, 1.2, 1.7, kNaN, 2.2, 3.9, 0.5};
    const QList<double> y{0, 4, 1, 1.3, 1.1, 2.5, 2.2, 0.1, 0.5};
    const QList<double> c{7, 5, 9, 2, 4, 1, std::numeric_limits<double>::infinity(), 8};
    RunData* run = makeRun(QStringLiteral("CM"),
                           {{ChannelId_engineSpeed, x}, {ChannelId_engineCorrectedPower, y}, {ChannelId_engineTorque, c}},
                           0, int(x.size()) - 1);
    runs->appendRun(run);
    plainSetup(run, ChannelId_engineSpeed, 0, 4);
    plainSetup(run, ChannelId_engineCorrectedPower, 0, 4);
    ChannelSetup* cSetup = plainSetup(run, ChannelId_engineTorque);
    map->bottomAxis->setChannelSetupByKey(keyOf(ChannelId_engineSpeed));
    map->leftAxis->setChannelSetupByKey(keyOf(ChannelId_engineCorrectedPower));
    map->colorAxis->setChannelSetupByKey(keyOf(ChannelId_engineTorque));
    QCOMPARE(map->colorAxis->channelSetup, cSetup);
    map->bottomAxis->binCount = 4;
    map->leftAxis->binCount = 4;
    selectRows(runView, {0});
    map->recalculate();
    QVERIFY(map->messageLabel->isHidden());
    QCPColorMapData* data = map->colorMap->data();
    QCOMPARE(data->keySize(), 4);
    QCOMPARE(data->cell(0, 0), 7.0);
    QCOMPARE(data->alpha(0, 0), quint8(255));
    QCOMPARE(data->cell(3, 3), 5.0);
    QCOMPARE(data->cell(1, 1), 3.0);
    QCOMPARE(data->cell(3, 0), 8.0);
    QVERIFY(std::isnan(data->cell(3, 1)));
    QCOMPARE(data->alpha(3, 1), quint8(0));
    QVERIFY(std::isnan(data->cell(2, 2)));
    // The cell centres: the map covers exactly 0 ... 4.
    QCOMPARE(data->keyRange().lower, 0.5);
    QCOMPARE(data->keyRange().upper, 3.5);
    QCOMPARE(map->getCValue(1.5, 1.5), 3.0);

    // Another cell of the same run: no work; another run: a recalculation.
    map->recalculationPending = false;
    runView->selectionModel()->select(runs->index(0, 3), QItemSelectionModel::Select);
    QVERIFY(!map->recalculationPending);
    QCOMPARE(map->listChannelKeys(), (QStringList{keyOf(ChannelId_engineCorrectedPower), keyOf(ChannelId_engineSpeed),
                                                  keyOf(ChannelId_engineTorque)}));

    // Colour steps: absolute steps keep their values, relative ones their places.
    const QList<ColorScaleStep> steps{{ColorScaleStepType_absolute, 10.0, Qt::blue},
                                      {ColorScaleStepType_relative, 0.5, Qt::green},
                                      {ColorScaleStepType_absolute, 30.0, Qt::red}};
    auto positions = [&](double lo, double hi) {
        QList<double> p;
        for (const auto& stop : AMdiColorMap::gradientStops(steps, cSetup, lo, hi))
            p.append(stop.first);
        return p;
    };
    QCOMPARE(positions(10, 30), (QList<double>{0.0, 0.5, 1.0}));
    QCOMPARE(positions(0, 40), (QList<double>{0.25, 0.5, 0.75}));
    QCOMPARE(positions(10, 10).size(), qsizetype(1));

    // Setup children under fixed names, read back.
    QDomDocument document;
    QDomElement setup = document.createElement(QStringLiteral("setup"));
    map->writeToDomElement(&setup);
    QStringList children;
    for (QDomElement e = setup.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        children.append(e.tagName());
    QCOMPARE(children, (QStringList{QStringLiteral("left"), QStringLiteral("bottom"), QStringLiteral("color")}));
    QCOMPARE(setup.firstChildElement(QStringLiteral("bottom")).attribute(QStringLiteral("binCount")),
             QStringLiteral("4"));
    setup.firstChildElement(QStringLiteral("left")).setAttribute(QStringLiteral("binCount"), 7);
    map->parseDomElement(&setup);
    QCOMPARE(map->leftAxis->binCount, 7);

    // Zoom rectangles: 2 x 50 pixels do nothing, 3 x 3 zoom; with Control the
    // press belongs to the desktop and draws no rectangle.
    map->leftAxis->binCount = 4;
    // The rubber band is drawn only on a shown widget.
    parent->show();
    QTRY_VERIFY(map->plot->isVisible());
    map->plot->replot();
    const QPoint centre = map->plot->axisRect()->rect().center();
    auto drag = [&](QPoint to, Qt::KeyboardModifiers modifiers) {
        QMouseEvent press(QEvent::MouseButtonPress, centre, map->plot->mapToGlobal(centre), Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        map->slot_mousePress(&press);
        const bool band = map->rubberBand->isVisible();
        QMouseEvent move(QEvent::MouseMove, to, map->plot->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, modifiers);
        map->slot_mouseMove(&move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, map->plot->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                            modifiers);
        map->slot_mouseRelease(&release);
        return band;
    };
    const QCPRange before = map->plot->xAxis->range();
    QVERIFY(!drag(centre + QPoint(2, 50), Qt::ControlModifier));
    QCOMPARE(map->plot->xAxis->range(), before);
    drag(centre + QPoint(1, 49), Qt::NoModifier); // 2 x 50 pixels
    QCOMPARE(map->plot->xAxis->range(), before);
    drag(centre + QPoint(2, 2), Qt::NoModifier); // 3 x 3 pixels
    QVERIFY(map->plot->xAxis->range().size() < before.size() / 10);
    map->updateRangesAndReplot();
    QCOMPARE(map->plot->xAxis->range(), before);

    // The cross-hair follows another cursor to the run's values at that time,
    // and draws nothing after the run's end.
    ColorMapTrackingLine* line = map->trackingLine;
    Q_EMIT runs->signal_trackingLineSync(run, 6.5);
    const QPoint p = line->cursorPoint();
    QCOMPARE(p.x(), int(map->plot->xAxis->coordToPixel(3.9)));
    QCOMPARE(p.y(), int(map->plot->yAxis->coordToPixel(0.1)));
    Q_EMIT runs->signal_trackingLineSync(run, 99.0);
    QCOMPARE(line->cursorPoint(), QPoint(-1, -1));
    Q_EMIT runs->signal_trackingLineSync(nullptr, -1);
    QTRY_VERIFY(line->isHidden());
    parent->hide();
    runs->removeAllRuns();
    map->closeMdi();
}

void TestAnalysisWidgets::xyTableFilters_data()
{
    QTest::addColumn<int>("centre");
    QTest::addColumn<int>("transient");
    QTest::addColumn<QList<double>>("x");
    QTest::addColumn<QList<double>>("y");
    QTest::addColumn<QList<double>>("cells");

    // Bins 0, 1, 2, 3 on both axes; the value is the sample index.
    // A value on a midpoint belongs to the upper bin, values beyond the outer
    // bins to no cell.
    QTest::newRow("midpoint to upper bin") << 0 << 0 << QList<double>{0.5, 1.49, -0.1, 3.2, 0.0}
                                           << QList<double>{0, 0, 0, 0, 0}
                                           << QList<double>{4, 0.5, kNaN, kNaN};
    // 95 %: within 2.5 % of the spacing of the bin value (0.95 exactly counts).
    QTest::newRow("centre filter 95 %") << 95 << 0 << QList<double>{1.0, 1.025, 1.03, 2.0, 1.97}
                                        << QList<double>{0, 0, 0, 0, 0}
                                        << QList<double>{kNaN, 0.5, 3, kNaN};
    // 0.125 s samples: 8 in cell 0, 16 (2 s) in cell 1, 8 in cell 0. With
    // 500 ms only samples 12 ... 19 count; a NaN X (sample 13) neither
    // counts nor restarts the clock.
    QList<double> dwell;
    for (int i = 0; i < 32; ++i)
        dwell.append(i >= 8 && i < 24 ? 1.0 : 0.0);
    dwell[13] = kNaN;
    QTest::newRow("transient 500 ms") << 0 << 500 << dwell << QList<double>(32, 0.0)
                                      << QList<double>{kNaN, (12 + 14 + 15 + 16 + 17 + 18 + 19) / 7.0, kNaN, kNaN};
}

void TestAnalysisWidgets::xyTableFilters()
{
    QFETCH(int, centre);
    QFETCH(int, transient);
    QFETCH(QList<double>, x);
    QFETCH(QList<double>, y);
    QFETCH(QList<double>, cells);
    QList<double> v;
    for (int i = 0; i < x.size(); ++i)
        v.append(i);
    RunData* run = makeRun(QStringLiteral("XY"),
                           {{ChannelId_engineSpeed, x}, {ChannelId_engineCorrectedPower, y}, {ChannelId_engineTorque, v}},
                           0, int(x.size()) - 1, 0.125);
    runs->appendRun(run);
    auto* table = static_cast<AMdiXYTable*>(desktop->addWidget(AMdiWidgetType_xyTable, QRect(0, 0, 400, 300), false));
    QVERIFY(table);
    AMdiXYTableModel* model = table->model;
    plainSetup(run, ChannelId_engineSpeed)->bins = {0, 1, 2, 3};
    plainSetup(run, ChannelId_engineCorrectedPower)->bins = {0, 1, 2, 3};
    plainSetup(run, ChannelId_engineTorque);
    model->setChannelSetup(XYMapAxis_bottom, run->getVectorChannel(ChannelId_engineSpeed, 0)->setup);
    model->setChannelSetup(XYMapAxis_left, run->getVectorChannel(ChannelId_engineCorrectedPower, 0)->setup);
    model->setChannelSetup(XYMapAxis_value, run->getVectorChannel(ChannelId_engineTorque, 0)->setup);
    model->centerFilter->setValue(centre);
    model->transientFilter->setValue(transient);
    selectRows(runView, {0});
    table->recalculate();
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        const double value = model->cells.at(c);
        if (std::isnan(cells.at(c)))
            QVERIFY2(std::isnan(value), qPrintable(QString::number(c)));
        else
            QCOMPARE(value, cells.at(c));
    }
    runs->removeAllRuns();
    table->closeMdi();
}

void TestAnalysisWidgets::xyTableOutputs()
{
    auto* table = static_cast<AMdiXYTable*>(desktop->addWidget(AMdiWidgetType_xyTable, QRect(0, 0, 400, 300), false));
    AMdiXYTableModel* model = table->model;
    // No run, no channel: all four messages; 2 x 2 cells "??" on "#F9F9F9".
    selectRows(runView, {});
    table->recalculate();
    QCOMPARE(model->infoLabel->text(), QStringLiteral("Select a run in the table above\nSelect bottom channel\nSelect "
                                                      "left channel\nSelect color channel"));
    const QString empty = table->generateReportTable();
    QCOMPARE(empty.count(QStringLiteral("<td><center><b>?" "?</b></center></td>")), 2);
    QCOMPARE(empty.count(QStringLiteral("background-color: #F9F9F9")), 4);

    // Two runs at bins 10 ... 30 (columns) and 1, 2 (rows): value 10 + column
    // step, colour range fixed 10 ... 30 with a relative stop at 0.5.
    const QList<double> x{10, 20, 30, 10, 20, 30};
    const QList<double> y{1, 1, 1, 2, 2, 2};
    const QList<double> v{10, 20, 30, 12, 25, 28};
    RunData* run = makeRun(QStringLiteral("R \"1\" <b>"),
                           {{ChannelId_engineSpeed, x}, {ChannelId_engineCorrectedPower, y}, {ChannelId_engineTorque, v}},
                           0, 5);
    runs->appendRun(run);
    plainSetup(run, ChannelId_engineSpeed)->bins = {10, 20, 30};
    plainSetup(run, ChannelId_engineCorrectedPower)->bins = {1, 2};
    ChannelSetup* vSetup = plainSetup(run, ChannelId_engineTorque, 10, 30);
    vSetup->displayName = QStringLiteral("Loss <&> \"x\"");
    vSetup->colorSteps = {{ColorScaleStepType_relative, 0.0, Qt::blue},
                          {ColorScaleStepType_relative, 0.5, QColor(0, 200, 0)},
                          {ColorScaleStepType_absolute, 25.0, QColor(200, 200, 0)},
                          {ColorScaleStepType_relative, 1.0, Qt::red}};
    model->setChannelSetup(XYMapAxis_bottom, run->getVectorChannel(ChannelId_engineSpeed, 0)->setup);
    model->setChannelSetup(XYMapAxis_left, run->getVectorChannel(ChannelId_engineCorrectedPower, 0)->setup);
    model->setChannelSetup(XYMapAxis_value, vSetup);
    selectRows(runView, {0});
    table->recalculate();
    QCOMPARE(model->colorLow, 10.0);
    QCOMPARE(model->colorHigh, 30.0);
    // The gradient's colour table is quantised: a few steps either way.
    auto near = [model](int row, int column, QColor expected) {
        const QColor c = model->data(model->index(row, column), Qt::BackgroundRole).value<QBrush>().color();
        return std::abs(c.red() - expected.red()) <= 3 && std::abs(c.green() - expected.green()) <= 3
               && std::abs(c.blue() - expected.blue()) <= 3;
    };
    QVERIFY(near(0, 1, QColor(0, 200, 0)));
    QVERIFY(near(1, 1, QColor(200, 200, 0)));
    QCOMPARE(model->data(model->index(1, 2)).toString(), vSetup->getLabelString(28));

    // invertY: the last bin on top, in view, report and CSV.
    model->invertY = true;
    table->recalculate();
    QCOMPARE(model->headerData(0, Qt::Vertical).toString(), vSetup->getLabelString(2));
    QCOMPARE(model->data(model->index(0, 0)).toString(), vSetup->getLabelString(12));
    const QString html = table->generateReportTable();
    QVERIFY(html.startsWith(QStringLiteral("<center><table cellpadding=\"3\" style='font-size: 8pt'><tr "
                                           "style='background-color: #F0F0F0'><td colspan='4'><center>")));
    QVERIFY(html.contains(QStringLiteral("Loss &lt;&amp;&gt;")));
    QVERIFY(!html.contains(QStringLiteral("<&>")));
    auto cell = [&](double v) { return html.indexOf(QStringLiteral("<center>%1</center>").arg(vSetup->getLabelString(v))); };
    QVERIFY(cell(12) > 0 && cell(12) < cell(10));
    const QString csvPath = dir.filePath(QStringLiteral("xy.csv"));
    QVERIFY(model->writeCSV(csvPath));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("C: Loss <&> \"x\"")));
    QCOMPARE(lines.at(3), QStringLiteral("\"\",\"10.00\",\"20.00\",\"30.00\""));
    QCOMPARE(lines.at(4), QStringLiteral("\"2.00\",\"12.00\",\"25.00\",\"28.00\""));
    QVERIFY(!model->writeCSV(dir.filePath(QStringLiteral("missing/xy.csv"))));

    // Setup: stored filters, invertY and the three channels, read back.
    QDomDocument document;
    QDomElement setup = document.createElement(QStringLiteral("setup"));
    model->centerFilter->setValue(50);
    table->writeToDomElement(&setup);
    QCOMPARE(setup.attribute(QStringLiteral("invertY")), QStringLiteral("1"));
    QCOMPARE(setup.firstChildElement(QStringLiteral("c")).attribute(QStringLiteral("channelKey")), vSetup->key);
    setup.setAttribute(QStringLiteral("transientFilter"), QStringLiteral("9999"));
    setup.setAttribute(QStringLiteral("centerFilter"), QStringLiteral("x"));
    table->parseDomElement(&setup);
    QCOMPARE(model->transientFilter->value(), 5000);
    QCOMPARE(model->centerFilter->value(), 0);
    QCOMPARE(table->listChannelKeys().size(), qsizetype(3));

    // Copy of rows 0 ... 1 and columns 0 ... 1; a hidden middle column.
    table->view->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(1, 1)),
                                          QItemSelectionModel::ClearAndSelect);
    model->copyToClipboard(table->view);
    QCOMPARE(QApplication::clipboard()->text(),
             vSetup->getLabelString(12) + QLatin1Char('\t') + vSetup->getLabelString(25) + QLatin1Char('\n')
                 + vSetup->getLabelString(10) + QLatin1Char('\t') + vSetup->getLabelString(20) + QLatin1Char('\n'));
    table->view->setColumnHidden(0, true);
    table->view->setColumnHidden(1, true);
    model->copyToClipboard(table->view);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("\n\n"));
    // The report fragment by name, as the report tags call it.
    QString byName;
    QVERIFY(QMetaObject::invokeMethod(table, "generateReportTable", Qt::DirectConnection, Q_RETURN_ARG(QString, byName)));
    QCOMPARE(byName, table->generateReportTable());
    runs->removeAllRuns();
    table->closeMdi();
}

void TestAnalysisWidgets::imageWidget()
{
    // Three pictures (one not a picture) and a setup read while visible.
    QStringList files;
    for (int i = 0; i < 2; ++i) {
        QImage image(40 + i * 20, 30, QImage::Format_RGB32);
        image.fill(i ? Qt::red : Qt::blue);
        files.append(dir.filePath(QStringLiteral("p%1.png").arg(i)));
        QVERIFY(image.save(files.last()));
    }
    files.insert(1, dir.filePath(QStringLiteral("not-a-picture.png")));
    {
        QFile bad(files.at(1));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("text");
    }
    parent->show();
    auto* image = static_cast<AMdiImage*>(desktop->addWidget(AMdiWidgetType_image, QRect(0, 0, 200, 100), false));
    QVERIFY(image);
    QTRY_VERIFY(image->isVisible());
    // Shown for the first time: the resize shows the (missing) picture.
    QTRY_COMPARE(image->label->text(), QStringLiteral("Select images"));
    auto setupWith = [](const QStringList& names, const QString& swapTime) {
        QDomDocument document;
        QDomElement setup = document.createElement(QStringLiteral("setup"));
        for (const QString& name : names) {
            QDomElement e = document.createElement(QStringLiteral("image"));
            e.setAttribute(QStringLiteral("src"), name);
            setup.appendChild(e);
        }
        setup.appendChild(document.createElement(QStringLiteral("other")));
        if (!swapTime.isNull())
            setup.setAttribute(QStringLiteral("swapTime"), swapTime);
        document.appendChild(setup);
        return document;
    };
    QDomDocument document = setupWith(files, QStringLiteral("300"));
    QDomElement setup = document.documentElement();
    image->parseDomElement(&setup);
    QCOMPARE(image->fileNames, files);
    QCOMPARE(image->swapTimer->interval(), 500);
    QVERIFY(image->swapTimer->isActive());
    // The index advances before showing: the second file, not a picture.
    QCOMPARE(image->currentIndex, 1);
    QCOMPARE(image->label->text(), QStringLiteral("Invalid image"));
    image->slot_swapTick(true);
    QVERIFY(!image->label->pixmap().isNull());
    image->slot_swapTick(true);
    QCOMPARE(image->currentIndex, 0);
    // Hidden: a tick changes nothing.
    image->hide();
    image->slot_swapTick(true);
    QCOMPARE(image->currentIndex, 0);
    image->show();

    // Written back as read, swap time included.
    QDomDocument out;
    QDomElement written = out.createElement(QStringLiteral("setup"));
    image->writeToDomElement(&written);
    QCOMPARE(written.attribute(QStringLiteral("swapTime")), QStringLiteral("500"));
    QCOMPARE(written.elementsByTagName(QStringLiteral("image")).size(), 3);

    // One file: shown, and the timer stops. 2000 ms kept, a missing value gives 500.
    auto* single = static_cast<AMdiImage*>(desktop->addWidget(AMdiWidgetType_image, QRect(0, 0, 200, 100), false));
    QTRY_VERIFY(single->isVisible());
    QDomDocument one = setupWith({files.first()}, QStringLiteral("2000"));
    QDomElement oneSetup = one.documentElement();
    single->parseDomElement(&oneSetup);
    QCOMPARE(single->swapTimer->interval(), 2000);
    QVERIFY(!single->swapTimer->isActive());
    QVERIFY(!single->label->pixmap().isNull());
    auto* noTime = new AMdiImage(desktop);
    QDomDocument none = setupWith({}, QString());
    QDomElement noneSetup = none.documentElement();
    noTime->parseDomElement(&noneSetup);
    QCOMPARE(noTime->swapTimer->interval(), 500);
    delete noTime;

    // The dialog closed at once: 2345 ms show as 2.3 s and come back as 2300;
    // an empty line between two names yields two files.
    QDomDocument odd = setupWith(files, QStringLiteral("2345"));
    QDomElement oddSetup = odd.documentElement();
    image->fileNames.clear();
    image->parseDomElement(&oddSetup);
    QCOMPARE(image->swapTimer->interval(), 2345);
    answerer->respond = [&files](QDialog* dialog) {
        if (auto* text = dialog->findChild<QPlainTextEdit*>())
            text->setPlainText(files.at(0) + QStringLiteral("\n\n") + files.at(2));
        return int(QDialog::Rejected);
    };
    image->slot_configureWidget();
    answerer->respond = nullptr;
    QCOMPARE(image->swapTimer->interval(), 2300);
    QCOMPARE(image->fileNames, (QStringList{files.at(0), files.at(2)}));

    // Large pictures are decoded at most at the size given.
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(Qt::green);
    const QString bigPath = dir.filePath(QStringLiteral("big.jpg"));
    QVERIFY(big.save(bigPath));
    QCOMPARE(AMdiImage::loadPicture(bigPath, QSize(800, 480)).size(), QSize(640, 480));
    QCOMPARE(AMdiImage::loadPicture(files.first(), QSize(800, 480)).size(), QSize(40, 30));
    single->closeMdi();
    image->closeMdi();
    parent->hide();
}
