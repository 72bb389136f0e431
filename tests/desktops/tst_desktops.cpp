// The desktop framework: file format, grid, selection, copy and paste, undo,
// locks, safe names, the tab set and the RUN desktop's refresh scheduler.

#include "AbstractMdi.h"
#include "AbstractMdiWidget.h"
#include "Channels.h"
#include "DesktopHooks.h"
#include "DesktopTestSupport.h"
#include "FullMdiAlarm.h"
#include "HwInfo.h"
#include "LogCapture.h"
#include "MdiManager.h"
#include "MdiWidgetTypes.h"
#include "MySettings.h"
#include "NetworkFileBrowser.h"
#include "RecordingAnswerer.h"
#include "RunMdi.h"
#include "lib/DialogAnswerer.h"
#include "lib/Units.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStandardItemModel>
#include <QMouseEvent>
#include <QProcess>
#include <QTableView>
#include <QRubberBand>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

void clearFolder(const QDir& dir)
{
    for (const QString& f : dir.entryList(QDir::Files))
        QFile::remove(dir.filePath(f));
}

QString readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Sends a mouse event through the widget's event filter, as Qt would.
void mouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button,
           Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent ev(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, mods);
    QCoreApplication::sendEvent(w, &ev);
}

// A probe widget's drag from `from` by `delta`, in widget coordinates.
void drag(QWidget* w, QPoint from, QPoint delta, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    mouse(w, QEvent::MouseMove, from, Qt::NoButton, mods);
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, mods);
    // The widget moves under the pointer: every position is taken globally
    // from where the press was.
    const QPoint global = w->mapToGlobal(from) + delta;
    QMouseEvent move(QEvent::MouseMove, QPointF(w->mapFromGlobal(global)), QPointF(global), Qt::NoButton,
                     Qt::LeftButton, mods);
    QCoreApplication::sendEvent(w, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(w->mapFromGlobal(global)), QPointF(global),
                        Qt::LeftButton, Qt::NoButton, mods);
    QCoreApplication::sendEvent(w, &release);
}

// The desktop's own mouse handling (rubber band), in desktop coordinates.
void desktopMouse(AbstractMdi* mdi, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                  Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent ev(type, QPointF(pos), QPointF(mdi->mapToGlobal(pos)), button, buttons, mods);
    if (type == QEvent::MouseButtonPress)
        mdi->mousePressEvent(&ev);
    else if (type == QEvent::MouseMove)
        mdi->mouseMoveEvent(&ev);
    else
        mdi->mouseReleaseEvent(&ev);
}

