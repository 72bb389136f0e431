// The loaded-run list on runs recorded by the real program on the simulated
// dyno (copies of the fixture runs, since loading writes into a run file):
// loading and its failures, sort keys, sorting and dropping, colours and line
// styles of the row positions, menus and double clicks, the run actions that
// reach tools above the analysis, and the analysis desktops' print ids and
// queued recalculation.
//
// With ZEMBO_ANALYSIS_OUT set, loadFixtureRuns also writes the sort keys of
// columns 8 ... 22 (check_sort_keys.py compares them with h5py).
#include "AMdiMainGraph.h"
#include "AMdiUserGraph.h"
#include "AnalysisHooks.h"
#include "AnalyzeMdi.h"
#include "ChannelSetup.h"
#include "ComparePlot.h"
#include "ComparePlotAxis.h"
#include "DelayedDoubleSpinBox.h"
#include "DetachedProcessLauncher.h"
#include "DynoSetting.h"
#include "DynoSettings.h"
#include "LoadedRunListModel.h"
#include "MdiManager.h"
#include "MySettings.h"
#include "OpenedRunsManager.h"
#include "RecordingAnswerer.h"
#include "RunAnalysisOptions.h"
#include "RunData.h"
#include "RunDataHooks.h"
#include "RunFileTestSupport.h"
#include "SettingsFixture.h"
#include "FFTDialog.h"
#include "HeaderProxyStyle.h"
#include "LoadedRunsViewDelegate.h"
#include "RollerSignalAnalyzer.h"
#include "SpeedRatioDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

struct Options : RunAnalysisOptions {
    int master = 0;
    bool developer = false;
    int masterChannel() const override { return master; }
    bool developerMode() const override { return developer; }
};

// The inertia calibration tool of the layer above, as a window that keeps
// the runs it was given and checks that they still hold their vectors.
struct CalibrationStandIn {
    QList<RunData*> runs;
    int opened = 0;
    bool vectorsGoneWhileHeld = false;
};

// The run table's pieces as the report prints them, put together here from
// the table's own texts.
const QString kStyle = QStringLiteral(
    "<style>table.runtable{\tborder-collapse: collapse;\tfont-size: 8pt;}table.runtable td{\twhite-space: "
    "nowrap;\tpadding-left: 7px;\tpadding-right: 7px;\tpadding-top: 4px;\tpadding-bottom: 4px;\tvertical-align: "
    "middle;}table.runtable tr.header td{\tfont-weight: bold;\tpadding: 7px;\tbackground-color: "
    "#F2F2F2;}table.runtable tr.header td.nocurve{\ttext-align: center;\tvertical-align: middle;}</style>");

QString legendCell(const QString& colour, const QString& border, const QString& content)
{
    return QStringLiteral("<td style='font-weight: bold; color: ") + colour
        + QStringLiteral("; background-color: white; text-align: center; border-bottom-style: ") + border
        + QStringLiteral("; border-bottom-color: ") + colour
        + QStringLiteral("; border-bottom-width: 1px; border-left: solid white 1px;'>") + content
        + QStringLiteral("</td>");
}

QString headerRow(const LoadedRunListModel& model, const QList<int>& columns)
{
    QString html = QStringLiteral("<tr class='header'>");
    for (int c : columns)
        html += QStringLiteral("<td class='nocurve'>")
            + model.headerData(c, Qt::Horizontal).toString().replace(QLatin1Char('\n'), QStringLiteral("<br>"))
            + QStringLiteral("</td>");
    return html + QStringLiteral("</tr>");
}

QString centred(const QString& text)
{
    return QStringLiteral("<td style='text-align: center;'>") + text + QStringLiteral("</td>");
}

QStringList fileOrder(const LoadedRunListModel& model)
{
    QStringList names;
    for (const RunData* run : model.runs())
        names.append(QFileInfo(run->fileName).fileName());
    return names;
}

} // namespace

class TestLoadedRuns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void loadFixtureRuns();
    void loadFailures();
    void sorting_data();
    void sorting();
    void sortKeepsColoursAndResetsFlags();
    void dropping();
    void colourAndStyleKeys();
    void menus();
    void deleteAndDoubleClicks();
    void calibrationAndMail();
    void printIdsAndQueuedRecalculation();
    void speedRatioDialog();
    void reportRunTable();
    void reportLegends();
    void speedSignalAnalyzer();
    void screenshots();

private:
    QString fixture(const QString& name) const;
    void loadAll(const QStringList& names);
    void contextMenuAt(const QPoint& viewportPos);

    QTemporaryDir dir;
    Options options;
    RecordingAnswerer* answerer = nullptr;
    std::unique_ptr<SettingsFixture> settings;
    std::unique_ptr<RunFileTest::Database> database;
    QWidget* parent = nullptr;
    LoadedRunListModel* model = nullptr;
    QTableView* view = nullptr;
    QList<float> progress;
};

QString TestLoadedRuns::fixture(const QString& name) const
{
    return dir.filePath(name);
}

void TestLoadedRuns::initTestCase()
{
    const QDir fixtures(qEnvironmentVariable("ZEMBO_FIXTURE_RUNS"));
    QVERIFY2(fixtures.exists(QStringLiteral("pull-1.h5")), "fixture runs missing (fixture_runs_* tests)");
    RunFileTest::prepareProcess();
    settings = std::make_unique<SettingsFixture>(3);
    QVERIFY(settings->start());
    database = std::make_unique<RunFileTest::Database>(dir.filePath(QStringLiteral("projects2.db")));
    RunAnalysisOptions::install(&options);
    answerer = new RecordingAnswerer;
    // Five runs: the three recordings and two more copies of the first pull.
    const QStringList sources = {QStringLiteral("pull-1.h5"), QStringLiteral("pull-2.h5"),
                                 QStringLiteral("rollers-1.h5"), QStringLiteral("pull-1.h5"),
                                 QStringLiteral("pull-1.h5")};
    for (int i = 0; i < sources.size(); ++i)
        QVERIFY(QFile::copy(fixtures.filePath(sources.at(i)), fixture(QStringLiteral("run%1.h5").arg(i + 1))));
    RunDataHooks::instance().taskProgress = [this](float f) { progress.append(f); };
    parent = new QWidget;
}

void TestLoadedRuns::cleanupTestCase()
{
    delete parent;
    theOpenedRunsManager.closeAllRuns();
    RunDataHooks::instance().taskProgress = nullptr;
    RunAnalysisOptions::install(nullptr);
    delete answerer;
    database.reset();
    settings.reset();
}

void TestLoadedRuns::init()
{
    delete view;
    delete model;
    theSettings.remove(QStringLiteral("AnalyzeColorSetup"));
    theSettings.remove(QStringLiteral("AnalyzeLineStyleSetup"));
    model = new LoadedRunListModel(parent);
    view = new QTableView(parent);
    view->setModel(model);
    view->installEventFilter(model);
    view->viewport()->installEventFilter(model);
    model->setView(view);
    view->resize(1400, 400);
    answerer->shown.clear();
    answerer->menus.clear();
    answerer->menuChoice.clear();
    answerer->respond = nullptr;
    answerer->result = 0;
    progress.clear();
    options.master = 0;
    options.developer = false;
}

void TestLoadedRuns::loadAll(const QStringList& names)
{
    for (const QString& name : names)
        QVERIFY2(model->newRunFromFile(fixture(name), true), qPrintable(name));
}

