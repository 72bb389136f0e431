// The stock analysis desktop on three runs recorded by the real program on
// the simulated dyno: every widget kind comes up from the stock file and
// follows the run list; cursors move the colour map's cross-hair.
//
// With ZEMBO_ANALYSIS_OUT set, the colour map's and the X-Y table's inputs and
// cells go to colormap.json and xytable.json there (check_binning.py
// recomputes them with numpy and scipy); with ZEMBO_SHOT_DIR set, pictures of
// the desktop and of an image widget go there.
#include "AMdiColorMap.h"
#include "AMdiImage.h"
#include "AMdiMainGraph.h"
#include "AMdiResultTable.h"
#include "AMdiResultTableModel.h"
#include "AMdiUserGraph.h"
#include "AMdiXYTable.h"
#include "AMdiXYTableModel.h"
#include "AnalyzeMdi.h"
#include "ChannelSetup.h"
#include "ColorMapTrackingLine.h"
#include "ComparePlotAxis.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "OpenedRunsManager.h"
#include "RecordingAnswerer.h"
#include "RunAnalysisOptions.h"
#include "RunData.h"
#include "RunFileTestSupport.h"
#include "SettingsFixture.h"
#include "VectorChannel.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <qcustomplot.h>

#include <cmath>

namespace {

struct Options : RunAnalysisOptions {
    int masterChannel() const override { return 0; }
    bool developerMode() const override { return false; }
};

QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

QJsonArray samples(const QList<double>& v, int first, int last)
{
    QJsonArray out;
    for (int i = first; i <= last && i < v.size(); ++i)
        out.append(number(v.at(i)));
    return out;
}

void writeJson(const QString& name, const QJsonObject& object)
{
    const QString folder = qEnvironmentVariable("ZEMBO_ANALYSIS_OUT");
    if (folder.isEmpty())
        return;
    QFile file(QDir(folder).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void shoot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZEMBO_SHOT_DIR");
    if (!folder.isEmpty())
        QVERIFY(widget->grab().save(QDir(folder).filePath(name)));
}

template<class T> T* findWidget(AbstractMdi* desktop)
{
    for (AbstractMdiWidget* w : desktop->widgets) {
        if (auto* found = qobject_cast<T*>(w))
            return found;
    }
    return nullptr;
}

} // namespace

class TestAnalysisDesktop : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void stockDesktop();

private:
    QTemporaryDir dir;
    Options options;
    RecordingAnswerer* answerer = nullptr;
    std::unique_ptr<SettingsFixture> settings;
    std::unique_ptr<RunFileTest::Database> database;
    QSplitter* window = nullptr;
};

void TestAnalysisDesktop::initTestCase()
{
    const QDir fixtures(qEnvironmentVariable("ZEMBO_FIXTURE_RUNS"));
    QVERIFY2(fixtures.exists(QStringLiteral("pull-1.h5")), "fixture runs missing (fixture_runs_* tests)");
    RunFileTest::prepareProcess();
    settings = std::make_unique<SettingsFixture>(3);
    QVERIFY(settings->start());
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("projects2.db")));
    RunAnalysisOptions::install(&options);
    answerer = new RecordingAnswerer;
    DialogAnswerer::install(answerer);
    for (const QString& name : {QStringLiteral("pull-1.h5"), QStringLiteral("pull-2.h5"), QStringLiteral("rollers-1.h5")})
        QVERIFY(QFile::copy(fixtures.filePath(name), dir.filePath(name)));
}

void TestAnalysisDesktop::cleanupTestCase()
{
    delete window;
    theOpenedRunsManager.closeAllRuns();
    RunAnalysisOptions::install(nullptr);
    DialogAnswerer::install(nullptr);
    delete answerer;
    database.reset();
    settings.reset();
}