// Chooses the entry of the next menu that opens (by keyboard, as an operator
// would), or closes it when the entry is not there; `seen` gets every entry.
void chooseFromNextMenu(const QString& text, QStringList* seen = nullptr)
{
    QTimer::singleShot(0, [text, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction* found = nullptr;
        for (QAction* a : menu->actions()) {
            if (seen)
                seen->append(a->text());
            if (a->text() == text)
                found = a;
        }
        if (found) {
            menu->setActiveAction(found);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
}

} // namespace

class TestDesktops : public QObject
{
    Q_OBJECT
    RecordingAnswerer answerer;

    std::unique_ptr<MdiManager> manager()
    {
        auto m = std::make_unique<MdiManager>(nullptr, MdiType_run);
        m->resize(1400, 1000);
        m->show();
        return m;
    }
    // A fresh RUN desktop in its own tab set, named "t".
    RunMdi* desktop(MdiManager* m)
    {
        auto* mdi = static_cast<RunMdi*>(m->newMdi(QStringLiteral("t"), QString(), false));
        m->setCurrentWidget(mdi);
        return mdi;
    }
    ProbeWidget* probe(RunMdi* mdi, QRect rect, const QString& tag = QString())
    {
        auto* w = static_cast<ProbeWidget*>(mdi->addWidget(0, rect, false));
        w->tag = tag;
        return w;
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void freshHomeOpensTheDefaultDesktop();
    void loadThenSaveKeepsEveryKind_data();
    void loadThenSaveKeepsEveryKind();
    void readingRulesOfTheFile();
    void unreadableFileIsKeptAsBad();
    void failedWriteLeavesFileAndUndoAlone();
    void namesBecomeSafeFileNames_data();
    void namesBecomeSafeFileNames();
    void cursorZones_data();
    void cursorZones();
    void dragsSnapToTheGrid_data();
    void dragsSnapToTheGrid();
    void moveSavesOnceAfterReleaseClickNever();
    void clickSelectionAndLockedEditing();
    void rubberBand_data();
    void rubberBand();
    void distributeOverTheArea();
    void copyAndPasteAtTheClick();
    void undoAfterTheSecondSave();
    void contextMenuOffersOnlyBuiltKinds();

    void tabOrderFromTheListThenOtherFiles();
    void plusNamesAndCloseRestoreNewestFirst();
    void renameReplacesTheFileAfterWriting();
    void detachRestartReattach();
    void onlyTheVisibleDesktopRefreshes();
    void runEventsReachTabsAndWindows();
    void analyzeWithoutFactoryWritesNothing();
    void downloadedDesktopIsWrittenSafely();
    void loadFromServerOpensTheDownload();

    void schedulerTable_data();
    void schedulerTable();
    void schedulerResumesWhereItStopped();
    void slowWidgetsStillYieldEvery120ms();
    void widgetClosedDuringPassIsNeverTouched();
    void alarmOverlayFollowsAlarmAndOption();
};

void TestDesktops::initTestCase()
{
    theUnits.init();
    theHwInfo.setDeviceCode(DeviceCode_ZR6);
    theChannels.init();
    installProbeWidgets();
    // Every RUN kind is built now; the camera stands in here for a kind that is
    // not, whose whole setup a placeholder must keep.
    MdiWidgetTypes::registerFactory(MdiType_run, 11, nullptr);
    DialogAnswerer::install(&answerer);
}

void TestDesktops::init()
{
    for (QDir* d : {&theSettings.desktopsDir, &theSettings.closedDesktopsDir, &theSettings.desktopsAnalyzeDir,
                    &theSettings.closedDesktopsAnalyzeDir})
        clearFolder(*d);
    theSettings.remove(QStringLiteral("mdiTabList"));
    theSettings.remove(QStringLiteral("script"));
    answerer.shown.clear();
    answerer.result = QDialog::Rejected;
    answerer.respond = nullptr;
    g_timerStarts.clear();
    ProbeWidget::tickLog.clear();
    QApplication::clipboard()->clear();
}

void TestDesktops::cleanup()
{
    DesktopHooks::instance()->alarmActive = nullptr;
    DesktopHooks::instance()->mainTabs = nullptr;
}

void TestDesktops::freshHomeOpensTheDefaultDesktop()
{
    {
        auto m = manager();
        m->initAfterSettings();
        QCOMPARE(m->count(), 1);
        QCOMPARE(m->tabText(0), QStringLiteral("desktop"));
        auto* mdi = m->mdiWidget(0);
        QVERIFY(mdi);
        QCOMPARE(mdi->widgets.size(), 18);
    }
    const QString text = readFile(theSettings.desktopsDir.filePath(QStringLiteral("desktop.xml")));
    QDomDocument doc;
    QVERIFY(doc.setContent(text));
    const QDomElement root = doc.documentElement();
    QCOMPARE(root.tagName(), QStringLiteral("widgets"));
    // The numbers and bars come back with their channels.
    const QDomElement number = root.firstChildElement(QStringLiteral("number"));
    QCOMPARE(number.firstChildElement(QStringLiteral("setup")).attribute(QStringLiteral("variableKey")),
             QStringLiteral("engineRollerSpeedRatio"));
    QCOMPARE(root.elementsByTagName(QStringLiteral("bar")).count(), 6);
    QCOMPARE(theSettings.value(QStringLiteral("mdiTabList")).toStringList(), QStringList{QStringLiteral("desktop")});
}

void TestDesktops::loadThenSaveKeepsEveryKind_data()
{
    QTest::addColumn<QString>("element");
    QTest::newRow("time plot") << R"(<timePlot x="0" y="660" w="850" h="220" stayOnTop="0"><setup historyLength="30" alignTicks="1" clockTime="0" synchronizeScales="0"><left variableKey="dyno_speed" tickCount="5"/><right variableKey="engine_power" tickCount="5"/></setup></timePlot>)";
    QTest::newRow("time plot, one axis") << R"(<timePlot x="10" y="20" w="300" h="250" stayOnTop="0"><setup historyLength="7" alignTicks="0" clockTime="1" synchronizeScales="1"><left tickCount="0"/><right variableKey="engine_speed" tickCount="3"/></setup></timePlot>)";
    QTest::newRow("scatter plot") << R"(<scatterPlot x="0" y="0" w="1060" h="660" stayOnTop="0"><setup leavePrevious="1" historyLength="30" alignTicks="0" drawLines="1" drawPoints="0" backgroundDataColor="#888a85" backgroundCurveLimit="7" synchronizeScales="0"><y variableKey="engine_power" tickCount="5"/><y2 tickCount="5"/><x variableKey="engine_speed" tickCount="5"/></setup></scatterPlot>)";
    QTest::newRow("preview plot") << R"(<previewPlot x="100" y="100" w="400" h="300" stayOnTop="0"><setup historyLength="9" backgroundDataColor="#dcdcdc" drawLines="1" drawPoints="1" powerCurve="1"><y tickCount="5"/><y2 variableKey="dyno_onWheelsPower" tickCount="4"/><x tickCount="6"/></setup></previewPlot>)";
    QTest::newRow("xy table") << R"(<xyTable x="400" y="300" w="430" h="340" stayOnTop="0"><setup centerFilter="20" transientFilter="300" invertY="1"><x channelKey="engine_speed"/><y channelKey="dyno_speed"/><c channelKey="engine_power"/></setup></xyTable>)";
    QTest::newRow("audio spectrum") << R"(<audioSpectrum x="1220" y="660" w="370" h="220" stayOnTop="0"><setup/></audioSpectrum>)";
    QTest::newRow("camera with children") << R"(<camera x="20" y="30" w="640" h="480" stayOnTop="0"><setup device="/dev/video0" fps="25"><overlay text="a &amp; b" size="12"/><overlay text="x"/></setup></camera>)";
}

void TestDesktops::loadThenSaveKeepsEveryKind()
{
    QFETCH(QString, element);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    const QString text = QStringLiteral(R"(<widgets lockedEditing="0" lockedClosing="0" standalone="0">)") + element
        + QStringLiteral("</widgets>");
    mdi->loadFromString(text);
    QCOMPARE(mdi->widgets.size(), 1);
    QString why;
    QVERIFY2(sameXml(mdi->toXml(), text, &why), qPrintable(why + "\n" + mdi->toXml()));
    // And once more from what was written.
    const QString written = mdi->toXml();
    mdi->closeAllWidgets();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mdi->loadFromString(written);
    QVERIFY2(sameXml(mdi->toXml(), text, &why), qPrintable(why));
}

void TestDesktops::readingRulesOfTheFile()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    mdi->loadFromString(QStringLiteral(
        R"(<widgets locked="1" lockedEditing="0"><!-- note -->text<Number x="0" y="0"/><dial/>)"
        R"(<camera x="1225" y="-20" w="50000" h="-4"/><camera x="99999" y="3" w="60" h="70"/>)"
        R"(<bar x="abc" y="10" w="80" h="90"/><previewPlot x="0" y="0" w="10" h="10"/></widgets>)"));
    QVERIFY(mdi->lockedEditing);
    QVERIFY(mdi->lockedClosing);
    QCOMPARE(mdi->widgets.size(), 4);
    QCOMPARE(mdi->widgets[0]->subWindow->pos(), QPoint(1230, 0));
    // A negative size keeps the default size; nothing lies beyond 20000 px.
    QVERIFY(mdi->widgets[0]->subWindow->width() < 20000);
    QCOMPARE(mdi->widgets[1]->subWindow->pos().x(), 20000);
    QCOMPARE(mdi->widgets[2]->subWindow->pos(), QPoint(0, 10));
    const QString saved = mdi->toXml();
    QVERIFY(saved.contains(QStringLiteral("lockedEditing=\"1\"")));
    QVERIFY(saved.contains(QStringLiteral("lockedClosing=\"1\"")));
    QVERIFY(!saved.contains(QStringLiteral("locked=")));
    QVERIFY(!saved.contains(QStringLiteral("Number")));

    // A scrolled desktop saves content coordinates.
    auto* scrolled = desktop(m.get());
    scrolled->loadFromString(QStringLiteral(R"(<widgets><camera x="3000" y="0" w="100" h="100"/></widgets>)"));
    QTest::qWait(0);
    scrolled->horizontalScrollBar()->setValue(200);
    QCOMPARE(scrolled->horizontalScrollBar()->value(), 200);
    QCOMPARE(scrolled->widgets[0]->subWindow->x(), 2800);
    QVERIFY(scrolled->toXml().contains(QStringLiteral("x=\"3000\"")));

    // Text that is not XML and an empty text load nothing.
    auto* empty = desktop(m.get());
    empty->loadFromString(QStringLiteral("not xml"));
    empty->loadFromString(QString());
    QCOMPARE(empty->widgets.size(), 0);
}

void TestDesktops::unreadableFileIsKeptAsBad()
{
    const QByteArray broken = "<widgets><timePlot x=\"1\"";
    writeFile(theSettings.desktopsDir.filePath(QStringLiteral("mine.xml")), broken);
    {
        auto m = manager();
        m->initAfterSettings();
        QCOMPARE(m->count(), 1);
        QCOMPARE(m->tabText(0), QStringLiteral("mine"));
    }
    // The only copy survives the save that naming the desktop does at once.
    QCOMPARE(readFile(theSettings.desktopsDir.filePath(QStringLiteral("mine.xml.bad"))).toUtf8(), broken);
    QDomDocument doc;
    QVERIFY(doc.setContent(readFile(theSettings.desktopsDir.filePath(QStringLiteral("mine.xml")))));
    int errors = 0;
    for (const auto& s : answerer.shown)
        errors += s.text.contains(QStringLiteral("mine.xml.bad")) ? 1 : 0;
    QCOMPARE(errors, 1);
}

void TestDesktops::failedWriteLeavesFileAndUndoAlone()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    probe(mdi, QRect(0, 0, 100, 100));
    mdi->slot_saveToFile(true);
    QCOMPARE(mdi->undoList.size(), 1);
    const QString good = readFile(mdi->desktopFile->fileName());
    LogCapture log;
    const QString path = mdi->desktopFile->fileName();
    mdi->desktopFile->setFileName(QStringLiteral("/nonexistent-folder/t.xml"));
    mdi->slot_saveToFile(true);
    QCOMPARE(log.count(QStringLiteral("Error writing mdi.xml file")), 1);
    QCOMPARE(mdi->undoList.size(), 1);
    QCOMPARE(readFile(path), good);
    mdi->desktopFile->setFileName(path);
}

void TestDesktops::namesBecomeSafeFileNames_data()
{
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("expected");
    QTest::newRow("parent folder") << "../x" << "_._x";
    QTest::newRow("slash") << "a/b" << "a_b";
    QTest::newRow("dot dot") << ".." << "_.";
    QTest::newRow("empty") << "" << "desktop";
    QTest::newRow("control characters") << QStringLiteral("a\nb\tc\x7f") << "a_b_c_";
    QTest::newRow("special characters") << R"(a:b*c?d"e<f>g|h\i)" << "a_b_c_d_e_f_g_h_i";
    QTest::newRow("300 bytes") << QString(300, QLatin1Char('n')) << QString(200, QLatin1Char('n'));
    QTest::newRow("multi-byte characters are kept whole") << QString(150, QChar(0x00e9)) << QString(100, QChar(0x00e9));
}