void TestLoadedRuns::loadFixtureRuns()
{
    QSignalSpy counts(model, &LoadedRunListModel::signal_runCountChanged);
    QSignalSpy resets(model, &LoadedRunListModel::signal_resetSortOrderIndicator);
    for (int i = 1; i <= 3; ++i) {
        progress.clear();
        RunData* run = model->newRunFromFile(fixture(QStringLiteral("run%1.h5").arg(i)), true);
        QVERIFY(run);
        QVERIFY(run->calculated);
        QCOMPARE(progress, (QList<float>{0.0f, 0.3f, 0.6f, 1.0f}));
        QCOMPARE(counts.last(), (QList<QVariant>{i, i - 1}));
    }
    QCOMPARE(resets.size(), 3);
    QCOMPARE(model->rowCount(), 3);
    QVERIFY(answerer->shown.isEmpty());
    QCOMPARE(model->getLastRunData(), model->runAt(2));
    QVERIFY(model->isRunLoaded(fixture(QStringLiteral("run2.h5"))));
    QVERIFY(!model->isRunVisible(3));

    // "@" and the engine speed only while the master channel is engine speed.
    for (int column = LoadedRunListField::PeakLossPower; column <= LoadedRunListField::PeakEngineTorque; ++column) {
        options.master = 0;
        QVERIFY(model->index(0, column).data().toString().contains(QLatin1Char('@')));
        options.master = 1;
        QVERIFY(!model->index(0, column).data().toString().contains(QLatin1Char('@')));
    }
    options.master = 0;

    // The sort keys for the check against h5py.
    const QString out = qEnvironmentVariable("ZEMBO_ANALYSIS_OUT");
    if (!out.isEmpty()) {
        // The runs as they are now, kept beyond this test's folder.
        for (int row = 0; row < 3; ++row) {
            model->runAt(row)->flushFile();
            const QString& file = model->runAt(row)->fileName;
            QVERIFY(QFile::copy(file, QDir(out).filePath(QFileInfo(file).fileName())));
        }
        QFile keys(QDir(out).filePath(QStringLiteral("sortkeys.tsv")));
        QVERIFY(keys.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream stream(&keys);
        for (int row = 0; row < 3; ++row) {
            for (int column = LoadedRunListField::PeakLossPower; column <= LoadedRunListField::PeakEngineSpeed;
                 ++column) {
                const QVariant key = model->index(row, column).data(LoadedRunListModel::SortRole);
                stream << QDir(out).filePath(QFileInfo(model->runAt(row)->fileName).fileName()) << '\t' << column
                       << '\t'
                       << (key.typeId() == QMetaType::QString ? QStringLiteral("s:") + key.toString()
                                                               : QString::number(key.toDouble(), 'g', 17))
                       << '\n';
            }
        }
    }
}

void TestLoadedRuns::loadFailures()
{
    loadAll({QStringLiteral("run1.h5")});
    QSignalSpy counts(model, &LoadedRunListModel::signal_runCountChanged);

    // The same file again: refused before anything happens.
    progress.clear();
    QVERIFY(!model->newRunFromFile(fixture(QStringLiteral("run1.h5")), true));
    QCOMPARE(answerer->shown.last().text, QStringLiteral("File already opened in this session"));
    QVERIFY(progress.isEmpty());

    // A missing file.
    const QString missing = fixture(QStringLiteral("missing.h5"));
    QVERIFY(!model->newRunFromFile(missing, true));
    QCOMPARE(answerer->shown.last().text, QStringLiteral("Error opening run data file\n") + missing);
    QCOMPARE(progress.last(), 1.0f);

    // A truncated file (cut where a copy or a power cut may leave it): no row,
    // and null, so nobody takes the previous run for this one.
    const QString truncated = fixture(QStringLiteral("truncated.h5"));
    {
        QFile source(fixture(QStringLiteral("run2.h5")));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile target(truncated);
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write(source.read(source.size() / 3));
    }
    answerer->shown.clear();
    QVERIFY(!model->newRunFromFile(truncated, true));
    QVERIFY(!answerer->shown.isEmpty());
    QCOMPARE(progress.last(), 1.0f);
    QCOMPARE(model->rowCount(), 1);
    QVERIFY(counts.isEmpty());
    if (RunData* cached = theOpenedRunsManager.cache.value(truncated))
        QVERIFY(cached->frames.recordCount(FrameId_ambient) == 0);
}

void TestLoadedRuns::sorting_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("names");    // set as run names (column 24) first, when given
    QTest::addColumn<QStringList>("expected"); // file order afterwards

    const QStringList loaded = {QStringLiteral("run1.h5"), QStringLiteral("run2.h5"), QStringLiteral("run3.h5")};
    // Equal keys (no run bold) come out in reverse of their order.
    QTest::newRow("equal keys reversed") << 1 << int(Qt::AscendingOrder) << QStringList()
                                         << QStringList{QStringLiteral("run3.h5"), QStringLiteral("run2.h5"),
                                                        QStringLiteral("run1.h5")};
    QTest::newRow("strings by code unit") << 24 << int(Qt::AscendingOrder)
                                          << QStringList{QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a")}
                                          << QStringList{QStringLiteral("run2.h5"), QStringLiteral("run3.h5"),
                                                         QStringLiteral("run1.h5")};
    QTest::newRow("strings descending") << 24 << int(Qt::DescendingOrder)
                                        << QStringList{QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("a")}
                                        << QStringList{QStringLiteral("run1.h5"), QStringLiteral("run3.h5"),
                                                       QStringLiteral("run2.h5")};
    for (int column : {4, 5, 6, 7, 26})
        QTest::newRow(qPrintable(QStringLiteral("column %1 unsortable").arg(column)))
            << column << int(Qt::AscendingOrder) << QStringList() << loaded;
}

void TestLoadedRuns::sorting()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5"), QStringLiteral("run3.h5")});
    for (int row = 0; row < names.size(); ++row)
        QVERIFY(model->setData(model->index(row, LoadedRunListField::Name), names.at(row)));
    QSignalSpy resets(model, &LoadedRunListModel::signal_resetSortOrderIndicator);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    model->sort(column, Qt::SortOrder(order));
    QCOMPARE(fileOrder(*model), expected);
    const bool unsortable = (column >= 4 && column <= 7) || column == 26;
    QCOMPARE(resets.size(), unsortable ? 1 : 0);
    QCOMPARE(removed.isEmpty(), unsortable);
}

void TestLoadedRuns::sortKeepsColoursAndResetsFlags()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5")});
    const QColor red(255, 0, 0);
    model->setColor(0, LoadedRunListField::PeakEnginePower, red);
    model->setLineStyle(0, LoadedRunListField::PeakEnginePower, Qt::DashLine);
    model->setData(model->index(0, LoadedRunListField::Bold), true);
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::PeakWheelPower));
    QVERIFY(!model->isFieldVisible(1, LoadedRunListField::PeakWheelPower));
    RunData* first = model->runAt(0);
    model->sort(LoadedRunListField::Bold, Qt::AscendingOrder); // bold run goes last
    QCOMPARE(model->runAt(1), first);
    QVERIFY(!model->isRunBold(1));
    QVERIFY(model->isFieldVisible(0, LoadedRunListField::PeakWheelPower));
    QCOMPARE(model->getColor(0, LoadedRunListField::PeakEnginePower), red);
    QCOMPARE(model->getLineStyle(0, LoadedRunListField::PeakEnginePower), Qt::DashLine);
    QCOMPARE(model->index(0, LoadedRunListField::PeakEnginePower).data(Qt::BackgroundRole).value<QBrush>().color(),
             red);

    // Removing row 0 gives the run that moves up row 0's colours.
    model->removeRows(0, 1);
    QCOMPARE(model->getColor(0, LoadedRunListField::PeakEnginePower), red);
    QCOMPARE(model->runAt(0), first);
}

void TestLoadedRuns::dropping()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5"), QStringLiteral("run3.h5")});
    const QStringList before = fileOrder(*model);

    // Foreign data, unknown files and a malformed stream change nothing.
    QMimeData text;
    text.setText(QStringLiteral("run3.h5"));
    QVERIFY(!model->dropMimeData(&text, Qt::MoveAction, 0, 0, QModelIndex()));
    QByteArray foreign;
    {
        QDataStream stream(&foreign, QIODevice::WriteOnly);
        stream << fixture(QStringLiteral("run4.h5")) << QStringLiteral("/etc/passwd");
    }
    QMimeData other;
    other.setData(QStringLiteral("application/loadedRun"), foreign);
    QVERIFY(!model->dropMimeData(&other, Qt::MoveAction, 0, 0, QModelIndex()));
    QVERIFY(!model->isRunLoaded(fixture(QStringLiteral("run4.h5"))));
    QMimeData broken;
    broken.setData(QStringLiteral("application/loadedRun"), QByteArray("\x00\x00\x10\x00xy", 6));
    QVERIFY(!model->dropMimeData(&broken, Qt::MoveAction, 0, 0, QModelIndex()));
    QCOMPARE(fileOrder(*model), before);
    QVERIFY(model->dropMimeData(&text, Qt::IgnoreAction, 0, 0, QModelIndex()));

    // Row 2 dragged above row 0.
    std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(2, 5), model->index(2, 9)}));
    QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, 0, 0, QModelIndex()));
    QCOMPARE(fileOrder(*model), (QStringList{QStringLiteral("run3.h5"), QStringLiteral("run1.h5"),
                                             QStringLiteral("run2.h5")}));
    // Row 0 dropped at the end (row -1, no parent).
    dragged.reset(model->mimeData({model->index(0, 1)}));
    QVERIFY(model->dropMimeData(dragged.get(), Qt::MoveAction, -1, -1, QModelIndex()));
    QCOMPARE(fileOrder(*model), (QStringList{QStringLiteral("run1.h5"), QStringLiteral("run2.h5"),
                                             QStringLiteral("run3.h5")}));

}

