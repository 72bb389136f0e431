// The searchable table views: the filter row and what it filters, rows that
// leave the view as rows of the caller's model whatever the sorting and
// filtering, columns that follow the field descriptors, and the settings
// binding of the database tables.
#include "DatabaseTestSupport.h"
#include "DelayedComboBox.h"
#include "DelayedLineEdit.h"
#include "MultipleSortFilterProxyModel.h"
#include "MySQLTableView.h"
#include "MyTableView.h"
#include "MyTableViewSearchHeader.h"
#include "TinyTableModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace DatabaseTest;

namespace {

struct Fixture {
    explicit Fixture(const QString& path)
        : connection(path)
    {
        connection.exec(QStringLiteral("create table t (id INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT 1,flag int,"
                                       "kind int,whenDone int,power real,label varchar(100),count int,"
                                       "note varchar(2000))"));
        const char* rows[] = {"(1, 'Ford Focus', 30)", "(0, 'Ford Fiesta', 10)", "(1, 'Opel Astra', 50)",
                              "(0, 'Focus, Ford', 20)", "(0, 'Saab', 40)"};
        for (const char* row : rows)
            connection.exec(QStringLiteral("insert into t (flag, label, count) values %1").arg(QLatin1String(row)));
        model = std::make_unique<TinyTableModel>(connection.database(), QStringLiteral("t"));
        view.setObjectName(QStringLiteral("myTableView_test"));
        view.setModel(model.get());
        view.resize(900, 400);
        view.show();
    }
    // The strip is built 100 ms after it is made.
    bool waitForStrip()
    {
        return QTest::qWaitFor([this] { return view.searchHeader->columnCount() == model->columnCount(); }, 2000);
    }
    QStringList shownLabels() const
    {
        QStringList labels;
        for (int row = 0; row < view.proxyModel->rowCount(); ++row)
            labels.append(view.proxyModel->index(row, TinyTableModel::Label).data().toString());
        return labels;
    }
    QRect cell(int sourceRow, int column) const
    {
        const QModelIndex index = view.proxyModel->mapFromSource(model->index(sourceRow, column));
        return view.tableView->visualRect(index);
    }

    Connection connection;
    std::unique_ptr<TinyTableModel> model;
    MySQLTableView view;
};

// The kind of in-memory table the plain view shows (channel setups and the like).
class NameTable : public QAbstractTableModel
{
public:
    QStringList names{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")};
    int rowCount(const QModelIndex& = QModelIndex()) const override { return names.size(); }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::UserRole)
            return QVariant();
        return index.column() == 0 ? QVariant(names.at(index.row())) : QVariant(1);
    }
};

} // namespace

class TestTableViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void filterRowFiltersWhatTheUserSees();
    void rowsLeaveAsSourceRows();
    void rebuiltFilterRowShowsTheFiltersInForce();
    void columnsFollowDescriptorsAndTheTable();
    void settingsKeepHeaderAndSorting();
    void plainTableView();

private:
    QString newDatabase() { return dir.filePath(QStringLiteral("v%1.db").arg(++number)); }
    QTemporaryDir dir;
    int number = 0;
};

void TestTableViews::initTestCase()
{
    theUnits.init();
    QVERIFY(dir.isValid());
}

void TestTableViews::filterRowFiltersWhatTheUserSees()
{
    Fixture f(newDatabase());
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    QVERIFY(f.waitForStrip());
    MyTableViewSearchHeader* strip = f.view.searchHeader;
    QCOMPARE(strip->height(), 25);

    auto* flag = qobject_cast<DelayedComboBox*>(strip->cellWidget(0, TinyTableModel::Flag));
    QVERIFY(flag);
    QCOMPARE(flag->count(), 3);
    QCOMPARE(flag->itemText(0), QString());
    QCOMPARE(flag->itemText(1), QStringLiteral("\u2691"));
    QCOMPARE(flag->itemText(2), QStringLiteral("\u2690"));
    auto* label = qobject_cast<DelayedLineEdit*>(strip->cellWidget(0, TinyTableModel::Label));
    QVERIFY(label);
    QCOMPARE(label->toolTip(), QStringLiteral("Label"));

    // Two words in any order and case; the proxy hears it after the typing pause.
    QTest::keyClicks(label, QStringLiteral("focus FORD"));
    QCOMPARE(f.view.proxyModel->rowCount(), 5);
    QTRY_COMPARE(f.shownLabels().size(), 2);
    QVERIFY(f.shownLabels().contains(QStringLiteral("Ford Focus")));
    QVERIFY(f.shownLabels().contains(QStringLiteral("Focus, Ford")));

    // The flag column filters at once by its signs.
    flag->setCurrentIndex(2);
    QTRY_COMPARE(f.shownLabels(), QStringList{QStringLiteral("Focus, Ford")});

    auto* count = qobject_cast<DelayedLineEdit*>(strip->cellWidget(0, TinyTableModel::Count));
    QVERIFY(count);
    flag->setCurrentIndex(0);
    label->clear();
    count->setText(QStringLiteral(">25"));
    QTRY_COMPARE(f.shownLabels().size(), 3);

    // Cleared without waiting for the typing pause.
    f.view.slot_clearFilters();
    QTest::qWait(30);
    QCOMPARE(f.shownLabels().size(), 5);
    QCOMPARE(count->text(), QString());
}