void TestDesktops::namesBecomeSafeFileNames()
{
    QFETCH(QString, requested);
    QFETCH(QString, expected);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    mdi->setName(requested);
    QCOMPARE(mdi->name, expected);
    const QString file = theSettings.desktopsDir.absoluteFilePath(expected + QStringLiteral(".xml"));
    QCOMPARE(QFileInfo(mdi->desktopFile->fileName()).absoluteFilePath(), file);
    QVERIFY(QFile::exists(file));
    QVERIFY(expected.toUtf8().size() <= 200);
}

void TestDesktops::cursorZones_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("cursor"); // -1: unset
    QTest::newRow("6,6 top-left") << QPoint(6, 6) << int(Qt::SizeFDiagCursor);
    QTest::newRow("7,7 inside") << QPoint(7, 7) << -1;
    QTest::newRow("bottom-right pixel") << QPoint(99, 79) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-left pixel") << QPoint(0, 79) << int(Qt::SizeBDiagCursor);
    QTest::newRow("top-right") << QPoint(99, 0) << int(Qt::SizeBDiagCursor);
    QTest::newRow("top edge") << QPoint(50, 3) << int(Qt::SizeVerCursor);
    QTest::newRow("right edge, 6 px zone") << QPoint(94, 40) << int(Qt::SizeHorCursor);
    QTest::newRow("7 px from the right") << QPoint(93, 40) << -1;
}

void TestDesktops::cursorZones()
{
    QFETCH(QPoint, at);
    QFETCH(int, cursor);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* w = probe(mdi, QRect(100, 100, 100, 80));
    QCOMPARE(w->size(), QSize(100, 80));
    mouse(w, QEvent::MouseMove, at, Qt::NoButton);
    if (cursor < 0)
        QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
    else
        QCOMPARE(int(w->cursor().shape()), cursor);
}