void TestLoadedRuns::colourAndStyleKeys()
{
    // Fresh settings: the first run writes row 0 with nothing set.
    loadAll({QStringLiteral("run1.h5")});
    QCOMPARE(theSettings.value(QStringLiteral("AnalyzeColorSetup/row0")).toStringList(),
             QStringList(27, QStringLiteral("#xxxxxx")));
    QCOMPARE(theSettings.value(QStringLiteral("AnalyzeLineStyleSetup/row0")).toStringList(),
             QStringList(27, QStringLiteral("0")));
    QCOMPARE(model->getColor(0, LoadedRunListField::LeftInnerAxis), QColor::fromHsv(240, 255, 120, 255));
    QCOMPARE(model->getColor(0, LoadedRunListField::PeakLossPower), QColor::fromHsv(120, 255, 120, 255));
    QCOMPARE(model->getColor(0, LoadedRunListField::Name), QColor(Qt::white));
    QCOMPARE(model->getLineStyle(0, LoadedRunListField::PeakEnginePower), Qt::SolidLine);

    // A colour set on row 0 is copied into the row of the next run.
    model->setColor(0, LoadedRunListField::PeakEnginePower, QColor(1, 2, 3));
    loadAll({QStringLiteral("run2.h5")});
    QCOMPARE(model->getColor(1, LoadedRunListField::PeakEnginePower), QColor(1, 2, 3));
    QCOMPARE(theSettings.value(QStringLiteral("AnalyzeColorSetup/row1")).toStringList().at(10),
             QStringLiteral("#010203"));

    // Stored tables: a short row, styles out of range, a gap that ends the table.
    theSettings.setValue(QStringLiteral("AnalyzeColorSetup/row0"), QStringList(20, QStringLiteral("#00ff00")));
    theSettings.remove(QStringLiteral("AnalyzeColorSetup/row1"));
    theSettings.setValue(QStringLiteral("AnalyzeColorSetup/row2"), QStringList(27, QStringLiteral("#0000ff")));
    QStringList styles(27, QStringLiteral("6"));
    styles[9] = QStringLiteral("2");
    styles[10] = QStringLiteral("x");
    theSettings.setValue(QStringLiteral("AnalyzeLineStyleSetup/row0"), styles);
    LoadedRunListModel stored(parent);
    QCOMPARE(stored.colorTableRows(), 1);
    QCOMPARE(stored.getColor(0, LoadedRunListField::LeftInnerAxis), QColor(0, 255, 0));
    QCOMPARE(stored.getColor(0, LoadedRunListField::PeakEngineTorque), QColor(0, 255, 0));
    QCOMPARE(stored.getColor(2, LoadedRunListField::PeakEngineTorque), QColor::fromHsv(240, 255, 120, 255));
    QCOMPARE(stored.getLineStyle(0, LoadedRunListField::PeakLossPower), Qt::SolidLine);
    QCOMPARE(stored.getLineStyle(0, LoadedRunListField::PeakWheelPower), Qt::DashLine);
    QCOMPARE(stored.getLineStyle(0, LoadedRunListField::PeakEnginePower), Qt::SolidLine);
    stored.setColor(0, LoadedRunListField::Comment, QColor(9, 9, 9));
    const QStringList written = theSettings.value(QStringLiteral("AnalyzeColorSetup/row0")).toStringList();
    QCOMPARE(written.size(), 27);
    QCOMPARE(written.at(25), QStringLiteral("#090909"));
    QCOMPARE(written.at(20), QStringLiteral("#xxxxxx"));

    // A column's colour reaches every stored row, not only the loaded ones;
    // a cancelled dialog changes nothing.
    answerer->result = QDialog::Rejected;
    stored.action_setColorForColumn(LoadedRunListField::PeakWheelPower);
    QCOMPARE(stored.getColor(0, LoadedRunListField::PeakWheelPower), QColor(0, 255, 0));
    answerer->respond = [](QDialog* dialog) {
        if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            input->setTextValue(QStringLiteral("Dot"));
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    stored.expandLineStyleTable(4);
    stored.action_setStyleForColumn(LoadedRunListField::PeakWheelPower);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(stored.getLineStyle(row, LoadedRunListField::PeakWheelPower), Qt::DotLine);
}

void TestLoadedRuns::contextMenuAt(const QPoint& viewportPos)
{
    const QPoint global = view->viewport()->mapToGlobal(viewportPos);
    QContextMenuEvent event(QContextMenuEvent::Mouse, viewportPos, global);
    QCoreApplication::sendEvent(view->viewport(), &event);
}

void TestLoadedRuns::menus()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5")});
    // Header menus through the view (the header passes its menu event on).
    model->changeColumnVisibility(LoadedRunListField::RunType, false);
    QMenu* header2 = model->buildHeaderMenu(2);
    QList<QAction*> actions = header2->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->menu()->title(), QStringLiteral("Restore column"));
    delete header2;
    QMenu* header9 = model->buildHeaderMenu(9);
    QStringList texts;
    for (QAction* action : header9->actions())
        texts.append(action->menu() ? action->menu()->title() : action->text());
    delete header9;
    QCOMPARE(texts, (QStringList{QStringLiteral("Hide in report run table"), QStringLiteral("Hide column"),
                                 QStringLiteral("Restore column"), QStringLiteral("Set color for column"),
                                 QStringLiteral("Set line style for column")}));

    // Below the last row the header menu of that column; choosing restores.
    parent->resize(1400, 500);
    parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(parent));
    const int x9 = view->columnViewportPosition(9) + 2;
    answerer->menuChoice = model->headerData(LoadedRunListField::RunType, Qt::Horizontal).toString();
    contextMenuAt(QPoint(x9, view->viewport()->height() - 3));
    QCOMPARE(answerer->menus.size(), 1);
    QCOMPARE(answerer->menus.first().first(), QStringLiteral("Hide in report run table"));
    QVERIFY(model->isColumnVisible(LoadedRunListField::RunType));
    QVERIFY(!view->isColumnHidden(LoadedRunListField::RunType));

    // Cell menu of a colour cell, with and without developer mode.
    answerer->menuChoice.clear();
    const QPoint cell(view->columnViewportPosition(9) + 2, view->rowViewportPosition(0) + 2);
    contextMenuAt(cell);
    QStringList entries = answerer->menus.last();
    QVERIFY(entries.contains(QStringLiteral("Set color for cell")));
    QVERIFY(!entries.contains(QStringLiteral("Edit dyno settings")));
    QVERIFY(!entries.contains(QStringLiteral("Send .h5 run file by e-mail")));
    options.developer = true;
    contextMenuAt(cell);
    entries = answerer->menus.last();
    QCOMPARE(entries.mid(entries.size() - 4),
             (QStringList{QStringLiteral("-"), QStringLiteral("Edit dyno settings"),
                          QStringLiteral("Update run with current dyno settings"),
                          QStringLiteral("Load dyno settings from run file")}));

    // The FFT submenu: only on 4 ... 7 and only when a graph shows a channel
    // on that axis; a channel on two graphs is listed once; main graphs only
    // for columns 5 and 7.
    AnalyzeMdi::registerAnalyzeDesktop();
    MdiManager manager(parent, MdiType_analyze);
    model->desktopManager = &manager;
    AbstractMdi* desktop = manager.newMdi(QStringLiteral("fft"), QString(), false);
    QVERIFY(desktop);
    auto* main = static_cast<AMdiMainGraph*>(desktop->addWidget(0, QRect(0, 0, 100, 100), false));
    auto* user1 = static_cast<AMdiUserGraph*>(desktop->addWidget(1, QRect(0, 200, 100, 100), false));
    auto* user2 = static_cast<AMdiUserGraph*>(desktop->addWidget(1, QRect(200, 200, 100, 100), false));
    ChannelSetup speed, power, torque;
    speed.key = QStringLiteral("dyno_speed_v");
    power.key = QStringLiteral("engine_power_P");
    torque.key = QStringLiteral("engine_torque_T");
    main->plot->axes[3]->setChannelSetup(&torque);
    main->plot->axes[0]->setChannelSetup(&power);
    user1->plot->axes[0]->setChannelSetup(&speed);
    user2->plot->axes[0]->setChannelSetup(&speed);
    user2->plot->axes[3]->setChannelSetup(&speed);
    QCOMPARE(model->fftChannelKeys(4), QStringList{QStringLiteral("dyno_speed_v")});
    QCOMPARE(model->fftChannelKeys(5), (QStringList{QStringLiteral("engine_torque_T"), QStringLiteral("dyno_speed_v")}));
    QVERIFY(model->fftChannelKeys(6).isEmpty());
    QVERIFY(model->fftChannelKeys(9).isEmpty());
    const QPoint axisCell(view->columnViewportPosition(4) + 2, view->rowViewportPosition(0) + 2);
    contextMenuAt(axisCell);
    QVERIFY(answerer->menus.last().contains(QStringLiteral("FFT frequency spectrum >")));
    const QPoint rightCell(view->columnViewportPosition(6) + 2, view->rowViewportPosition(0) + 2);
    contextMenuAt(rightCell);
    QVERIFY(!answerer->menus.last().contains(QStringLiteral("FFT frequency spectrum >")));
    model->desktopManager = nullptr;
    parent->hide();
}