void TestTableViews::rowsLeaveAsSourceRows()
{
    Fixture f(newDatabase());
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    QVERIFY(f.waitForStrip());
    // Sorted by count, descending, and filtered to the Ford rows (source rows 0, 1, 3).
    f.view.sortByColumn(TinyTableModel::Count, Qt::DescendingOrder);
    f.view.proxyModel->setFilter(TinyTableModel::Label, QStringLiteral("ford"));
    QTRY_COMPARE(f.view.proxyModel->rowCount(), 3);
    QCOMPARE(f.shownLabels(), (QStringList{"Ford Focus", "Focus, Ford", "Ford Fiesta"}));

    QSignalSpy selection(&f.view, &SearchTableViewBase::signal_selectionChanged);
    QSignalSpy doubleClicks(&f.view, &SearchTableViewBase::signal_doubleClicked);
    QSignalSpy keys(&f.view, &MySQLTableView::signal_keyEvent);
    QSignalSpy menus(&f.view, &SearchTableViewBase::signal_contextMenuEvent);
    QSignalSpy tips(&f.view, &SearchTableViewBase::signal_tooltipEvent);
    QSignalSpy leaves(&f.view, &SearchTableViewBase::signal_mouseLeaveEvent);

    f.view.selectRow(3);  // "Focus, Ford", shown second
    QCOMPARE(selection.last().at(0).toInt(), 3);
    f.view.selectRow(1);
    QCOMPARE(f.view.selectedRows(), (QList<int>{3, 1}));

    QWidget* viewport = f.view.tableView->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, f.cell(1, TinyTableModel::Label).center());
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, f.cell(1, TinyTableModel::Label).center());
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(doubleClicks.last().at(0).toInt(), 1);

    f.view.tableView->clearSelection();
    f.view.selectRow(0);
    f.view.selectRow(3);
    QCOMPARE(f.view.selectedRows().size(), 2);
    QTest::keyClick(f.view.tableView, Qt::Key_Delete);
    QTest::keyClick(f.view.tableView, Qt::Key_N);
    QTest::keyClick(f.view.tableView, Qt::Key_Return);
    QCOMPARE(keys.count(), 3);
    QCOMPARE(keys.first().at(0).value<QList<int>>(), (QList<int>{0, 3}));
    QCOMPARE(keys.first().at(1).toInt(), int(Qt::Key_Delete));
    // The model hears them through its own slot.
    QCOMPARE(f.model->keys.size(), 3);
    // Navigation and select-all stay with the table (the Ctrl key itself is reported).
    QTest::keyClick(f.view.tableView, Qt::Key_Down);
    QTest::keyClick(f.view.tableView, Qt::Key_Up);
    QTest::keyClick(f.view.tableView, Qt::Key_A, Qt::ControlModifier);
    for (const QList<QVariant>& reported : std::as_const(keys)) {
        const int key = reported.at(1).toInt();
        QVERIFY(key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_A);
    }
    QCOMPARE(f.view.selectedRows().size(), 3);

    // A right click on a selected row reports the selection, on another row nothing.
    f.view.tableView->clearSelection();
    f.view.selectRow(0);
    f.view.selectRow(3);
    const auto rightClick = [viewport](const QPoint& at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
    };
    rightClick(f.cell(3, TinyTableModel::Count).center());
    QCOMPARE(menus.last().at(0).value<QList<int>>(), (QList<int>{0, 3}));
    QCOMPARE(menus.last().at(1).toInt(), int(TinyTableModel::Count));
    rightClick(f.cell(1, TinyTableModel::Label).center());
    QCOMPARE(menus.last().at(0).value<QList<int>>(), QList<int>{});
    // Below the last row: no row, but the column under the pointer.
    const QRect last = f.cell(1, TinyTableModel::Label);
    rightClick(QPoint(last.center().x(), last.bottom() + 40));
    QCOMPARE(menus.last().at(0).value<QList<int>>(), QList<int>{});
    QCOMPARE(menus.last().at(1).toInt(), int(TinyTableModel::Label));
    QCOMPARE(f.model->menuRequests.size(), 3);
    // Disabled: the request is not reported.
    f.view.setEnabled(false);
    rightClick(f.cell(3, TinyTableModel::Count).center());
    QCOMPARE(menus.count(), 3);
    f.view.setEnabled(true);

    const QPoint tipAt = f.cell(3, TinyTableModel::Label).center();
    QHelpEvent tip(QEvent::ToolTip, tipAt, viewport->mapToGlobal(tipAt));
    QApplication::sendEvent(viewport, &tip);
    QCOMPARE(tips.count(), 1);
    QCOMPARE(tips.last().at(0).toInt(), 3);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.view.tableView, &leave);
    QCOMPARE(leaves.count(), 1);

    // -1 only announces; the selection stays.
    const int before = selection.count();
    f.view.selectRow(-1);
    QCOMPARE(selection.count(), before + 1);
    QCOMPARE(selection.last().at(0).toInt(), -1);
    QCOMPARE(f.view.selectedRows(), (QList<int>{0, 3}));
}