void TestDesktops::dragsSnapToTheGrid_data()
{
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("13 right") << QPoint(13, 0) << QPoint(110, 100);
    QTest::newRow("14 right") << QPoint(14, 0) << QPoint(110, 100);
    QTest::newRow("15 right") << QPoint(15, 0) << QPoint(120, 100);
    QTest::newRow("far left stops at 0") << QPoint(-500, 4) << QPoint(0, 100);
}

void TestDesktops::dragsSnapToTheGrid()
{
    QFETCH(QPoint, delta);
    QFETCH(QPoint, expected);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* w = probe(mdi, QRect(100, 100, 100, 80));
    drag(w, QPoint(40, 40), delta);
    QCOMPARE(w->subWindow->pos(), expected);
}

void TestDesktops::moveSavesOnceAfterReleaseClickNever()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* w = probe(mdi, QRect(100, 100, 100, 80));
    mdi->saveTimer->stop();
    drag(w, QPoint(40, 40), QPoint(0, 0));
    QVERIFY(!mdi->saveTimer->isActive());
    drag(w, QPoint(40, 40), QPoint(30, 20));
    QVERIFY(mdi->saveTimer->isActive());
    QCOMPARE(mdi->saveTimer->interval(), 500);
    QVERIFY(mdi->saveTimer->isSingleShot());
    const int undo = int(mdi->undoList.size());
    QTRY_VERIFY_WITH_TIMEOUT(!mdi->saveTimer->isActive(), 5000);
    QCOMPARE(mdi->undoList.size(), undo + 1);
    QVERIFY(readFile(mdi->desktopFile->fileName()).contains(QStringLiteral("x=\"130\"")));

    // A resize from the bottom-right corner by (23, 16) snaps the corner.
    drag(w, QPoint(99, 79), QPoint(23, 16));
    QCOMPARE(w->subWindow->geometry(), QRect(QPoint(130, 120), QPoint(250, 220)));
    // Below the minimum width the extent stays.
    drag(w, QPoint(0, 40), QPoint(200, 0));
    QCOMPARE(w->subWindow->geometry(), QRect(QPoint(130, 120), QPoint(250, 220)));
}

void TestDesktops::clickSelectionAndLockedEditing()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* a = probe(mdi, QRect(0, 0, 100, 100));
    ProbeWidget* b = probe(mdi, QRect(200, 0, 100, 100));
    drag(a, QPoint(50, 50), QPoint());
    QVERIFY(a->selected && !b->selected);
    drag(b, QPoint(50, 50), QPoint());
    QVERIFY(!a->selected && b->selected);
    drag(b, QPoint(50, 50), QPoint());
    QVERIFY(!a->selected && !b->selected);
    drag(a, QPoint(50, 50), QPoint(), Qt::ControlModifier);
    drag(b, QPoint(50, 50), QPoint(), Qt::ControlModifier);
    QVERIFY(a->selected && b->selected);
    // Moving one of the selection moves all of it.
    drag(a, QPoint(50, 50), QPoint(21, 0));
    QCOMPARE(a->subWindow->pos(), QPoint(20, 0));
    QCOMPARE(b->subWindow->pos(), QPoint(220, 0));

    mdi->setLockedEditing(true);
    drag(a, QPoint(50, 50), QPoint(40, 0));
    QCOMPARE(a->subWindow->pos(), QPoint(20, 0));
    a->selected = b->selected = false;
    drag(a, QPoint(50, 50), QPoint());
    QVERIFY(a->selected);
    answerer.shown.clear();
    a->slot_closeMdiWidget();
    QCOMPARE(mdi->widgets.size(), 2);
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown[0].text, QStringLiteral("Desktop locked"));
    mdi->slot_closeSelectedWidgets();
    QCOMPARE(mdi->widgets.size(), 2);
}

void TestDesktops::rubberBand_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("before"); // selected before: "a", "b", "c" letters
    QTest::addColumn<QString>("after");
    // a: 0..99, b: 150..249, c: 300..399 (x); all y 0..99.
    QTest::newRow("right drag, inside only") << QPoint(-1, -1) << QPoint(260, 120) << 0 << "" << "ab";
    QTest::newRow("left drag, touching") << QPoint(260, 120) << QPoint(50, -1) << 0 << "" << "ab";
    QTest::newRow("right drag touching selects none") << QPoint(50, -1) << QPoint(260, 120) << 0 << "" << "b";
    QTest::newRow("5 px wide changes nothing") << QPoint(14, 10) << QPoint(10, 200) << int(Qt::ShiftModifier) << "c"
                                                << "c";
    QTest::newRow("shift adds") << QPoint(140, 0) << QPoint(260, 120) << int(Qt::ShiftModifier) << "c" << "bc";
    QTest::newRow("ctrl toggles passing ones") << QPoint(-1, -1) << QPoint(260, 120) << int(Qt::ControlModifier)
                                               << "bc" << "ac";
}

void TestDesktops::rubberBand()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, modifiers);
    QFETCH(QString, before);
    QFETCH(QString, after);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    QList<ProbeWidget*> ws = {probe(mdi, QRect(0, 0, 100, 100)), probe(mdi, QRect(150, 0, 100, 100)),
                              probe(mdi, QRect(300, 0, 100, 100))};
    for (int i = 0; i < 3; ++i)
        ws[i]->selected = before.contains(QChar('a' + i));
    const auto mods = Qt::KeyboardModifiers(modifiers);
    // The origin is taken as it is; the band starts at the press.
    desktopMouse(mdi, QEvent::MouseButtonPress, from + QPoint(0, 0), Qt::LeftButton, mods);
    desktopMouse(mdi, QEvent::MouseMove, to, Qt::NoButton, mods);
    desktopMouse(mdi, QEvent::MouseButtonRelease, to, Qt::LeftButton, mods);
    QString got;
    for (int i = 0; i < 3; ++i)
        if (ws[i]->selected)
            got += QChar('a' + i);
    QCOMPARE(got, after);
    QVERIFY(!mdi->rubberBand->isVisible());
}