void TestLoadedRuns::deleteAndDoubleClicks()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5"), QStringLiteral("run3.h5"),
             QStringLiteral("run4.h5"), QStringLiteral("run5.h5")});
    RunData* row0 = model->runAt(0);
    RunData* row3 = model->runAt(3);
    QSignalSpy removed(model, &QAbstractItemModel::rowsAboutToBeRemoved);

    // Nothing selected: Delete does nothing; other keys reach the table.
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QVERIFY(!model->eventFilter(view, &other));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QVERIFY(model->eventFilter(view, &del));
    QCOMPARE(model->rowCount(), 5);

    // Rows 1, 4 and 2 selected: removed as 4, 2, 1.
    for (int row : {1, 4, 2})
        view->selectionModel()->select(model->index(row, 5), QItemSelectionModel::Select);
    QVERIFY(model->eventFilter(view, &del));
    QCOMPARE(removed.size(), 3);
    QCOMPARE(removed.at(0).at(1).toInt(), 4);
    QCOMPARE(removed.at(1).at(1).toInt(), 2);
    QCOMPARE(removed.at(2).at(1).toInt(), 1);
    QCOMPARE(model->runs(), (QList<RunData*>{row0, row3}));
    // Freed: a run out of the list holds no vectors.
    QVERIFY(!theOpenedRunsManager.cache.value(fixture(QStringLiteral("run2.h5")))->calculated);

    // The eye cell: all curve cells off and the visibility signal.
    QSignalSpy visibility(model, &LoadedRunListModel::signal_runVisibilityChanged);
    model->slot_indexDoubleClicked(model->index(0, LoadedRunListField::Visible));
    QCOMPARE(visibility.last(), (QList<QVariant>{0, false}));
    QVERIFY(!model->isRunVisible(0));
    for (int c = LoadedRunListField::LeftInnerAxis; c <= LoadedRunListField::PeakEngineTorque; ++c)
        QVERIFY(!model->isFieldVisible(0, LoadedRunListField(c)));
    // A colour cell of an invisible run does nothing.
    model->slot_indexDoubleClicked(model->index(0, LoadedRunListField::PeakEnginePower));
    QVERIFY(!model->isFieldVisible(0, LoadedRunListField::PeakEnginePower));
    model->slot_indexDoubleClicked(model->index(0, LoadedRunListField::Visible));
    QVERIFY(model->isFieldVisible(0, LoadedRunListField::PeakEnginePower));
    model->slot_indexDoubleClicked(model->index(0, LoadedRunListField::PeakEnginePower));
    QVERIFY(!model->isFieldVisible(0, LoadedRunListField::PeakEnginePower));
    // Bold and flag toggle; the flag reaches the run.
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Bold));
    QVERIFY(model->isRunBold(1));
    QCOMPARE(model->index(1, LoadedRunListField::Bold).data().toString(), QStringLiteral("B"));
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Flagged));
    QVERIFY(row3->getRunInfoValue(RunListFields::favourite, false).toBool());
    QCOMPARE(model->index(1, LoadedRunListField::Flagged).data(Qt::ForegroundRole).value<QBrush>().color(),
             QColor(Qt::red));

    // The video cell: nothing without video; with one, the player gets the
    // path as one argument even with blanks in it.
    RecordingProcessLauncher launcher;
    DetachedProcessLauncher::setInstance(&launcher);
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Video));
    QVERIFY(launcher.calls.isEmpty());
    theSettings.mediaDir.setPath(dir.filePath(QStringLiteral("media with blanks")));
    QDir().mkpath(theSettings.mediaDir.path());
    QFile video(row3->videoFilepath());
    QVERIFY(video.open(QIODevice::WriteOnly));
    video.close();
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Video));
    DetachedProcessLauncher::setInstance(nullptr);
    QCOMPARE(launcher.calls.size(), 1);
    QCOMPARE(launcher.calls.first().program, QStringLiteral("vlc"));
    QCOMPARE(launcher.calls.first().arguments,
             (QStringList{QStringLiteral("--verbose"), QStringLiteral("0"), row3->videoFilepath()}));
}

void TestLoadedRuns::calibrationAndMail()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5"), QStringLiteral("run3.h5")});
    CalibrationStandIn tool;
    QWidget* window = nullptr;
    AnalysisHooks& hooks = AnalysisHooks::instance();
    hooks.openInertiaCalibration = [&](RunData* first, QWidget* p) {
        ++tool.opened;
        tool.runs = {first};
        window = new QWidget(p, Qt::Window);
        return window;
    };
    hooks.addToInertiaCalibration = [&](QWidget*, RunData* run) { tool.runs.append(run); };
    hooks.removeFromInertiaCalibration = [&](QWidget*, RunData* run) {
        if (!run->calculated)
            tool.vectorsGoneWhileHeld = true;
        tool.runs.removeAll(run);
    };
    model->action_doubleRampInertiaCalibration({0, 1});
    model->action_doubleRampInertiaCalibration({2});
    QCOMPARE(tool.opened, 1);
    QCOMPARE(tool.runs, (QList<RunData*>{model->runAt(0), model->runAt(1), model->runAt(2)}));

    // Closing a run the window shows: the window lets go first.
    model->removeRows(1, 1);
    QVERIFY(!tool.vectorsGoneWhileHeld);
    QCOMPARE(tool.runs.size(), 2);

    // After the window closed, the next use opens a new one.
    window->close();
    model->action_doubleRampInertiaCalibration({1});
    QCOMPARE(tool.opened, 2);
    delete window;
    hooks.openInertiaCalibration = nullptr;
    hooks.addToInertiaCalibration = nullptr;
    hooks.removeFromInertiaCalibration = nullptr;

    // Mail: an empty recipient stops before the comment; an empty comment sends.
    QList<QStringList> sent;
    hooks.mailConfigured = [] { return true; };
    hooks.sendRunFile = [&sent](const QString& to, const QString& path, const QString& comment) {
        sent.append({to, path, comment});
    };
    answerer->respond = [](QDialog* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (input && input->windowTitle() == QLatin1String("Email"))
            input->setTextValue(QString());
        return int(QDialog::Accepted);
    };
    answerer->shown.clear();
    model->action_sendRunToMail(0);
    QCOMPARE(answerer->shown.size(), 1);
    QVERIFY(sent.isEmpty());
    answerer->respond = [](QDialog* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        if (input && input->windowTitle() == QLatin1String("Email"))
            input->setTextValue(QStringLiteral("owner@example.org"));
        return int(QDialog::Accepted);
    };
    model->action_sendRunToMail(0);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first(), (QStringList{QStringLiteral("owner@example.org"), model->runAt(0)->fileName, QString()}));
    hooks.mailConfigured = nullptr;
    hooks.sendRunFile = nullptr;
}

