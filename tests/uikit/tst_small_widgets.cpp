// Menus, colour and icon buttons, image and vertical labels, the progress bars,
// and the line edit with history.
#include "ColorButton.h"
#include "Fonts.h"
#include "IconButton.h"
#include "Icons.h"
#include "ImageLabel.h"
#include "LayoutLine.h"
#include "LineEditWithHistory.h"
#include "MenuDriver.h"
#include "MyMenu.h"
#include "ProgressWidget.h"
#include "RecordingAnswerer.h"
#include "VerticalLabel.h"

#include <QColorDialog>
#include <QComboBox>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

class TestSmallWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void rightButtonReleaseDoesNotTrigger();
    void menuFromComboBox();
    void colorButton();
    void iconButton();
    void iconPicker();
    void imageLabelRescalesOnceAfterResizes();
    void imageLabelDrop();
    void verticalLabel();
    void layoutLine();
    void progressWidget();

    void history_data();
    void history();
    void historyMenu();
};

void TestSmallWidgets::initTestCase()
{
    theFonts.init();
    theIcons.init();
}

void TestSmallWidgets::rightButtonReleaseDoesNotTrigger()
{
    MyMenu menu;
    QCOMPARE(menu.font(), theFonts.fixedFontBase);
    QAction* entry = menu.addAction("Entry");
    QSignalSpy triggered(entry, &QAction::triggered);
    menu.popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    const QPoint at = menu.actionGeometry(entry).center();
    QTest::mouseClick(&menu, Qt::RightButton, {}, at);
    QCOMPARE(triggered.count(), 0);
    QVERIFY(menu.isVisible());
    QTest::mouseClick(&menu, Qt::LeftButton, {}, at);
    QCOMPARE(triggered.count(), 1);
}

void TestSmallWidgets::menuFromComboBox()
{
    QComboBox combo;
    combo.addItems({"ELM327", "Hidden", "Serial", "ELM327"});
    qobject_cast<QListView*>(combo.view())->setRowHidden(1, true);
    MyMenu* menu = MyMenu::generateMenuFromComboBox("OBD", &combo);
    QCOMPARE(menu->title(), QStringLiteral("OBD"));
    QCOMPARE(menu->parent(), nullptr);
    QCOMPARE(menu->actions().size(), 3);
    menu->actions().at(1)->trigger();
    QCOMPARE(combo.currentIndex(), 2);
    // The first row of that text.
    menu->actions().at(2)->trigger();
    QCOMPARE(combo.currentIndex(), 0);
    delete menu;
}

void TestSmallWidgets::colorButton()
{
    ColorButton button;
    QCOMPARE(button.styleSheet(), QString());
    QSignalSpy spy(&button, &ColorButton::signal_colorChanged);
    button.setColor(QColor());
    QCOMPARE(spy.count(), 0);
    button.setColor(QColor(10, 20, 30));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(button.styleSheet(), QStringLiteral("border: none; background-color: #0a141e"));
    button.setColor(QColor(10, 20, 30));
    QCOMPARE(spy.count(), 1);

    RecordingAnswerer answerer;
    answerer.respond = [](QDialog* dialog) {
        auto* picker = qobject_cast<QColorDialog*>(dialog);
        if (!picker || picker->currentColor() != QColor(10, 20, 30))
            return int(QDialog::Rejected);
        picker->setCurrentColor(QColor(200, 100, 0));
        return int(QDialog::Accepted);
    };
    button.click();
    QCOMPARE(button.color(), QColor(200, 100, 0));
    QCOMPARE(spy.count(), 2);
    answerer.respond = [](QDialog* dialog) {
        qobject_cast<QColorDialog*>(dialog)->setCurrentColor(Qt::red);
        return int(QDialog::Rejected);
    };
    button.click();
    QCOMPARE(button.color(), QColor(200, 100, 0));
    QCOMPARE(spy.count(), 2);
}