void TestDesktops::distributeOverTheArea()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* a = probe(mdi, QRect(0, 0, 50, 40));
    ProbeWidget* b = probe(mdi, QRect(250, 30, 50, 40));
    ProbeWidget* c = probe(mdi, QRect(100, 10, 50, 40));
    // The area 0..299.
    b->subWindow->setGeometry(QRect(250, 30, 50, 40));
    for (ProbeWidget* w : {a, b, c})
        w->selected = true;
    mdi->saveTimer->stop();
    mdi->slot_distributeHorizontally();
    QCOMPARE(a->subWindow->geometry(), QRect(QPoint(0, 0), QPoint(100, 70)));
    QCOMPARE(c->subWindow->geometry(), QRect(QPoint(100, 0), QPoint(200, 70)));
    QCOMPARE(b->subWindow->geometry(), QRect(QPoint(200, 0), QPoint(300, 70)));
    QVERIFY(mdi->saveTimer->isActive());

    // Nothing selected: no geometry changes, a save is still scheduled.
    for (ProbeWidget* w : {a, b, c})
        w->selected = false;
    mdi->saveTimer->stop();
    mdi->slot_distributeVertically();
    QCOMPARE(b->subWindow->geometry(), QRect(QPoint(200, 0), QPoint(300, 70)));
    QVERIFY(mdi->saveTimer->isActive());

    // A widget wider than the step pushes the next ones.
    a->setMinimumWidth(180);
    for (ProbeWidget* w : {a, b, c})
        w->selected = true;
    mdi->slot_distributeHorizontally();
    QVERIFY(c->subWindow->x() >= 179);
}

void TestDesktops::copyAndPasteAtTheClick()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    ProbeWidget* a = probe(mdi, QRect(100, 200, 60, 50), QStringLiteral("A"));
    ProbeWidget* b = probe(mdi, QRect(300, 230, 60, 50), QStringLiteral("B"));
    a->selected = b->selected = true;
    mdi->slot_copyWidgets();
    const QString clip = QApplication::clipboard()->text();
    QVERIFY(clip.startsWith(QStringLiteral("<widgets>\n")));
    QVERIFY(clip.endsWith(QStringLiteral("</widgets>")));

    auto* target = desktop(m.get());
    // Through the desktop's menu: the paste entry is offered and chosen.
    chooseFromNextMenu(QStringLiteral("Paste widgets"));
    target->slot_contextMenu(QPoint(50, 40));
    QCOMPARE(target->widgets.size(), 2);
    auto* pa = static_cast<ProbeWidget*>(target->widgets[0]);
    auto* pb = static_cast<ProbeWidget*>(target->widgets[1]);
    QCOMPARE(pa->tag, QStringLiteral("A"));
    QCOMPARE(pa->subWindow->pos(), QPoint(50, 40));
    QCOMPARE(pb->subWindow->pos(), QPoint(250, 70));

    // One widget's copy; a clipboard of the other kind offers no paste.
    a->slot_copyWidgetToClipboard();
    QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("widgetType=\"0\"")));
    QApplication::clipboard()->setText(QStringLiteral("<widgets><widget mdiType=\"1\" widgetType=\"0\"/></widgets>"));
    QStringList seen;
    chooseFromNextMenu(QString(), &seen);
    target->slot_contextMenu(QPoint(10, 10));
    QVERIFY(!seen.isEmpty());
    QVERIFY(!seen.contains(QStringLiteral("Paste widgets")));
}

void TestDesktops::undoAfterTheSecondSave()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    mdi->undoList.clear();
    ProbeWidget* a = probe(mdi, QRect(0, 0, 60, 60), QStringLiteral("A"));
    mdi->slot_saveToFile(true);
    QCOMPARE(mdi->undoList.size(), 1);
    a->subWindow->move(200, 0);
    mdi->slot_saveToFile(true);
    QCOMPARE(mdi->undoList.size(), 2);
    chooseFromNextMenu(QStringLiteral("Undo"));
    mdi->slot_contextMenu(QPoint(300, 300));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(mdi->widgets.size(), 1);
    QCOMPARE(mdi->widgets[0]->subWindow->pos(), QPoint(0, 0));
    QCOMPARE(mdi->undoList.size(), 0);
    QVERIFY(mdi->saveTimer->isActive());
}

void TestDesktops::contextMenuOffersOnlyBuiltKinds()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    auto entries = [&]() {
        QStringList texts;
        chooseFromNextMenu(QString(), &texts);
        mdi->slot_contextMenu(QPoint(5, 5));
        // No menu opened: the chooser must not wait for the next one.
        QCoreApplication::processEvents();
        return texts;
    };
    QStringList texts = entries();
    QVERIFY(texts.contains(QStringLiteral("New time plot")));
    QVERIFY(texts.contains(QStringLiteral("New preview plot")));
    QVERIFY(texts.contains(QStringLiteral("New xy table")));
    QVERIFY(!texts.contains(QStringLiteral("New camera")));
    theSettings.setValue(QStringLiteral("script"), QStringLiteral("vimbastrel1"));
    texts = entries();
    QVERIFY(!texts.contains(QStringLiteral("New preview plot")));
    QVERIFY(texts.contains(QStringLiteral("New scatter plot")));
    mdi->setLockedEditing(true);
    QVERIFY(entries().isEmpty());
}