void TestTableViews::rebuiltFilterRowShowsTheFiltersInForce()
{
    Fixture f(newDatabase());
    QVERIFY(f.waitForStrip());
    auto* label = qobject_cast<DelayedLineEdit*>(f.view.searchHeader->cellWidget(0, TinyTableModel::Label));
    auto* flag = qobject_cast<DelayedComboBox*>(f.view.searchHeader->cellWidget(0, TinyTableModel::Flag));
    label->setText(QStringLiteral("ford"));
    flag->setCurrentIndex(1);
    QTRY_COMPARE(f.shownLabels(), QStringList{QStringLiteral("Ford Focus")});

    // A unit change renames a header: the strip is rebuilt with fresh editors.
    f.model->descriptorChanged(TinyTableModel::Power);
    QTRY_VERIFY(f.view.searchHeader->cellWidget(0, TinyTableModel::Label) != label);
    auto* newLabel = qobject_cast<DelayedLineEdit*>(f.view.searchHeader->cellWidget(0, TinyTableModel::Label));
    auto* newFlag = qobject_cast<DelayedComboBox*>(f.view.searchHeader->cellWidget(0, TinyTableModel::Flag));
    // They show what still filters the table, so no filter is in force unseen.
    QCOMPARE(newLabel->text(), QStringLiteral("ford"));
    QCOMPARE(newFlag->currentText(), QStringLiteral("\u2691"));
    QTest::qWait(400);
    QCOMPARE(f.shownLabels(), QStringList{QStringLiteral("Ford Focus")});
    // And clearing them still clears the filters.
    f.view.slot_clearFilters();
    QTest::qWait(30);
    QCOMPARE(f.shownLabels().size(), 5);
}

void TestTableViews::columnsFollowDescriptorsAndTheTable()
{
    Fixture f(newDatabase());
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    QVERIFY(f.waitForStrip());
    QTableView* table = f.view.tableView;
    QVERIFY(table->isColumnHidden(TinyTableModel::Id));
    QVERIFY(!table->isColumnHidden(TinyTableModel::Power));

    f.model->descriptor(TinyTableModel::Power)->hiddenInTable = true;
    f.model->descriptorChanged(TinyTableModel::Power);
    QVERIFY(table->isColumnHidden(TinyTableModel::Power));
    f.model->descriptor(TinyTableModel::Power)->hiddenInTable = false;
    f.model->descriptorChanged(TinyTableModel::Power);
    QVERIFY(!table->isColumnHidden(TinyTableModel::Power));

    // The strip's editors sit over their columns: widths, order and scrolling follow.
    QHeaderView* header = table->horizontalHeader();
    QHeaderView* stripHeader = f.view.searchHeader->horizontalHeader();
    header->resizeSection(TinyTableModel::Label, 333);
    QCOMPARE(stripHeader->sectionSize(TinyTableModel::Label), 333);
    header->moveSection(header->visualIndex(TinyTableModel::Count), 1);
    QCOMPARE(stripHeader->visualIndex(TinyTableModel::Count), 1);
    header->resizeSection(TinyTableModel::Note, 900);
    QTest::qWait(50);  // the scroll ranges follow on the next layout pass
    table->horizontalScrollBar()->setValue(150);
    QCOMPARE(f.view.searchHeader->horizontalScrollBar()->value(), 150);
    f.view.searchHeader->horizontalScrollBar()->setValue(40);
    QCOMPARE(table->horizontalScrollBar()->value(), 40);

    // A model without columns gives an empty strip.
    Connection empty(newDatabase());
    TinyTableModel none(empty.database(), QStringLiteral("t"), 0);
    MySQLTableView view;
    view.setModel(&none);
    QTest::qWait(150);
    QCOMPARE(view.searchHeader->columnCount(), 0);
}