void TestSmallWidgets::iconButton()
{
    IconButton button;
    QCOMPARE(button.iconSize(), QSize(128, 128));
    QSignalSpy names(&button, &IconButton::signal_iconNameChanged);
    QSignalSpy icons(&button, &IconButton::signal_iconChanged);
    const QString known = theIcons.userIcons.firstKey();
    button.setIconFromName(known);
    QVERIFY(!button.icon().isNull());
    button.setIconFromName(known);
    QCOMPARE(names.count(), 2);
    QCOMPARE(icons.count(), 2);

    // Missing from the user icons: no icon, but the name is kept and announced.
    button.setIconFromName("no such icon");
    QVERIFY(button.icon().isNull());
    QCOMPARE(button.iconName, QStringLiteral("no such icon"));
    QCOMPARE(names.last().first().toString(), QStringLiteral("no such icon"));

    button.setIconFromName(known);
    {
        MenuDriver driver({"Clear"});
        button.slot_contextMenuRequested(QPoint(1, 1));
        QCOMPARE(driver.entries, QStringList{"Clear"});
    }
    QVERIFY(button.icon().isNull());
    QCOMPARE(button.iconName, QString());
    QCOMPARE(names.last().first().toString(), QString());
}

void TestSmallWidgets::iconPicker()
{
    IconButton button;
    RecordingAnswerer answerer;
    QStringList offered;
    answerer.respond = [&](QDialog* dialog) {
        auto* list = dialog->findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i)
            offered << list->item(i)->text();
        Q_EMIT list->itemDoubleClicked(list->item(list->count() - 1));
        return dialog->result();
    };
    button.click();
    QCOMPARE(answerer.shown.first().title, QStringLiteral("Select icon with double click"));
    QCOMPARE(offered, theIcons.userIcons.keys());
    QCOMPARE(button.iconName, theIcons.userIcons.lastKey());
}

void TestSmallWidgets::imageLabelRescalesOnceAfterResizes()
{
    ImageLabel label;
    label.resize(100, 100);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    label.setImage(image);
    QCOMPARE(label.pixmap().size(), QSize(100, 50));
    for (int i = 1; i <= 10; ++i)
        label.resize(100 + 20 * i, 100);
    // Still the old picture while resizes keep coming...
    QCOMPARE(label.pixmap().size(), QSize(100, 50));
    // ...then one rescale to the final size.
    QTRY_COMPARE(label.pixmap().size(), QSize(200, 100));

    label.setText("no picture");
    QVERIFY(label.pixmap().isNull());
    label.resize(200, 200);
    QTest::qWait(100);
    QVERIFY(label.pixmap().isNull());
    QCOMPARE(label.text(), QStringLiteral("no picture"));
}

void TestSmallWidgets::imageLabelDrop()
{
    ImageLabel label;
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QVERIFY(label.acceptDrops());
    QSignalSpy spy(&label, &ImageLabel::signal_fileDropped);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/home/pi/logo.png"), QUrl::fromLocalFile("/tmp/other.png")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &drop);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toString(), QStringLiteral("/home/pi/logo.png"));

    QMimeData text;
    text.setText("not a file");
    QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &textEnter);
    QDropEvent textDrop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &textDrop);
    QCOMPARE(spy.count(), 1);
}

void TestSmallWidgets::verticalLabel()
{
    VerticalLabel label("Torque [Nm]");
    const QSize flat = label.sizeHint();
    label.setVertical(true);
    QCOMPARE(label.sizeHint(), flat.transposed());
    QCOMPARE(label.minimumSizeHint(), QLabel("Torque [Nm]").minimumSizeHint().transposed());
    QCOMPARE(label.alignment(), Qt::AlignCenter);

    // The text is drawn turned: the painted area is taller than wide.
    label.resize(label.sizeHint());
    QImage picture(label.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    label.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    QRect inked;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) > 0)
                inked |= QRect(x, y, 1, 1);
    QVERIFY(inked.isValid());
    QVERIFY(inked.height() > 2 * inked.width());
}