void TestDesktops::tabOrderFromTheListThenOtherFiles()
{
    for (const char* n : {"a", "b", "c"})
        writeFile(theSettings.desktopsDir.filePath(QString::fromLatin1(n) + QStringLiteral(".xml")),
                  "<widgets standalone=\"0\"/>");
    theSettings.setValue(QStringLiteral("mdiTabList"), QStringList{QStringLiteral("b"), QStringLiteral("gone"),
                                                                   QStringLiteral("a")});
    auto m = manager();
    m->initAfterSettings();
    QCOMPARE(m->existingDesktopNames(), (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}));
}

void TestDesktops::plusNamesAndCloseRestoreNewestFirst()
{
    auto m = manager();
    m->initAfterSettings();
    m->slot_newTabRequested();
    m->slot_newTabRequested();
    QCOMPARE(m->existingDesktopNames(),
             (QStringList{QStringLiteral("desktop"), QStringLiteral("desktop 1"), QStringLiteral("desktop 2")}));
    QCOMPARE(m->currentIndex(), 2);

    // Close "dyno", name another one "dyno" and close it too.
    m->renameDesktop(1, QStringLiteral("dyno"));
    m->mdiWidget(1)->loadFromString(QStringLiteral("<widgets><camera x=\"10\" y=\"10\" w=\"50\" h=\"50\"/></widgets>"));
    m->slot_tabCloseRequested(1);
    m->slot_newTabRequested();
    m->renameDesktop(2, QStringLiteral("dyno"));
    QCOMPARE(m->tabText(2), QStringLiteral("dyno"));
    m->slot_tabCloseRequested(2);
    QCOMPARE(m->closedDesktopNames, (QStringList{QStringLiteral("dyno"), QStringLiteral("dyno 1")}));
    QVERIFY(QFile::exists(theSettings.closedDesktopsDir.filePath(QStringLiteral("dyno.xml"))));
    QVERIFY(QFile::exists(theSettings.closedDesktopsDir.filePath(QStringLiteral("dyno 1.xml"))));
    QVERIFY(!QFile::exists(theSettings.desktopsDir.filePath(QStringLiteral("dyno.xml"))));

    // The newest comes back first: the empty one.
    m->restoreClosedDesktop();
    QCOMPARE(m->tabText(m->count() - 1), QStringLiteral("dyno 1"));
    QCOMPARE(m->mdiWidget(m->count() - 1)->widgets.size(), 0);
    m->restoreClosedDesktop();
    QCOMPARE(m->tabText(m->count() - 1), QStringLiteral("dyno"));
    QCOMPARE(m->mdiWidget(m->count() - 1)->widgets.size(), 1);
    QVERIFY(theSettings.closedDesktopsDir.entryList(QDir::Files).isEmpty());

    // A locked desktop stays.
    m->mdiWidget(0)->setLockedClosing(true);
    answerer.shown.clear();
    m->slot_tabCloseRequested(0);
    QCOMPARE(m->tabText(0), QStringLiteral("desktop"));
    QCOMPARE(answerer.shown.size(), 1);
    QCOMPARE(answerer.shown[0].text, QStringLiteral("Desktop locked"));
}

void TestDesktops::renameReplacesTheFileAfterWriting()
{
    auto m = manager();
    m->initAfterSettings();
    m->slot_newTabRequested();
    m->renameDesktop(0, QStringLiteral("My/Desk"));
    QCOMPARE(m->tabText(0), QStringLiteral("My_Desk"));
    QVERIFY(QFile::exists(theSettings.desktopsDir.filePath(QStringLiteral("My_Desk.xml"))));
    QVERIFY(!QFile::exists(theSettings.desktopsDir.filePath(QStringLiteral("desktop.xml"))));
    m->renameDesktop(1, QStringLiteral("My_Desk"));
    QCOMPARE(m->tabText(1), QStringLiteral("My_Desk 1"));
    m->renameDesktop(1, QStringLiteral("../../etc/passwd"));
    QCOMPARE(m->tabText(1), QStringLiteral("_._.._etc_passwd"));
    QVERIFY(QFile::exists(theSettings.desktopsDir.filePath(QStringLiteral("_._.._etc_passwd.xml"))));
    QCOMPARE(theSettings.desktopsDir.entryList(QDir::Files).size(), 2);
}

void TestDesktops::detachRestartReattach()
{
    {
        auto m = manager();
        m->initAfterSettings();
        m->slot_newTabRequested();
        m->detachDesktop(1);
        QCOMPARE(m->count(), 1);
        QCOMPARE(m->detachedDesktops.size(), 1);
        QCOMPARE(m->existingDesktopNames(), (QStringList{QStringLiteral("desktop"), QStringLiteral("desktop 1")}));
        auto* window = m->detachedDesktops[0]->window();
        window->move(40, 50);
        window->resize(500, 400);
        m->mainUiCloseClicked();
    }
    QVERIFY(readFile(theSettings.desktopsDir.filePath(QStringLiteral("desktop 1.xml"))).contains(QStringLiteral("standalone=\"1\"")));
    auto m = manager();
    m->initAfterSettings();
    QCOMPARE(m->count(), 1);
    QCOMPARE(m->detachedDesktops.size(), 1);
    AbstractMdi* detached = m->detachedDesktops[0];
    QCOMPARE(detached->window()->size(), QSize(500, 400));
    auto* dialog = qobject_cast<QDialog*>(detached->window());
    QVERIFY(dialog);
    dialog->reject();
    QCOMPARE(m->detachedDesktops.size(), 0);
    QCOMPARE(m->tabText(1), QStringLiteral("desktop 1"));
    QVERIFY(readFile(theSettings.desktopsDir.filePath(QStringLiteral("desktop 1.xml"))).contains(QStringLiteral("standalone=\"0\"")));
}