void TestAnalysisDesktop::stockDesktop()
{
    window = new QSplitter(Qt::Vertical);
    window->resize(1850, 900);
    auto* runs = new LoadedRunListModel(window);
    auto* view = new QTableView(window);
    view->setModel(runs);
    runs->setView(view);
    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(runs, view->selectionModel());
    auto* manager = new MdiManager(window, MdiType_analyze);
    window->addWidget(view);
    window->addWidget(manager);
    window->setSizes({180, 720});
    AbstractMdi* desktop =
        manager->newMdi(QStringLiteral("desktop"), QStringLiteral(":/resources/desktops_analyze/defaultMdi.xml"), false);
    QVERIFY(desktop);
    QCOMPARE(desktop->widgets.size(), 5);
    auto* map = findWidget<AMdiColorMap>(desktop);
    auto* xy = findWidget<AMdiXYTable>(desktop);
    auto* result = findWidget<AMdiResultTable>(desktop);
    QVERIFY(map && xy && result && findWidget<AMdiMainGraph>(desktop) && findWidget<AMdiUserGraph>(desktop));
    QCOMPARE(map->leftAxis->getChannelKey(), QStringLiteral("engine_speed_ω"));
    QCOMPARE(map->bottomAxis->binCount, 100);
    QVERIFY(xy->model->invertY);

    // Bins for the X-Y table (display units: rpm and PS).
    ChannelSetup* speed = xy->model->channelSetup(XYMapAxis_bottom);
    ChannelSetup* power = xy->model->channelSetup(XYMapAxis_left);
    QVERIFY(speed && power && xy->model->channelSetup(XYMapAxis_value));
    speed->bins.clear();
    for (int rpm = 1000; rpm <= 7000; rpm += 500)
        speed->bins.append(rpm);
    power->bins.clear();
    for (int ps = 0; ps <= 300; ps += 20)
        power->bins.append(ps);

    for (const QString& name : {QStringLiteral("pull-1.h5"), QStringLiteral("pull-2.h5"), QStringLiteral("rollers-1.h5")})
        QVERIFY2(runs->newRunFromFile(dir.filePath(name), true), qPrintable(name));
    QCOMPARE(runs->rowCount(), 3);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    view->selectAll();
    result->model->diffMode = true;
    QTRY_VERIFY(map->recalculationCount > 0 && !map->recalculationPending && !xy->recalculationPending);
    map->recalculate();
    xy->recalculate();
    result->recalculate();
    QVERIFY(map->messageLabel->isHidden());
    QVERIFY(xy->model->infoLabel->isHidden());

    // A cursor on the first run half-way through its selection: the cross-hair
    // sits on that run's values.
    RunData* run = runs->runAt(0);
    const auto [first, last] = run->getSelectionIndexes();
    const QList<double>& t = run->getMainTimeVector()->rawSamples();
    Q_EMIT runs->signal_trackingLineSync(run, t.at((first + last) / 2));
    QTRY_VERIFY(map->trackingLine->isVisible());
    QVERIFY(map->trackingLine->cursorPoint().x() > 0);
    QTest::qWait(100);
    shoot(window, QStringLiteral("analysis_desktop.png"));

    // The colour map's inputs and cells, for numpy.
    {
        QJsonObject out;
        const int nx = map->bottomAxis->binCount;
        const int ny = map->leftAxis->binCount;
        out[QStringLiteral("nx")] = nx;
        out[QStringLiteral("ny")] = ny;
        out[QStringLiteral("x_range")] = QJsonArray{map->bottomRange[0], map->bottomRange[1]};
        out[QStringLiteral("y_range")] = QJsonArray{map->leftRange[0], map->leftRange[1]};
        QJsonArray inputs;
        for (int row = 0; row < runs->rowCount(); ++row) {
            RunData* r = runs->runAt(row);
            const auto [a, b] = r->getSelectionIndexes();
            QJsonObject one;
            one[QStringLiteral("x")] = samples(*r->getChannelByAnalyzeKey(map->bottomAxis->getChannelKey())->getTranslatedData(), a, b);
            one[QStringLiteral("y")] = samples(*r->getChannelByAnalyzeKey(map->leftAxis->getChannelKey())->getTranslatedData(), a, b);
            one[QStringLiteral("c")] = samples(*r->getChannelByAnalyzeKey(map->colorAxis->getChannelKey())->getTranslatedData(), a, b);
            inputs.append(one);
        }
        out[QStringLiteral("runs")] = inputs;
        QJsonArray cells;
        QCPColorMapData* data = map->colorMap->data();
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                cells.append(number(data->cell(i, j)));
        out[QStringLiteral("cells")] = cells;
        writeJson(QStringLiteral("colormap.json"), out);
    }
    // The X-Y table's (filters off), for scipy.
    {
        AMdiXYTableModel* model = xy->model;
        QJsonObject out;
        QJsonArray xBins, yBins;
        for (double b : speed->bins)
            xBins.append(b);
        for (double b : power->bins)
            yBins.append(b);
        out[QStringLiteral("x_bins")] = xBins;
        out[QStringLiteral("y_bins")] = yBins;
        QJsonArray inputs;
        for (int row = 0; row < runs->rowCount(); ++row) {
            RunData* r = runs->runAt(row);
            const auto [a, b] = r->getSelectionIndexes();
            QJsonObject one;
            one[QStringLiteral("x")] = samples(*r->getChannelByAnalyzeKey(speed->key)->getTranslatedData(), a, b);
            one[QStringLiteral("y")] = samples(*r->getChannelByAnalyzeKey(power->key)->getTranslatedData(), a, b);
            one[QStringLiteral("v")] = samples(
                *r->getChannelByAnalyzeKey(model->channelSetup(XYMapAxis_value)->key)->getTranslatedData(), a, b);
            inputs.append(one);
        }
        out[QStringLiteral("runs")] = inputs;
        QJsonArray cells;
        for (double v : model->cells)
            cells.append(number(v));
        out[QStringLiteral("cells")] = cells;
        writeJson(QStringLiteral("xytable.json"), out);
    }

    // An image widget with a picture of the desktop itself.
    const QString picture = dir.filePath(QStringLiteral("desktop.png"));
    QVERIFY(window->grab().save(picture));
    auto* image = static_cast<AMdiImage*>(desktop->addWidget(AMdiWidgetType_image, QRect(950, 310, 460, 340), false));
    image->fileNames = {picture};
    image->updatePixmaps();
    QTRY_VERIFY(image->isVisible());
    image->slot_swapTick(false);
    QVERIFY(!image->label->pixmap().isNull());
    QTest::qWait(100);
    shoot(window, QStringLiteral("analysis_image.png"));
    runs->removeAllRuns();
}

QTEST_MAIN(TestAnalysisDesktop)
#include "tst_analysis_desktop.moc"
