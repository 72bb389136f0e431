// The per-column filters of the table views and the proxy that applies them:
// numeric comparisons and words, tested against the text the user sees;
// sorting by the raw value.
#include "MultipleSortFilterProxyModel.h"
#include "SmartFilter.h"

#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

namespace {

// A source whose display text and raw value (Qt::UserRole) differ, as in the SQL models.
void addRow(QStandardItemModel& model, const QStringList& texts, const QList<QVariant>& raw = {})
{
    QList<QStandardItem*> items;
    for (int i = 0; i < texts.size(); ++i) {
        auto* item = new QStandardItem(texts.at(i));
        item->setData(i < raw.size() ? raw.at(i) : QVariant(texts.at(i)), Qt::UserRole);
        items.append(item);
    }
    model.appendRow(items);
}

QStringList shownColumn(const QSortFilterProxyModel& proxy, int column)
{
    QStringList shown;
    for (int row = 0; row < proxy.rowCount(); ++row)
        shown.append(proxy.index(row, column).data().toString());
    return shown;
}

} // namespace

class TestFilterProxy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void smartFilter_data();
    void smartFilter();
    void preparedCellsFilterAlike();
    void keptTextsFollowTheSource();
    void rowsPassEveryColumnFilter();
    void refilterIsCoalescedAndSkippedWhenUnchanged();
    void sortsByRawValue();
    void beforeAndOutsideTheSource();
};

void TestFilterProxy::smartFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("passing");
    QTest::addColumn<QStringList>("failing");
    QTest::newRow("<5") << "<5" << 1 << QStringList{"4.99", "-3", "x<5y"} << QStringList{"5", "12", "abc"};
    QTest::newRow("< 5 with blank") << "< 5" << 1 << QStringList{"4"} << QStringList{"6"};
    QTest::newRow(">=1e3") << ">=1e3" << 4 << QStringList{"1000", "2500.5"} << QStringList{"999", ""};
    QTest::newRow("<=-2.5") << "<=-2.5" << 2 << QStringList{"-2.5", "-10"} << QStringList{"-2.4"};
    QTest::newRow(">100") << ">100" << 3 << QStringList{"100.1"} << QStringList{"100", "99"};
    QTest::newRow("<= is text") << "<=" << 0 << QStringList{"a <= b"} << QStringList{"3", "<"};
    QTest::newRow("< is text") << "<" << 0 << QStringList{"<"} << QStringList{"3"};
    QTest::newRow("decimal comma is text") << "<1,5" << 0 << QStringList{"x<1,5"} << QStringList{"1"};
    QTest::newRow("5< is text") << "5<" << 0 << QStringList{"15<"} << QStringList{"4"};
    QTest::newRow("two words") << "ford focus" << 0 << QStringList{"FORD Focus ST", "Focus, Ford"}
                               << QStringList{"Ford Fiesta", ""};
    QTest::newRow("5 as text") << "5" << 0 << QStringList{"15", "2.5"} << QStringList{"4"};
    QTest::newRow("blanks only") << "   " << 0 << QStringList{"", "anything"} << QStringList{};
    QTest::newRow("flag set") << "\u2691" << 0 << QStringList{"\u2691"} << QStringList{"\u2690", ""};
    QTest::newRow("flag clear") << "\u2690" << 0 << QStringList{"\u2690"} << QStringList{"\u2691"};
}

void TestFilterProxy::smartFilter()
{
    QFETCH(QString, filter);
    QFETCH(int, mode);
    QFETCH(QStringList, passing);
    QFETCH(QStringList, failing);
    SmartFilter smart;
    smart.setupFilter(filter);
    QCOMPARE(smart.text, filter);
    QCOMPARE(smart.mode, mode);
    for (const QString& cell : passing)
        QVERIFY2(smart.filter(cell), qPrintable(cell));
    for (const QString& cell : failing)
        QVERIFY2(!smart.filter(cell), qPrintable(cell));
}