void TestDesktops::onlyTheVisibleDesktopRefreshes()
{
    QTabWidget mainTabs;
    for (int i = 0; i < 2; ++i)
        mainTabs.addTab(new QWidget, QString::number(i));
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* m = new MdiManager(page, MdiType_run);
    layout->addWidget(m);
    mainTabs.addTab(page, QStringLiteral("RUN"));
    mainTabs.setCurrentIndex(0);
    mainTabs.show();
    m->initAfterSettings();
    m->slot_newTabRequested();
    auto* first = static_cast<RunMdi*>(m->mdiWidget(0));
    auto* second = static_cast<RunMdi*>(m->mdiWidget(1));
    ProbeWidget* p1 = probe(first, QRect(0, 0, 50, 50));
    ProbeWidget* p2 = probe(second, QRect(0, 0, 50, 50));
    // RunMdi's own timers are replaced by the recorder: tick by hand what is started.
    auto runStarted = [&]() {
        for (RunMdi* mdi : {first, second})
            if (mdi->lastDelay >= 0) {
                mdi->lastDelay = -1;
                mdi->slot_tickItems();
            }
    };
    first->lastDelay = second->lastDelay = -1;
    m->setCurrentIndex(0);
    ProbeWidget::fakeNow += 100;
    runStarted();
    QCOMPARE(p1->ticks + p2->ticks, 0);

    // The RUN page shown: only the current desktop tab starts.
    mainTabs.setCurrentIndex(2);
    runStarted();
    QVERIFY(p1->ticks > 0);
    QCOMPARE(p2->ticks, 0);
    const int firstTicks = p1->ticks;
    m->setCurrentIndex(1);
    runStarted();
    QCOMPARE(p1->ticks, firstTicks);
    QVERIFY(p2->ticks > 0);
    QVERIFY(p1->breaks >= 1);
}

void TestDesktops::runEventsReachTabsAndWindows()
{
    auto m = manager();
    m->initAfterSettings();
    m->slot_newTabRequested();
    ProbeWidget* inTab = probe(static_cast<RunMdi*>(m->mdiWidget(0)), QRect(0, 0, 50, 50));
    ProbeWidget* inWindow = probe(static_cast<RunMdi*>(m->mdiWidget(1)), QRect(0, 0, 50, 50));
    m->detachDesktop(1);
    const int breaksTab = inTab->breaks;
    const int breaksWindow = inWindow->breaks;
    m->unpause();
    QMetaObject::invokeMethod(m.get(), &MdiManager::slot_newRunStarted, Qt::QueuedConnection);
    QTRY_COMPARE(inTab->newRuns, 1);
    QCOMPARE(inWindow->newRuns, 1);
    QCOMPARE(inTab->breaks, breaksTab + 1);
    QCOMPARE(inWindow->breaks, breaksWindow + 1);
    QCOMPARE(inTab->unpauses, 1);
    QCOMPARE(inWindow->unpauses, 0);
}

void TestDesktops::analyzeWithoutFactoryWritesNothing()
{
    {
        MdiManager m(nullptr, MdiType_analyze);
        m.initAfterSettings();
        QCOMPARE(m.count(), 1);
        QVERIFY(!m.mdiWidget(0));
        m.slot_newTabRequested();
        QCOMPARE(m.count(), 1);
    }
    QVERIFY(theSettings.desktopsAnalyzeDir.entryList(QDir::Files).isEmpty());
    QVERIFY(!theSettings.contains(QStringLiteral("analyzeTabList")));
}

void TestDesktops::downloadedDesktopIsWrittenSafely()
{
    auto m = manager();
    m->initAfterSettings();
    AbstractMdi* got = m->openDownloadedDesktop(QStringLiteral("../evil"),
        QStringLiteral("<widgets><camera x=\"0\" y=\"0\" w=\"40\" h=\"40\"/></widgets>"));
    QVERIFY(got);
    QCOMPARE(got->name, QStringLiteral("_._evil"));
    QCOMPARE(got->widgets.size(), 1);
    QVERIFY(QFile::exists(theSettings.desktopsDir.filePath(QStringLiteral("_._evil.xml"))));
}

void TestDesktops::loadFromServerOpensTheDownload()
{
    QProcess server;
    server.setProgram(QStringLiteral("/usr/bin/python3"));
    server.setArguments({QStringLiteral(DESKTOP_LIBRARY)});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    QVERIFY(server.waitForStarted(10000));
    QVERIFY(server.waitForReadyRead(10000));
    const QByteArray first = server.readLine().trimmed();
    QVERIFY2(first.startsWith("PORT "), first.constData());
    qputenv("ZEMBO_LIBRARY_BASE_URL", "http://127.0.0.1:" + first.mid(5) + "/");

    auto m = manager();
    m->initAfterSettings();
    answerer.respond = [](QDialog* dialog) -> int {
        auto* browser = qobject_cast<NetworkFileBrowser*>(dialog);
        if (!browser)
            return QDialog::Rejected;
        auto closed = std::make_shared<bool>(false);
        QObject::connect(browser, &QDialog::finished, browser, [closed] { *closed = true; });
        if (!QTest::qWaitFor([browser] { return browser->itemModel->rowCount() > 0; }, 10000))
            return QDialog::Rejected;
        browser->tableView->selectRow(0);
        browser->slot_acceptDialog();
        if (!QTest::qWaitFor([closed] { return *closed; }, 10000))
            return QDialog::Rejected;
        return browser->result();
    };
    chooseFromNextMenu(QStringLiteral("Load from server"));
    m->slot_tabContextMenu(m->tabBar()->tabRect(0).center());
    server.kill();
    server.waitForFinished(5000);
    QCOMPARE(m->existingDesktopNames(), (QStringList{QStringLiteral("desktop"), QStringLiteral("Dyno layout")}));
    AbstractMdi* got = m->mdiWidget(1);
    QVERIFY(got->lockedClosing);
    QCOMPARE(got->widgets.size(), 1);
    QVERIFY(readFile(theSettings.desktopsDir.filePath(QStringLiteral("Dyno layout.xml"))).contains(QStringLiteral("timePlot")));
}