void TestSmallWidgets::layoutLine()
{
    LayoutLine line;
    QCOMPARE(line.frameShape(), QFrame::HLine);
}

void TestSmallWidgets::progressWidget()
{
    int memoryRefreshes = 0;
    ProgressWidget::setMemoryUsageRefresher([&memoryRefreshes] { ++memoryRefreshes; });
    ProgressWidget progress;
    const QList<QProgressBar*> bars = progress.findChildren<QProgressBar*>();
    QCOMPARE(bars.size(), 2);
    QProgressBar* mainBar = bars.at(0);
    QProgressBar* subBar = bars.at(1);
    QCOMPARE(mainBar->value(), 100);
    QCOMPARE(progress.maximumWidth(), 80);

    QVERIFY(!QGuiApplication::overrideCursor());
    progress.slot_setProgress(0);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    progress.slot_setProgress(0.5f);
    QCOMPARE(mainBar->value(), 50);
    QCOMPARE(subBar->value(), 0);
    progress.slot_setSubProgress(0);
    progress.slot_setSubProgress(0.333f);
    QCOMPARE(subBar->value(), 33);
    progress.slot_setSubProgress(1);
    QCOMPARE(memoryRefreshes, 3);
    progress.slot_setProgress(1);
    QCOMPARE(mainBar->value(), 100);
    QCOMPARE(subBar->value(), 100);
    // Every push of the wait cursor was popped again.
    QVERIFY(!QGuiApplication::overrideCursor());
    ProgressWidget::setMemoryUsageRefresher({});
}

void TestSmallWidgets::history_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("announced");
    const QStringList ten{"9", "8", "7", "6", "5", "4", "3", "2", "1", "0"};
    QTest::newRow("eleventh drops the oldest") << ten << "10"
                                               << QStringList{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}
                                               << true;
    QTest::newRow("third moves to the front") << QStringList{"a", "b", "c", "d"} << "c"
                                              << QStringList{"c", "a", "b", "d"} << true;
    QTest::newRow("already first: nothing") << QStringList{"a", "b"} << "a" << QStringList{"a", "b"} << false;
    QTest::newRow("empty text in front") << QStringList{"a"} << "" << QStringList{"", "a"} << true;
    QTest::newRow("empty into empty: nothing") << QStringList{} << "" << QStringList{} << false;
    QTest::newRow("restored list trimmed at the next commit")
        << QStringList{"x", "a", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j"} << "b"
        << QStringList{"b", "x", "a", "a", "c", "d", "e", "f", "g", "h"} << true;
}

void TestSmallWidgets::history()
{
    QFETCH(QStringList, before);
    QFETCH(QString, text);
    QFETCH(QStringList, after);
    QFETCH(bool, announced);
    LineEditWithHistory edit;
    edit.history = before;
    edit.setText(text);
    QSignalSpy spy(&edit, &LineEditWithHistory::signal_historyChanged);
    edit.saveCurrentTextToHistory();
    QCOMPARE(edit.history, after);
    QCOMPARE(spy.count(), announced ? 1 : 0);
    if (announced)
        QCOMPARE(spy.first().first().toStringList(), after);
}

void TestSmallWidgets::historyMenu()
{
    LineEditWithHistory edit;
    QCOMPARE(edit.contextMenuPolicy(), Qt::CustomContextMenu);
    {
        MenuDriver driver;
        edit.slot_contextMenu(QPoint(1, 1));
        QTest::qWait(50);
        QVERIFY(!driver.opened);
    }
    edit.history = {"new@example.com", "old@example.com"};
    QSignalSpy spy(&edit, &LineEditWithHistory::signal_historyChanged);
    {
        MenuDriver driver({"old@example.com"});
        edit.slot_contextMenu(QPoint(1, 1));
        QCOMPARE(driver.entries, edit.history);
    }
    QCOMPARE(edit.text(), QStringLiteral("old@example.com"));
    QCOMPARE(edit.history, (QStringList{"new@example.com", "old@example.com"}));
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestSmallWidgets)
#include "tst_small_widgets.moc"
