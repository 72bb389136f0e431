// The analysis desktop widgets on hand-made runs: the result table's step
// search as a table of cases, its cells, outputs and hidden columns; the main
// and user graph's curves, readouts and ranges; the CSV export options and the
// CSV vector importer.
#include "AMdiMainGraph.h"
#include "AMdiMainGraphItem.h"
#include "AMdiResultTable.h"
#include "AMdiResultTableModel.h"
#include "AMdiTableModelItem.h"
#include "AMdiUserGraph.h"
#include "AMdiUserGraphItem.h"
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

// A run of given samples at 1 Hz: time 0, 1, 2 ..., selection in samples.
RunData* makeRun(const QString& name, const QMap<ChannelId, QList<double>>& samples, int first, int last)
{
    auto* run = new RunData(QStringLiteral("/nonexistent/%1.h5").arg(name), true);
    int n = 0;
    for (const QList<double>& v : samples)
        n = std::max<int>(n, int(v.size()));
    auto* time = new VectorChannel(1.0, keyOf(ChannelId_time), QStringLiteral("Time"), Quantity::Time, n, nullptr);
    for (int i = 0; i < n; ++i)
        (*time->getRawData())[i] = i;
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