void TestDesktops::schedulerTable_data()
{
    QTest::addColumn<QList<int>>("costs");
    QTest::addColumn<QList<int>>("expectedDelays"); // timer starts of consecutive steps
    QTest::addColumn<QList<int>>("ticksPerStep");   // widgets refreshed in each step
    QTest::newRow("empty desktop waits out 20 ms") << QList<int>{} << QList<int>{20, 20} << QList<int>{0, 0};
    QTest::newRow("a 5 ms pass waits 15 ms") << QList<int>{5} << QList<int>{15, 15} << QList<int>{1, 1};
    // The rest follow 10 ms later, and the next cycle begins at once, its
    // 20 ms being long over.
    QTest::newRow("a 150 ms widget yields 10 ms") << QList<int>{0, 150, 0, 0} << QList<int>{10, 10} << QList<int>{2, 4};
}

void TestDesktops::schedulerTable()
{
    QFETCH(QList<int>, costs);
    QFETCH(QList<int>, expectedDelays);
    QFETCH(QList<int>, ticksPerStep);
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    QList<ProbeWidget*> ws;
    for (int c : costs) {
        ws.append(probe(mdi, QRect(0, 0, 40, 40)));
        ws.last()->cost = c;
    }
    mdi->cycleStartTime = mdi->lastYieldTime = ProbeWidget::fakeNow;
    g_timerStarts.clear();
    for (int step = 0; step < expectedDelays.size(); ++step) {
        const int before = int(ProbeWidget::tickLog.size());
        mdi->slot_tickItems();
        QCOMPARE(g_timerStarts.last(), expectedDelays[step]);
        QCOMPARE(int(ProbeWidget::tickLog.size()) - before, ticksPerStep[step]);
        // The timer fires when it was asked to.
        ProbeWidget::fakeNow += g_timerStarts.last();
    }
}

void TestDesktops::schedulerResumesWhereItStopped()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    QList<ProbeWidget*> ws;
    for (int i = 0; i < 4; ++i) {
        ws.append(probe(mdi, QRect(0, 0, 40, 40), QString::number(i)));
        ws.last()->cost = i == 1 ? 120 : 0;
    }
    mdi->cycleStartTime = mdi->lastYieldTime = ProbeWidget::fakeNow;
    mdi->slot_tickItems();
    QCOMPARE(g_timerStarts.last(), 10);
    QCOMPARE(mdi->refreshPosition, 2u);
    const qint64 cycleStart = mdi->cycleStartTime;
    mdi->stopUpdates();
    for (ProbeWidget* w : ws)
        QCOMPARE(w->breaks, 1);
    mdi->startUpdates();
    QCOMPARE(g_timerStarts.last(), 1);
    QCOMPARE(mdi->cycleStartTime, cycleStart);
    ProbeWidget::tickLog.clear();
    mdi->slot_tickItems();
    QCOMPARE(ProbeWidget::tickLog.first().first, QStringLiteral("2"));
}

void TestDesktops::slowWidgetsStillYieldEvery120ms()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    for (int i = 0; i < 40; ++i)
        probe(mdi, QRect(0, 0, 40, 40))->cost = 20;
    mdi->cycleStartTime = mdi->lastYieldTime = ProbeWidget::fakeNow;
    int steps = 0;
    for (int i = 0; i < 50; ++i) {
        const qint64 start = ProbeWidget::fakeNow;
        mdi->slot_tickItems();
        ++steps;
        QVERIFY2(ProbeWidget::fakeNow - start <= 120, qPrintable(QString::number(ProbeWidget::fakeNow - start)));
        QCOMPARE(g_timerStarts.last(), 10);
        ProbeWidget::fakeNow += 10;
    }
    QVERIFY(steps == 50);
}

void TestDesktops::widgetClosedDuringPassIsNeverTouched()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    QList<ProbeWidget*> ws;
    for (int i = 0; i < 3; ++i)
        ws.append(probe(mdi, QRect(0, 0, 40, 40), QString::number(i)));
    ws[0]->closeInTick = true;
    mdi->slot_tickItems();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(mdi->widgets.size(), 2);
    // Every remaining widget got its tick once.
    QCOMPARE(ProbeWidget::tickLog.size(), 3);
    // A widget deleted outright (as with its channel's family) leaves the list too.
    delete ws[1]->subWindow;
    QCOMPARE(mdi->widgets.size(), 1);
    ProbeWidget::fakeNow += 50;
    mdi->slot_tickItems();
    QCOMPARE(ProbeWidget::tickLog.last().first, QStringLiteral("2"));
}

void TestDesktops::alarmOverlayFollowsAlarmAndOption()
{
    auto m = manager();
    RunMdi* mdi = desktop(m.get());
    bool alarm = false;
    DesktopHooks::instance()->alarmActive = [&alarm] { return alarm; };
    DesktopHooks::instance()->alarmText = [] { return QStringLiteral("oil temperature"); };
    theSettings.setValue(QStringLiteral("UserSetting/checkBox_settings_fullScreenAlarms"), 2);
    // An empty desktop still moves the overlay.
    mdi->slot_tickItems();
    QVERIFY(!mdi->overlayShown);
    alarm = true;
    ProbeWidget::fakeNow += 20;
    mdi->slot_tickItems();
    QVERIFY(mdi->overlayShown);
    QVERIFY(mdi->fullMdiAlarm->isVisible());
    QCOMPARE(mdi->fullMdiAlarm->geometry(), mdi->rect());
    theSettings.setValue(QStringLiteral("UserSetting/checkBox_settings_fullScreenAlarms"), 0);
    ProbeWidget::fakeNow += 20;
    mdi->slot_tickItems();
    QVERIFY(!mdi->overlayShown);
    QVERIFY(!mdi->fullMdiAlarm->isVisible());
    theSettings.remove(QStringLiteral("UserSetting/checkBox_settings_fullScreenAlarms"));
}

QTEST_MAIN(TestDesktops)
#include "tst_desktops.moc"