void TestFilterProxy::preparedCellsFilterAlike()
{
    // A re-filter tests cells prepared once (folded, parsed); every filter
    // must give what the plain test of the cell's text gives, letter case of
    // other scripts and characters outside the basic plane included.
    const QStringList filters{"ford", "FORD focus", "straße", "STRASSE", "Ärger", "Σοφ",
                              "ς", "𐐀", "𐐨x", "<5", ">=1e3", "<=", "5", "İ", "i",
                              "   ", "⚑"};
    const QStringList cells{"Ford Focus ST", "focus, FORD", "Straße", "STRASSE", "äRGER über",
                            "σοφία", "ΣΟΦΟΣ", "𐐨X",
                            "𐐀x", "4.99", "1000", "abc<5", "a <= b", "15", "İstanbul", "istanbul",
                            "", "⚑", " 12 "};
    for (const QString& text : filters) {
        SmartFilter filter;
        filter.setupFilter(text);
        for (const QString& cellText : cells) {
            const SmartFilter::Cell cell = SmartFilter::prepare(cellText);
            QVERIFY2(filter.filter(cell) == filter.filter(cellText), qPrintable(text + QStringLiteral(" / ") + cellText));
        }
    }
}

void TestFilterProxy::keptTextsFollowTheSource()
{
    // The proxy keeps the display texts between passes; every change the
    // source announces must reach the next pass.
    QStandardItemModel model;
    addRow(model, {"Ford Focus", "120"});
    addRow(model, {"Opel Astra", "90"});
    MultipleSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setFilter(0, QStringLiteral("ford"));
    QTRY_COMPARE(proxy.rowCount(), 1);

    model.item(1, 0)->setText(QStringLiteral("Ford Ka")); // dataChanged
    QTRY_COMPARE(proxy.rowCount(), 2);
    model.item(0, 0)->setText(QStringLiteral("Saab 900"));
    QTRY_COMPARE(shownColumn(proxy, 0), QStringList{"Ford Ka"});

    addRow(model, {"Ford GT", "500"}); // rows inserted
    model.insertRow(0, {new QStandardItem(QStringLiteral("Ford Puma")), new QStandardItem(QStringLiteral("100"))});
    QTRY_COMPARE(proxy.rowCount(), 3);
    model.removeRow(1); // "Saab 900" goes, the rows below move up
    proxy.slot_invalidateFilterUpdateAllFiltersEmptyFlag();
    QCOMPARE(shownColumn(proxy, 0), (QStringList{"Ford Puma", "Ford Ka", "Ford GT"}));

    proxy.setFilter(1, QStringLiteral(">=120"));
    QTRY_COMPARE(shownColumn(proxy, 0), QStringList{"Ford GT"});
    model.item(1, 1)->setText(QStringLiteral("130")); // "Ford Ka", in a column filtered since
    QTRY_COMPARE(shownColumn(proxy, 0), (QStringList{"Ford Ka", "Ford GT"}));

    // A reset (a new select of an SQL model) and a new source start afresh.
    QStandardItemModel other;
    addRow(other, {"Ford Mustang", "300"});
    addRow(other, {"Ford Fiesta", "70"});
    proxy.setSourceModel(&other);
    QTRY_COMPARE(shownColumn(proxy, 0), QStringList{"Ford Mustang"});
    other.item(1, 1)->setText(QStringLiteral("400"));
    QTRY_COMPARE(proxy.rowCount(), 2);
    other.clear();
    proxy.slot_invalidateFilterUpdateAllFiltersEmptyFlag();
    QCOMPARE(proxy.rowCount(), 0);
}