void TestLoadedRuns::printIdsAndQueuedRecalculation()
{
    AnalyzeMdi::registerAnalyzeDesktop();
    AnalyzeMdi::setLoadedRuns(model, view->selectionModel());
    auto* manager = new MdiManager(parent, MdiType_analyze);
    parent->resize(800, 600);
    manager->resize(800, 600);
    parent->show();
    manager->show();
    AbstractMdi* first = manager->newMdi(QStringLiteral("first"), QString(), false);
    AbstractMdi* second = manager->newMdi(QStringLiteral("second"), QString(), false);
    QVERIFY(first && second);
    auto add = [](AbstractMdi* desktop, int type) {
        return static_cast<AbstractAMdiWidget*>(desktop->addWidget(type, QRect(0, 0, 200, 100), false));
    };
    // Colour maps and an image.
    AbstractAMdiWidget* m0 = add(first, 3);
    AbstractAMdiWidget* m1 = add(second, 3);
    AbstractAMdiWidget* m2 = add(first, 3);
    AbstractAMdiWidget* u0 = add(second, 5);
    QCOMPARE(QList<int>({m0->printId, m1->printId, m2->printId, u0->printId}), (QList<int>{0, 1, 2, 0}));
    QVERIFY(!first->addWidget(6, QRect(0, 0, 10, 10), false));
    m0->closeMdi();
    QTest::qWait(0);
    QCOMPARE(add(second, 3)->printId, 0);

    // Through a saved file: "printId" kept, the colour map's axes under their
    // fixed names; an imported desktop is renumbered.
    m2->printId = 7;
    QVERIFY(first->saveToFile(false));
    const QString path = first->desktopFile->fileName();
    QVERIFY(path.endsWith(QStringLiteral("desktops_analyze/first.xml")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString xml = QString::fromUtf8(file.readAll());
    QVERIFY(xml.contains(QStringLiteral("printId=\"7\"")));
    QVERIFY(xml.contains(QStringLiteral("<left ")) && xml.contains(QStringLiteral("<color ")));
    xml.replace(QStringLiteral("printId=\"7\""), QStringLiteral("printId=\"0\""));
    const QString imported = dir.filePath(QStringLiteral("imported.xml"));
    QFile out(imported);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(xml.toUtf8());
    out.close();
    AbstractMdi* third = manager->newMdi(QStringLiteral("third"), imported, true);
    QVERIFY(third);
    QCOMPARE(third->widgets.size(), 1);
    auto* importedGraph = static_cast<AbstractAMdiWidget*>(third->widgets.first());
    QCOMPARE(importedGraph->printId, 2); // 0, 1 and 7 are taken
    QVERIFY(third->saveToFile(false));
    QFile thirdFile(third->desktopFile->fileName());
    QVERIFY(thirdFile.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(thirdFile.readAll()).contains(QStringLiteral("<bottom ")));

    // Ten requests, one recalculation at the next pass of the event loop.
    manager->setCurrentWidget(second);
    QTest::qWait(50);
    auto* visible = m1;
    const int before = visible->recalculationCount;
    for (int i = 0; i < 10; ++i)
        visible->slot_queueRecalculation();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    QCOMPARE(visible->recalculationCount, before + 1);

    // On the hidden tab: pending until shown, then before its first paint.
    auto* hidden = importedGraph;
    QVERIFY(!hidden->isVisible());
    const int hiddenBefore = hidden->recalculationCount;
    hidden->slot_queueRecalculation();
    QTest::qWait(20);
    QCOMPARE(hidden->recalculationCount, hiddenBefore);
    QVERIFY(hidden->recalculationPending);
    manager->setCurrentWidget(third);
    QCOMPARE(hidden->recalculationCount, hiddenBefore + 1);
    QVERIFY(!hidden->paintedSinceRecalculation);
    QTRY_VERIFY(hidden->paintedSinceRecalculation);
    parent->hide();
    delete manager;
}

void TestLoadedRuns::speedRatioDialog()
{
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run3.h5")});
    struct Seen {
        bool shown = false;
        bool sourceRow = false;
        bool ratioEnabled = false;
        bool runTabEnabled = false;
        double ratio = 0.0;
        double peak = 0.0;
        double ratioAfterPeak = 0.0;
        double peakAfterRatio = 0.0;
    };
    Seen seen;
    // Types a peak twice as high (the ratio follows, the peak is not
    // recomputed), then a ratio (the peak follows), then sets the RUN tab.
    answerer->respond = [&seen](QDialog* dialog) {
        auto* ratioDialog = qobject_cast<SpeedRatioDialog*>(dialog);
        if (!ratioDialog)
            return 0;
        seen.shown = true;
        const QList<DelayedDoubleSpinBox*> boxes = dialog->findChildren<DelayedDoubleSpinBox*>();
        DelayedDoubleSpinBox* ratio = boxes.at(0);
        DelayedDoubleSpinBox* peak = boxes.at(2);
        seen.sourceRow = !dialog->findChild<QComboBox*>()->isHidden();
        seen.ratioEnabled = ratio->isEnabled();
        QPushButton* runTab = nullptr;
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Set this ratio in RUN tab"))
                runTab = button;
        seen.runTabEnabled = runTab->isEnabled();
        seen.ratio = ratio->value();
        seen.peak = peak->value();
        peak->setValue(2.0 * seen.peak);
        peak->slot_sendDelayedValueChanged();
        seen.ratioAfterPeak = ratio->value();
        ratio->setValue(1.25);
        ratio->slot_sendDelayedValueChanged();
        seen.peakAfterRatio = peak->value();
        runTab->click();
        return 0;
    };
    DynoSetting* liveRatio = theDynoSettings->getSetting(DynoSettingId_engineSpeedRatio, 0);
    const QVariant ratioBefore = liveRatio->value();

    // The pull: engine speed calculated from the roller with the run's ratio.
    RunData* pull = model->runAt(0);
    QCOMPARE(pull->getSettingValue(DynoSettingId_engineSpeedSource, 0, -1).toInt(), 0);
    model->action_adjustEngineSpeed(0);
    QVERIFY(seen.shown);
    QVERIFY(seen.sourceRow);
    QVERIFY(seen.ratioEnabled);
    QVERIFY(seen.runTabEnabled);
    QVERIFY(seen.peak > 0.0);
    QCOMPARE(seen.ratio, pull->getRunInfoValue(RunListFields::engineSpeedRatio, 0.0).toDouble());
    // The peak box starts at the run's recorded peak, which the road-derived
    // peak of the ratio need not equal: the ratio follows the road-derived one.
    const double slipCoefficient = pull->getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0, 0.0);
    const double expectedRatio = pull->getSpeedRatioAfterChange(slipCoefficient, 2.0 * seen.peak * 2.0 * M_PI / 60.0);
    QVERIFY2(std::abs(seen.ratioAfterPeak - expectedRatio) < 0.001,
             qPrintable(QStringLiteral("%1 %2").arg(seen.ratioAfterPeak).arg(expectedRatio)));
    QVERIFY(seen.ratioAfterPeak > 1.5 * seen.ratio);
    const double expectedPeak = pull->getPeakEngineSpeedAfterChange(
                                    pull->getSettingValueDouble(DynoSettingId_slipEstimationCoefficient, 0, 0.0), 1.25) *
                                60.0 / (2.0 * M_PI);
    QVERIFY(std::abs(seen.peakAfterRatio - expectedPeak) <= 0.5);
    // The live setting for the next runs, with or without a RUN panel.
    QCOMPARE(liveRatio->value().toDouble(), 1.25);
    // Nothing reached the run itself.
    QCOMPARE(pull->getRunInfoValue(RunListFields::engineSpeedRatio, 0.0).toDouble(), seen.ratio);
    liveRatio->setValue(ratioBefore);

    // Engine speed from the shaft sensor: the ratio means nothing, so nothing can be edited.
    seen = Seen();
    RunData* rollers = model->runAt(1);
    QCOMPARE(rollers->getSettingValue(DynoSettingId_engineSpeedSource, 0, -1).toInt(), 1);
    answerer->respond = [&seen](QDialog* dialog) {
        if (!qobject_cast<SpeedRatioDialog*>(dialog))
            return 0;
        seen.shown = true;
        seen.sourceRow = !dialog->findChild<QComboBox*>()->isHidden();
        seen.ratioEnabled = dialog->findChildren<DelayedDoubleSpinBox*>().at(0)->isEnabled();
        return 0;
    };
    model->action_adjustEngineSpeed(1);
    QVERIFY(seen.shown);
    QVERIFY(seen.sourceRow);
    QVERIFY(!seen.ratioEnabled);
}

void TestLoadedRuns::reportRunTable()
{
    // Nothing loaded: the header row alone.
    QCOMPARE(LoadedRunListModel::reportStyleBlock().size(), 386);
    QCOMPARE(LoadedRunListModel::reportStyleBlock(), kStyle);
    const QList<LoadedRunListField> printable = model->printableColumns();
    QList<int> columns(printable.cbegin(), printable.cend());
    QCOMPARE(columns.first(), int(LoadedRunListField::LeftInnerAxis));
    QCOMPARE(columns.last(), int(LoadedRunListField::Comment));
    QCOMPARE(model->generateRunTable(QPageLayout::Portrait),
             kStyle + QStringLiteral("<center><table class='runtable'>") + headerRow(*model, columns)
                 + QStringLiteral("</table></center>"));

    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run3.h5"), QStringLiteral("run2.h5")});
    QVERIFY(model->setData(model->index(0, LoadedRunListField::Name), QStringLiteral("<b>Pull & co</b> %1")));
    QVERIFY(model->setData(model->index(0, LoadedRunListField::Comment), QStringLiteral("a>b<c & \"q\"")));
    QVERIFY(model->setData(model->index(1, LoadedRunListField::Name), QStringLiteral("Rollers")));
    model->setLineStyle(0, LoadedRunListField::PeakEnginePower, Qt::DotLine);
    model->setLineStyle(1, LoadedRunListField::PeakWheelPower, Qt::DashLine);
    model->setLineStyle(1, LoadedRunListField::PeakLossPower, Qt::DashDotLine);
    model->setColor(1, LoadedRunListField::LeftInnerAxis, QColor(0x12, 0xab, 0xef));
    model->newTrackingLineData(0, {QStringLiteral("1.5 kW"), QString(), QStringLiteral("x"), QStringLiteral("y")});
    // The third run hidden: out of the run table.
    model->slot_indexDoubleClicked(model->index(2, LoadedRunListField::Visible));

    // The operator's column order and choices: the comment moved to the
    // front, the ambient pressure hidden, the humidity not printed.
    QHeaderView* header = view->horizontalHeader();
    header->moveSection(header->visualIndex(LoadedRunListField::Comment),
                        header->visualIndex(LoadedRunListField::LeftInnerAxis));
    model->changeColumnVisibility(LoadedRunListField::AmbientPressure, false);
    model->toggleColumnPrint(LoadedRunListField::AmbientHumidity);
    columns = {LoadedRunListField::Comment};
    for (int c = LoadedRunListField::LeftInnerAxis; c < LoadedRunListField::Comment; ++c)
        if (c != LoadedRunListField::AmbientPressure && c != LoadedRunListField::AmbientHumidity)
            columns.append(c);
    const QList<LoadedRunListField> now = model->printableColumns();
    QCOMPARE(QList<int>(now.cbegin(), now.cend()), columns);

    auto expectedRow = [&](int row, QPageLayout::Orientation orientation) {
        const RunData* run = model->runAt(row);
        QString html = QStringLiteral("<tr>");
        for (int c : columns) {
            const QString text = model->index(row, c).data().toString();
            if (c == LoadedRunListField::CreationTimestamp) {
                const QDateTime t = QDateTime::fromSecsSinceEpoch(
                    run->getRunInfoValue(RunListFields::creationTimestamp, 0).toLongLong());
                html += centred(t.date().toString(Qt::ISODate)
                                + (orientation == QPageLayout::Portrait ? QStringLiteral("<br>") : QStringLiteral(" "))
                                + t.time().toString(QStringLiteral("hh:mm:ss")));
            } else if (c == LoadedRunListField::Name || c == LoadedRunListField::Comment) {
                QString escaped = text;
                escaped.replace(QLatin1Char('<'), QStringLiteral("&#x3C;")).replace(QLatin1Char('>'), QStringLiteral("&#x3E;"));
                html += QStringLiteral("<td>") + escaped + QStringLiteral("</td>");
            } else if (c >= LoadedRunListField::LeftInnerAxis && c <= LoadedRunListField::PeakEngineTorque) {
                const QString colour = model->getColor(row, LoadedRunListField(c)).name();
                const Qt::PenStyle style = model->getLineStyle(row, LoadedRunListField(c));
                const QString border = style == Qt::DotLine    ? QStringLiteral("dotted")
                                       : style == Qt::DashLine ? QStringLiteral("dashed")
                                                               : QStringLiteral("solid");
                QString content = c < LoadedRunListField::PeakLossPower ? QStringLiteral("\u2588\u2588") : text;
                if (orientation == QPageLayout::Portrait)
                    content.replace(QLatin1Char('@'), QStringLiteral("<br>@"));
                html += legendCell(colour, border, content);
            } else {
                html += centred(text);
            }
        }
        return html + QStringLiteral("</tr>");
    };

    for (QPageLayout::Orientation orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
        const QString expected = kStyle + QStringLiteral("<center><table class='runtable'>")
            + headerRow(*model, columns) + expectedRow(0, orientation) + expectedRow(1, orientation)
            + QStringLiteral("</table></center>");
        QCOMPARE(model->generateRunTable(orientation), expected);
        QCOMPARE(model->generateRunTableRow(1, orientation, {}), expectedRow(1, orientation));
    }

    // Cells that are spelled out here rather than rebuilt.
    const QString portrait = model->generateRunTable(QPageLayout::Portrait);
    const QString landscape = model->generateRunTable(QPageLayout::Landscape);
    QVERIFY(portrait.contains(QStringLiteral("<td>&#x3C;b&#x3E;Pull & co&#x3C;/b&#x3E; %1</td>")));
    QVERIFY(portrait.contains(QStringLiteral("<td>a&#x3E;b&#x3C;c & \"q\"</td>")));
    QVERIFY(!portrait.contains(QStringLiteral("<b>")));
    const QString engineColour = model->getColor(0, LoadedRunListField::PeakEnginePower).name();
    QCOMPARE(engineColour, QColor::fromHsv(0, 255, 120, 255).name());
    const QString enginePeak = model->index(0, LoadedRunListField::PeakEnginePower).data().toString();
    QVERIFY(enginePeak.contains(QLatin1Char('@')));
    QVERIFY(portrait.contains(legendCell(engineColour, QStringLiteral("dotted"),
                                         QString(enginePeak).replace(QStringLiteral("@"), QStringLiteral("<br>@")))));
    QVERIFY(landscape.contains(legendCell(engineColour, QStringLiteral("dotted"), enginePeak)));
    QCOMPARE(model->generateResultTableRowLegendField(1, LoadedRunListField::LeftInnerAxis, QPageLayout::Landscape),
             legendCell(QStringLiteral("#12abef"), QStringLiteral("solid"), QStringLiteral("\u2588\u2588")));
    QCOMPARE(model->generateResultTableRowLegendField(1, LoadedRunListField::PeakLossPower, QPageLayout::Landscape),
             legendCell(model->getColor(1, LoadedRunListField::PeakLossPower).name(), QStringLiteral("solid"),
                        model->index(1, LoadedRunListField::PeakLossPower).data().toString()));
    // A hidden run's cells and cells past the last row are empty.
    QCOMPARE(model->generateResultTableRowLegendField(2, LoadedRunListField::PeakEnginePower, QPageLayout::Portrait),
             QStringLiteral("<td></td>"));
    QCOMPARE(model->generateResultTableRowLegendField(3, LoadedRunListField::PeakEnginePower, QPageLayout::Portrait),
             QStringLiteral("<td></td>"));
    QCOMPARE(portrait.count(QStringLiteral("<tr>")), 2);

    // What the report interpreter calls by name.
    QString invoked;
    QVERIFY(QMetaObject::invokeMethod(model, "generateRunTable", Q_RETURN_ARG(QString, invoked),
                                      Q_ARG(QPageLayout::Orientation, QPageLayout::Landscape)));
    QCOMPARE(invoked, landscape);

    // For the check with an HTML parser.
    const QString out = qEnvironmentVariable("ZEMBO_ANALYSIS_OUT");
    if (!out.isEmpty()) {
        ComparePlot plot;
        for (ComparePlotAxis* axis : plot.axes)
            axis->qcpAxis->setVisible(true);
        for (int row = 0; row < 3; ++row) {
            model->runAt(row)->flushFile();
            QVERIFY(QFile::copy(model->runAt(row)->fileName, QDir(out).filePath(QStringLiteral("run%1.h5").arg(row))));
        }
        const QList<std::pair<QString, QString>> fragments = {
            {QStringLiteral("table-portrait.html"), portrait},
            {QStringLiteral("table-landscape.html"), landscape},
            {QStringLiteral("legend-main.html"), model->generateLegendMainGraph(QPageLayout::Portrait, &plot)},
            {QStringLiteral("legend-user.html"), model->generateLegendUserGraph(QPageLayout::Landscape, &plot)},
        };
        for (const auto& [name, html] : fragments) {
            QFile file(QDir(out).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(html.toUtf8());
        }
    }

    model->changeColumnVisibility(LoadedRunListField::AmbientPressure, true);
    model->toggleColumnPrint(LoadedRunListField::AmbientHumidity);
    header->moveSection(header->visualIndex(LoadedRunListField::Comment), LoadedRunListField::Comment);
}

void TestLoadedRuns::reportLegends()
{
    ComparePlot plot;
    auto showAxes = [&](std::initializer_list<PlotAxis> shown) {
        for (int a = 0; a < 5; ++a)
            plot.axes[a]->qcpAxis->setVisible(std::find(shown.begin(), shown.end(), PlotAxis(a)) != shown.end());
    };
    const QString start = kStyle + QStringLiteral("<center><table class='runtable'>");
    const QString end = QStringLiteral("</table></center>");

    // No run: the header row alone.
    showAxes({PlotAxis_left, PlotAxis_right, PlotAxis_bottom});
    QCOMPARE(model->generateLegendMainGraph(QPageLayout::Portrait, &plot),
             start + headerRow(*model, {24, 11, 8, 9, 10}) + end);

    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run2.h5")});
    QVERIFY(model->setData(model->index(1, LoadedRunListField::Name), QStringLiteral("second <run>")));
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Visible));
    model->setLineStyle(0, LoadedRunListField::PeakWheelPower, Qt::DashLine);

    auto row = [&](int r, const QList<int>& columns, QPageLayout::Orientation orientation) {
        QList<LoadedRunListField> fields;
        for (int c : columns)
            fields.append(LoadedRunListField(c));
        return model->generateRunTableRow(r, orientation, fields);
    };
    // Outer axes not shown: their columns are left out; the hidden run keeps
    // its row, with empty colour cells and its name.
    QString main = model->generateLegendMainGraph(QPageLayout::Portrait, &plot);
    QCOMPARE(main, start + headerRow(*model, {24, 11, 8, 9, 10}) + row(0, {24, 11, 8, 9, 10}, QPageLayout::Portrait)
                       + row(1, {24, 11, 8, 9, 10}, QPageLayout::Portrait) + end);
    QVERIFY(main.contains(QStringLiteral("<tr><td>second &#x3C;run&#x3E;</td><td></td><td></td><td></td><td></td></tr>")));
    QVERIFY(main.contains(QStringLiteral("border-bottom-style: dashed")));
    QVERIFY(!main.contains(QStringLiteral("\u2588")));

    // All axes shown, the wheel power column hidden in the table, print
    // flags ignored.
    showAxes({PlotAxis_left, PlotAxis_right, PlotAxis_bottom, PlotAxis_leftOuter, PlotAxis_rightOuter});
    model->changeColumnVisibility(LoadedRunListField::PeakWheelPower, false);
    model->toggleColumnPrint(LoadedRunListField::PeakLossPower);
    main = model->generateLegendMainGraph(QPageLayout::Landscape, &plot);
    QCOMPARE(main, start + headerRow(*model, {24, 5, 11, 8, 10, 7}) + row(0, {24, 5, 11, 8, 10, 7}, QPageLayout::Landscape)
                       + row(1, {24, 5, 11, 8, 10, 7}, QPageLayout::Landscape) + end);
    model->changeColumnVisibility(LoadedRunListField::PeakWheelPower, true);
    model->toggleColumnPrint(LoadedRunListField::PeakLossPower);

    // User graph: only the right outer axis hidden.
    showAxes({PlotAxis_left, PlotAxis_right, PlotAxis_leftOuter});
    QString user;
    QVERIFY(QMetaObject::invokeMethod(model, "generateLegendUserGraph", Q_RETURN_ARG(QString, user),
                                      Q_ARG(QPageLayout::Orientation, QPageLayout::Portrait),
                                      Q_ARG(ComparePlot*, &plot)));
    QCOMPARE(user, start + headerRow(*model, {24, 5, 4, 6}) + row(0, {24, 5, 4, 6}, QPageLayout::Portrait)
                       + row(1, {24, 5, 4, 6}, QPageLayout::Portrait) + end);
    QVERIFY(user.contains(legendCell(model->getColor(0, LoadedRunListField::LeftInnerAxis).name(),
                                     QStringLiteral("solid"), QStringLiteral("\u2588\u2588"))));

    // Without a plot no axis can be explained; with the name hidden as well
    // nothing remains, and the rows stay as empty as the header instead of
    // taking the run table's columns.
    QCOMPARE(model->generateLegendCommon({LoadedRunListField::Name, LoadedRunListField::PeakEnginePower},
                                         {PlotAxis_none, PlotAxis_right}, QPageLayout::Portrait, nullptr),
             start + headerRow(*model, {24}) + row(0, {24}, QPageLayout::Portrait) + row(1, {24}, QPageLayout::Portrait)
                 + end);
    model->changeColumnVisibility(LoadedRunListField::Name, false);
    QCOMPARE(model->generateLegendUserGraph(QPageLayout::Portrait, nullptr),
             start + QStringLiteral("<tr class='header'></tr><tr></tr><tr></tr>") + end);
    model->changeColumnVisibility(LoadedRunListField::Name, true);
}

