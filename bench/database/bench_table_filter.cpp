// Re-filtering the projects table of 10,000 rows through the view's proxy, as
// the filter row does: three column filters (words, a number compared in the
// shown unit, two words), unsorted and sorted. Writes the database into the
// folder given, prints "name seconds passingRows" per measurement for
// compare.py, which does the same filtering on the same file in Python.
#include "MultipleSortFilterProxyModel.h"
#include "MySettings.h"
#include "ProjectListModel.h"
#include "Unit.h"
#include "Units.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <cstdio>
#include <limits>

namespace {

constexpr int kRows = 10000;
constexpr int kRepetitions = 20;

void fill(QSqlDatabase db)
{
    const char* brands[] = {"Ford", "Opel", "Saab", "Volvo", "Fiat", "Skoda", "Seat", "Ford Performance"};
    const char* models[] = {"Focus", "Fiesta", "Astra", "900", "V70", "Punto", "Octavia", "Ibiza"};
    const char* words[] = {"blue", "red", "car", "tuned", "stock", "race", "daily", "project"};
    db.transaction();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into projects2 (vehicleId, brand, model, stockEnginePower, mass, "
                                 "description, favourite, gearboxType, creationTimestamp) "
                                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int i = 0; i < kRows; ++i) {
        query.addBindValue(QStringLiteral("AB %1").arg(i, 5, 10, QLatin1Char('0')));
        query.addBindValue(QString::fromLatin1(brands[next() % 8]));
        query.addBindValue(QString::fromLatin1(models[next() % 8]));
        // Some projects without a stock power: the cell is empty.
        query.addBindValue(next() % 10 == 0 ? QVariant() : QVariant(40000.0 + (next() % 200000)));
        query.addBindValue(800.0 + next() % 1200);
        query.addBindValue(QStringLiteral("%1 %2 %3")
                               .arg(QString::fromLatin1(words[next() % 8]), QString::fromLatin1(words[next() % 8]),
                                    QString::fromLatin1(words[next() % 8])));
        query.addBindValue(static_cast<int>(next() % 2));
        query.addBindValue(static_cast<int>(next() % 11));
        query.addBindValue(1700000000 + static_cast<qint64>(next() % 10000000));
        query.exec();
    }
    db.commit();
}

double bestRefilter(MultipleSortFilterProxyModel& proxy)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < kRepetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        proxy.slot_invalidateFilterUpdateAllFiltersEmptyFlag();
        // The proxy maps lazily: asking for the rows, as a view does, runs the filters.
        proxy.rowCount();
        best = std::min(best, timer.nsecsElapsed() * 1e-9);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    theUnits.init();
    theSettings.initEnumLabels();
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/projects2.db");
    QFile::remove(path);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
    db.setDatabaseName(path);
    if (!db.open())
        return 1;

    QTextStream out(stdout);
    {
        // Creates the table, then the rows go in through SQL.
        ProjectListModel creator(nullptr, db);
    }
    fill(db);

    QElapsedTimer load;
    load.start();
    ProjectListModel model(nullptr, db);
    out << "select " << load.nsecsElapsed() * 1e-9 << ' ' << model.rowCount() << '\n';

    MultipleSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    // The filters as a user types them into the filter row.
    proxy.setFilter(ProjectListFields::brand, QStringLiteral("ford"));
    proxy.setFilter(ProjectListFields::stockEnginePower, QStringLiteral(">=150"));
    proxy.setFilter(ProjectListFields::description, QStringLiteral("car blue"));

    const double unsorted = bestRefilter(proxy);
    out << "filter " << unsorted << ' ' << proxy.rowCount() << '\n';
    proxy.sort(ProjectListFields::stockEnginePower, Qt::DescendingOrder);
    const double sorted = bestRefilter(proxy);
    out << "filter_sorted " << sorted << ' ' << proxy.rowCount() << '\n';

    // Sorting all rows by another column (no filter), as a click on its header does.
    proxy.setFilter(ProjectListFields::brand, QString());
    proxy.setFilter(ProjectListFields::stockEnginePower, QString());
    proxy.setFilter(ProjectListFields::description, QString());
    proxy.slot_invalidateFilterUpdateAllFiltersEmptyFlag();
    QElapsedTimer sort;
    sort.start();
    proxy.sort(ProjectListFields::mass, Qt::AscendingOrder);
    const int all = proxy.rowCount();
    out << "sort " << sort.nsecsElapsed() * 1e-9 << ' ' << all << '\n';
    // The factor of the shown unit of stock power, for the reference to format alike.
    out << "unit_factor " << QString::number(model.descriptor(ProjectListFields::stockEnginePower)->unit->factor, 'g', 17)
        << " 0\n";
    out.flush();
    return 0;
}