void TestTableViews::settingsKeepHeaderAndSorting()
{
    const QString path = newDatabase();
    const QString key = QStringLiteral("UserSetting/myTableView_test/headerState");
    theSettings.remove(key);
    {
        Fixture f(path);
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        theSettings.connectMyTableView(&f.view);
        QHeaderView* header = f.view.tableView->horizontalHeader();
        QCOMPARE(header->objectName(), QStringLiteral("myTableView_test/headerState"));
        QCOMPARE(header->defaultAlignment(), Qt::Alignment(Qt::AlignCenter));
        header->resizeSection(TinyTableModel::Label, 250);
        // A click on a header sorts and is written at once.
        const int x = header->sectionViewportPosition(TinyTableModel::Count) + 5;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(theSettings.value(key + QStringLiteral("/sortSection")).toInt(), int(TinyTableModel::Count));
        QVERIFY(theSettings.contains(key));
        QCOMPARE(theSettings.value(key + QStringLiteral("/sortOrder")).toInt(),
                 int(header->sortIndicatorOrder()));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(theSettings.value(key + QStringLiteral("/sortOrder")).toInt(),
                 int(header->sortIndicatorOrder()));
    }
    const Qt::SortOrder order = static_cast<Qt::SortOrder>(theSettings.value(key + QStringLiteral("/sortOrder")).toInt());

    // The next view of that name comes back as it was left.
    Fixture f(path);
    theSettings.connectMyTableView(&f.view);
    QHeaderView* header = f.view.tableView->horizontalHeader();
    QCOMPARE(header->sortIndicatorSection(), int(TinyTableModel::Count));
    QCOMPARE(header->sortIndicatorOrder(), order);
    QCOMPARE(header->sectionSize(TinyTableModel::Label), 250);
    // The filter row is rebuilt at once, with the restored widths.
    QCOMPARE(f.view.searchHeader->columnCount(), f.model->columnCount());
    QCOMPARE(f.view.searchHeader->horizontalHeader()->sectionSize(TinyTableModel::Label), 250);
    QCOMPARE(f.view.proxyModel->index(0, TinyTableModel::Count).data().toString(),
             QString::number(order == Qt::AscendingOrder ? 10 : 50));
}

void TestTableViews::plainTableView()
{
    NameTable model;
    MyTableView view(nullptr, QStringLiteral("channelSetupList_test"));
    view.setModel(&model);
    view.show();
    QCOMPARE(view.objectName(), QStringLiteral("channelSetupList_test"));
    QCOMPARE(view.tableView->horizontalHeader()->objectName(), QStringLiteral("channelSetupList_test_header"));
    QVERIFY(view.font().fixedPitch() || view.font().pointSize() == 9);

    view.sortByColumn(0, Qt::AscendingOrder);
    QSignalSpy keys(&view, &MyTableView::signal_keyEvent);
    view.selectRow(2);  // "a", shown first
    view.tableView->setCurrentIndex(view.proxyModel->index(0, 0));
    QTest::keyClick(view.tableView, Qt::Key_Delete, Qt::ShiftModifier);
    QVERIFY(!keys.isEmpty());
    QCOMPARE(keys.last().at(0).value<QList<int>>(), QList<int>{2});
    QCOMPARE(keys.last().at(1).toInt(), 2);
    QCOMPARE(keys.last().at(2).toInt(), int(Qt::Key_Delete));
    QCOMPARE(keys.last().at(3).toInt(), int(Qt::ShiftModifier));
}

QTEST_MAIN(TestTableViews)
#include "tst_table_views.moc"