namespace {

QStringList graphNames(const QCustomPlot* plot)
{
    QStringList names;
    for (int g = 0; g < plot->graphCount(); ++g)
        names.append(plot->graph(g)->name());
    return names;
}

QList<double> graphValues(const QCPGraph* graph)
{
    QList<double> values;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        values.append(it->value);
    return values;
}

} // namespace

void TestLoadedRuns::speedSignalAnalyzer()
{
    loadAll({QStringLiteral("run3.h5")});
    RunData* run = model->runAt(0);
    QCOMPARE(run->rawFrequencySamples.size(), 6);
    const QMap<QString, QVariant> storedSettings = run->settingValues;
    const int storedRollers = run->hwInfo.rollers;
    const auto set = [&](DynoSettingId id, int input, const QVariant& value) {
        run->settingValues[RunData::settingKey(id, input)] = value;
    };

    // From the cell menu: the dialog with both plots, labelled.
    struct Seen {
        bool shown = false;
        QString title;
        QSize size;
        QStringList labels;
        bool legends = false;
        bool sameRange = false;
    } seen;
    answerer->respond = [&](QDialog* dialog) {
        if (auto* analyzer = qobject_cast<RollerSignalAnalyzer*>(dialog)) {
            seen.shown = true;
            seen.title = analyzer->windowTitle();
            seen.size = analyzer->size();
            seen.labels = {analyzer->frequencyPlot->xAxis->label(), analyzer->frequencyPlot->yAxis->label(),
                           analyzer->deviationPlot->xAxis->label(), analyzer->deviationPlot->yAxis->label()};
            seen.legends = analyzer->frequencyPlot->legend->visible() && analyzer->deviationPlot->legend->visible()
                && analyzer->deviationPlot->yAxis->visible() && analyzer->frequencyPlot->yAxis->visible();
            seen.sameRange = analyzer->deviationPlot->xAxis->range() == analyzer->frequencyPlot->xAxis->range();
        }
        return 0;
    };
    model->action_analyzeSpeedSignal(0);
    answerer->respond = nullptr;
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Speed Signal Analyzer"));
    QCOMPARE(seen.size, QSize(1000, 1000));
    QCOMPARE(seen.labels, (QStringList{QStringLiteral("time [s]"), QStringLiteral("frequency [Hz]"),
                                       QStringLiteral("time [s]"), QStringLiteral("frequency deviation [%]")}));
    QVERIFY(seen.legends);
    QVERIFY(seen.sameRange);

    // Which inputs are shown, as a table of cases: the roller count, the
    // sensor type and the pulses per revolution.
    struct Case {
        const char* what;
        int rollers;
        std::function<void()> change;
        QStringList inputs;
    };
    const QList<Case> cases = {
        {"two rollers", 2, [] {}, {"Freq input 1", "Freq input 2", "Engine speed", "Freq input 5"}},
        {"four rollers", 4, [] {},
         {"Freq input 1", "Freq input 2", "Engine speed", "Freq input 3", "Freq input 4", "Freq input 5"}},
        {"one roller", 1, [] {}, {"Freq input 1", "Engine speed", "Freq input 5"}},
        {"no roller", 0, [] {}, {"Engine speed", "Freq input 5"}},
        {"general purpose sensor", 2, [&] { set(DynoSettingId_freqInputSensor, 1, 1); },
         {"Freq input 1", "Engine speed", "Freq input 5"}},
        {"engine speed input general purpose", 2, [&] { set(DynoSettingId_freqInputSensor, 2, 1); },
         {"Freq input 1", "Freq input 2", "Freq input 5"}},
        {"no pulses per revolution", 2, [&] { set(DynoSettingId_freqInputSignalsPerRotation, 0, 0); },
         {"Freq input 2", "Engine speed", "Freq input 5"}},
        {"negative pulses per revolution", 2, [&] { set(DynoSettingId_freqInputSignalsPerRotation, 5, -3); },
         {"Freq input 1", "Freq input 2", "Engine speed"}},
    };
    for (const Case& c : cases) {
        run->settingValues = storedSettings;
        run->hwInfo.rollers = c.rollers;
        c.change();
        RollerSignalAnalyzer analyzer(parent, run);
        QStringList frequencyNames;
        for (const QString& name : c.inputs)
            frequencyNames << name + QStringLiteral(" raw") << name + QStringLiteral(" averaged");
        QVERIFY2(graphNames(analyzer.frequencyPlot) == frequencyNames, c.what);
        QVERIFY2(graphNames(analyzer.deviationPlot) == c.inputs, c.what);
    }
    run->settingValues = storedSettings;
    run->hwInfo.rollers = 2;

    // Colours by input number: input 5 keeps hue 300 (320 averaged).
    {
        RollerSignalAnalyzer analyzer(parent, run);
        const int last = analyzer.deviationPlot->graphCount() - 1;
        QCOMPARE(analyzer.deviationPlot->graph(last)->pen().color(), QColor::fromHsv(300, 255, 255, 255));
        QCOMPARE(analyzer.frequencyPlot->graph(2 * last + 1)->pen().color(), QColor::fromHsv(320, 255, 255, 255));
        QCOMPARE(analyzer.frequencyPlot->graph(0)->pen().color(), QColor::fromHsv(0, 255, 255, 255));
        // The recorded pull has deviation points, and they are small.
        int finite = 0;
        for (double d : graphValues(analyzer.deviationPlot->graph(0)))
            if (std::isfinite(d)) {
                ++finite;
                QVERIFY2(std::abs(d) < 50.0, qPrintable(QString::number(d)));
            }
        QVERIFY(finite > 1000);
    }

    // The thresholds on made-up samples of input 0 at four pulses per
    // revolution: an even signal deviates by 0 %, nothing at or below the
    // measuring range's lower end is judged.
    set(DynoSettingId_freqInputSignalsPerRotation, 0, 4);
    const auto deviationOf = [&](const QList<double>& freqs, int mode) {
        set(DynoSettingId_freqInputMode, 0, mode);
        QList<double> times;
        for (qsizetype k = 0; k < freqs.size(); ++k)
            times.append(0.01 * double(k));
        run->rawFrequencySamples[0] = {times, freqs};
        RollerSignalAnalyzer analyzer(parent, run);
        return graphValues(analyzer.deviationPlot->graph(0));
    };
    const auto pointCount = [](const QList<double>& values) {
        return std::count_if(values.cbegin(), values.cend(), [](double d) { return std::isfinite(d); });
    };
    QList<double> even = deviationOf(QList<double>(40, 123.0), 0);
    QCOMPARE(even.size(), 40);
    QVERIFY(pointCount(even) >= 30);
    for (double d : even)
        QVERIFY(!std::isfinite(d) || d == 0.0);
    QList<double> slow = deviationOf(QList<double>(40, 10.0), 0);
    QCOMPARE(pointCount(slow), 0);
    slow = deviationOf(QList<double>(40, 10.5), 0);
    QVERIFY(pointCount(slow) >= 30);
    slow = deviationOf(QList<double>(40, 10000.0), 1);
    QCOMPARE(pointCount(slow), 0);
    slow = deviationOf(QList<double>(40, 10000.5), 1);
    QVERIFY(pointCount(slow) >= 30);
    // A standstill in the middle: no point, and no division by its zero average.
    QList<double> stop(40, 200.0);
    for (int k = 15; k < 25; ++k)
        stop[k] = 0.0;
    const QList<double> stopped = deviationOf(stop, 0);
    for (int k = 15; k < 25; ++k)
        QVERIFY(!std::isfinite(stopped.at(k)));
    for (double d : stopped)
        QVERIFY(!std::isinf(d));

    // A run that was never calculated holds no samples: two empty plots.
    run->settingValues = storedSettings;
    run->hwInfo.rollers = storedRollers;
    {
        RunData empty(dir.filePath(QStringLiteral("never.h5")), true);
        RollerSignalAnalyzer analyzer(parent, &empty);
        QCOMPARE(analyzer.frequencyPlot->graphCount(), 0);
        QCOMPARE(analyzer.deviationPlot->yAxis->label(), QStringLiteral("frequency deviation [%]"));
    }

    // For the check with numpy: the recorded run's curves as drawn.
    const QString out = qEnvironmentVariable("ZEMBO_ANALYSIS_OUT");
    if (!out.isEmpty()) {
        run->rawFrequencySamples.clear();
        QVERIFY(run->calculateAll(false) == 0);
        RollerSignalAnalyzer analyzer(parent, run);
        QFile file(QDir(out).filePath(QStringLiteral("speed-signal.tsv")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream stream(&file);
        stream << "rollers\t" << run->hwInfo.rollers << '\n';
        for (const QCustomPlot* plot : {static_cast<QCustomPlot*>(analyzer.frequencyPlot),
                                        static_cast<QCustomPlot*>(analyzer.deviationPlot)}) {
            for (int g = 0; g < plot->graphCount(); ++g) {
                const QCPGraph* graph = plot->graph(g);
                stream << (plot == analyzer.frequencyPlot ? "frequency\t" : "deviation\t") << graph->name();
                for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
                    stream << '\t' << QString::number(it->key, 'g', 17) << ':' << QString::number(it->value, 'g', 17);
                stream << '\n';
            }
        }
        QFile::copy(run->fileName, QDir(out).filePath(QStringLiteral("speed-signal.h5")));
    }
}

// Pictures to look at (ZEMBO_SHOT_DIR=folder, best under Xvfb): the runs table
// with colours, a bold and a hidden run and a selection, the FFT dialog and
// the speed signal analyser.
void TestLoadedRuns::screenshots()
{
    const QString shots = qEnvironmentVariable("ZEMBO_SHOT_DIR");
    if (shots.isEmpty())
        QSKIP("ZEMBO_SHOT_DIR not set");
    loadAll({QStringLiteral("run1.h5"), QStringLiteral("run3.h5"), QStringLiteral("run2.h5")});
    // Dressed as the ANALYZE tab dresses it.
    view->setItemDelegate(new LoadedRunsViewDelegate(view));
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    auto* headerStyle = new HeaderProxyStyle(QApplication::style()->name());
    headerStyle->setParent(view->horizontalHeader());
    view->horizontalHeader()->setStyle(headerStyle);
    QVERIFY(model->setData(model->index(0, LoadedRunListField::Name), QStringLiteral("Pull 1")));
    QVERIFY(model->setData(model->index(1, LoadedRunListField::Name), QStringLiteral("Two rollers")));
    QVERIFY(model->setData(model->index(2, LoadedRunListField::Comment), QStringLiteral("hidden run")));
    model->slot_indexDoubleClicked(model->index(1, LoadedRunListField::Bold));
    model->slot_indexDoubleClicked(model->index(2, LoadedRunListField::Visible));
    model->setColor(0, LoadedRunListField::LeftInnerAxis, QColor(0x12, 0xab, 0xef));
    model->newTrackingLineData(0, {QStringLiteral("1.5 kW"), QStringLiteral("20 Nm"), QString(), QString()});
    view->selectionModel()->select(model->index(1, LoadedRunListField::PeakEnginePower), QItemSelectionModel::Select);
    view->selectionModel()->select(model->index(1, LoadedRunListField::PeakEngineTorque), QItemSelectionModel::Select);
    view->setParent(nullptr);
    view->resize(1600, 180);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(view->grab().save(shots + QStringLiteral("/loaded_runs.png")));
    view->hide();
    view->setParent(parent);

    {
        RollerSignalAnalyzer analyzer(nullptr, model->runAt(1));
        analyzer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&analyzer));
        QTest::qWait(200); // the plots' queued replots after the resize
        QVERIFY(analyzer.grab().save(shots + QStringLiteral("/speed_signal_analyzer.png")));
    }

    RunData* run = model->runAt(0);
    const VectorChannel* power = run->getVectorChannel(ChannelId_enginePower, 0);
    QVERIFY(power);
    answerer->respond = [&](QDialog* dialog) {
        if (auto* fft = qobject_cast<FFTDialog*>(dialog)) {
            if (auto* simulate = fft->findChild<QCheckBox*>())
                simulate->setChecked(true);
            fft->show();
            if (QTest::qWaitForWindowExposed(fft)) {
                QTest::qWait(200);
                fft->grab().save(shots + QStringLiteral("/fft_dialog.png"));
            }
        }
        return 0;
    };
    const std::pair<int, int> selection = run->getSelectionIndexes();
    FFTDialog dialog(QStringLiteral("Pull 1"), power, selection.first, selection.second,
                     double(RunData::analysisSamplingFrequency()), nullptr);
    answerer->respond = nullptr;
    QVERIFY(QFile::exists(shots + QStringLiteral("/fft_dialog.png")));
}

QTEST_MAIN(TestLoadedRuns)
#include "tst_loaded_runs.moc"