void TestFilterProxy::rowsPassEveryColumnFilter()
{
    QStandardItemModel model;
    addRow(model, {"Ford Focus", "120"});
    addRow(model, {"Ford Fiesta", "90"});
    addRow(model, {"Opel Astra", "150"});
    MultipleSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QCOMPARE(proxy.filterCount(), 2);

    proxy.setFilter(0, QStringLiteral("ford"));
    proxy.setFilter(1, QStringLiteral(">100"));
    QTRY_COMPARE(proxy.rowCount(), 1);
    QCOMPARE(shownColumn(proxy, 0), QStringList{"Ford Focus"});

    proxy.setFilter(1, QString());
    QTRY_COMPARE(proxy.rowCount(), 2);
    proxy.setFilter(0, QString());
    QTRY_COMPARE(proxy.rowCount(), 3);

    // Blanks only: a filter that is set but accepts everything.
    proxy.setFilter(0, QStringLiteral("   "));
    QTest::qWait(20);
    QCOMPARE(proxy.rowCount(), 3);
    QCOMPARE(proxy.filterText(0), QStringLiteral("   "));

    // A source set again keeps the filters of the columns that still exist.
    proxy.setFilter(1, QStringLiteral("<100"));
    QTRY_COMPARE(proxy.rowCount(), 1);
    proxy.setSourceModel(&model);
    QCOMPARE(proxy.filterText(1), QStringLiteral("<100"));
}

void TestFilterProxy::refilterIsCoalescedAndSkippedWhenUnchanged()
{
    QStandardItemModel model;
    for (int i = 0; i < 5; ++i)
        addRow(model, {QString::number(i)});
    MultipleSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QSignalSpy refiltered(&proxy, &QAbstractItemModel::layoutChanged);
    QSignalSpy removed(&proxy, &QAbstractItemModel::rowsRemoved);

    // A burst of changes within one pass of the event loop: one re-filter.
    proxy.setFilter(0, QStringLiteral("<4"));
    proxy.setFilter(0, QStringLiteral("<3"));
    proxy.setFilter(0, QStringLiteral("<2"));
    QTRY_COMPARE(proxy.rowCount(), 2);
    QTest::qWait(20);
    const int passes = removed.count() + refiltered.count();
    QCOMPARE(removed.count(), 1);

    // The same text again does not re-filter.
    proxy.setFilter(0, QStringLiteral("<2"));
    QTest::qWait(20);
    QCOMPARE(removed.count() + refiltered.count(), passes);
}

void TestFilterProxy::sortsByRawValue()
{
    QStandardItemModel model;
    addRow(model, {"10.0"}, {10.0});
    addRow(model, {"9.0"}, {9.0});
    addRow(model, {"100.0"}, {100.0});
    MultipleSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QCOMPARE(proxy.sortRole(), int(Qt::UserRole));
    proxy.sort(0, Qt::AscendingOrder);
    // The texts would sort 10.0, 100.0, 9.0.
    QCOMPARE(shownColumn(proxy, 0), (QStringList{"9.0", "10.0", "100.0"}));
    // Filters still see the text while sorted.
    proxy.setFilter(0, QStringLiteral(">=10"));
    QTRY_COMPARE(shownColumn(proxy, 0), (QStringList{"10.0", "100.0"}));
    QCOMPARE(proxy.mapToSource(proxy.index(0, 0)).row(), 0);
}

void TestFilterProxy::beforeAndOutsideTheSource()
{
    MultipleSortFilterProxyModel proxy;
    // Ignored before a source exists, and outside its columns.
    proxy.setFilter(0, QStringLiteral("x"));
    QCOMPARE(proxy.filterText(0), QString());
    QStandardItemModel model;
    addRow(model, {"a"});
    addRow(model, {"b"});
    proxy.setSourceModel(&model);
    proxy.setFilter(5, QStringLiteral("a"));
    proxy.setFilter(-1, QStringLiteral("a"));
    QTest::qWait(20);
    QCOMPARE(proxy.rowCount(), 2);
}

QTEST_MAIN(TestFilterProxy)
#include "tst_filter_proxy.moc"
