// The car database's specification texts turned into project fields in SI units.
#include "CarDB.h"

#include <QLocale>

#include <cmath>
#include <optional>

namespace {

using namespace ProjectListFields;

constexpr double kPsToWatt = 735.499;
constexpr double kRpmToRadPerSecond = 2.0 * M_PI / 60.0;

std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> wholeNumber(const QString& text)
{
    const std::optional<double> value = number(text);
    if (!value || std::abs(*value) > 1e9)
        return std::nullopt;
    return static_cast<int>(*value);
}

// A text rule: the whole value, case-sensitive; nothing when no text matches.
std::optional<int> lookup(const QString& text, const QList<std::pair<QStringList, int>>& table)
{
    for (const auto& entry : table) {
        if (entry.first.contains(text))
            return entry.second;
    }
    return std::nullopt;
}

class Parsed
{
public:
    explicit Parsed(const QMap<int, QString>& values) : values(values) {}

    // The value of a specification that is present and not empty.
    std::optional<QString> text(int id) const
    {
        const auto it = values.constFind(id);
        if (it == values.constEnd() || it.value().isEmpty())
            return std::nullopt;
        return it.value();
    }
    void numeric(int id, ProjectListFieldId field, double factor)
    {
        if (const auto t = text(id))
            if (const auto v = number(*t))
                out[field] = *v * factor;
    }
    void whole(int id, ProjectListFieldId field)
    {
        if (const auto t = text(id))
            if (const auto v = wholeNumber(*t))
                out[field] = *v;
    }
    void enumerated(int id, ProjectListFieldId field, const QList<std::pair<QStringList, int>>& table)
    {
        if (const auto t = text(id))
            if (const auto v = lookup(*t, table))
                out[field] = *v;
    }
    // "power / speed": the speed only after a power above 0.
    void pair(int id, ProjectListFieldId first, double firstFactor, ProjectListFieldId second)
    {
        const auto t = text(id);
        if (!t)
            return;
        const QStringList parts = t->split(QLatin1Char('/'));
        const std::optional<double> a = number(parts.value(0));
        if (!a || *a * firstFactor <= 0.0)
            return;
        out[first] = *a * firstFactor;
        const std::optional<double> b = number(parts.value(1));
        if (b && *b * kRpmToRadPerSecond > 0.0)
            out[second] = *b * kRpmToRadPerSecond;
    }

    const QMap<int, QString>& values;
    QMap<ProjectListFieldId, QVariant> out;
};

void parseCar(Parsed& p)
{
    p.numeric(34, mass, 1.0);
    p.enumerated(27, driveWheels,
                 {{{QStringLiteral("Front wheel drive")}, 0},
                  {{QStringLiteral("Rear wheel drive")}, 1},
                  {{QStringLiteral("full"), QStringLiteral("All wheel drive (AWD)")}, 2},
                  {{QStringLiteral("Four wheel drive (4WD)"), QStringLiteral("Constant all wheel drive")}, 3}});
    p.numeric(9, frontTrack, 0.001);
    p.numeric(10, rearTrack, 0.001);
    p.enumerated(12, engineFuelType,
                 {{{QStringLiteral("Gasoline"), QStringLiteral("Rotor"), QStringLiteral("Petrol"),
                    QStringLiteral("Gasoline, Gas")},
                   0},
                  {{QStringLiteral("Hybrid"), QStringLiteral("Gasoline, Electric")}, 1},
                  {{QStringLiteral("Diesel")}, 2},
                  {{QStringLiteral("Diesel, Hybrid")}, 3},
                  {{QStringLiteral("Gas")}, 5},
                  {{QStringLiteral("Electric"), QStringLiteral("Electro")}, 7}});
    p.enumerated(46, engineBoostType,
                 {{{QStringLiteral("Turbo"), QStringLiteral("Biturbo"), QStringLiteral("Intercooler"),
                    QStringLiteral("Twin-scroll"), QStringLiteral("Triple turbo"), QStringLiteral("turbine")},
                   1},
                  {{QStringLiteral("none")}, 0},
                  {{QStringLiteral("compressor")}, 2},
                  {{QStringLiteral("Turbine + compressor")}, 3}});
    p.enumerated(19, engineConfiguration,
                 {{{QStringLiteral("V-type"), QStringLiteral("V-type with small angle")}, 2},
                  {{QStringLiteral("Inline")}, 0},
                  {{QStringLiteral("W-type")}, 4},
                  {{QStringLiteral("Opposed")}, 1},
                  {{QStringLiteral("Rotary"), QStringLiteral("Rotary-piston"), QStringLiteral("rotor")}, 5}});
    p.whole(20, cylinderCount);
    if (const auto valves = p.text(39)) {
        const auto cylinders = p.text(20);
        const auto perCylinder = wholeNumber(*valves);
        const auto count = cylinders ? wholeNumber(*cylinders) : std::nullopt;
        if (perCylinder && count)
            p.out[valveCount] = *count * *perCylinder;
    }
    p.numeric(47, cylinderBore, 0.001);
    p.numeric(48, pistonStroke, 0.001);
    p.enumerated(24, gearboxType,
                 {{{QStringLiteral("Automatic")}, 1},
                  {{QStringLiteral("Manual"), QStringLiteral("Direct-shift"), QStringLiteral("Electronic sequential"),
                    QStringLiteral("Electronic with 1 clutch"), QStringLiteral("Electronic with 2 clutch"),
                    QStringLiteral("robot")},
                   0},
                  {{QStringLiteral("Continuously variable transmission (CVT)")}, 2}});
    p.whole(26, gearCount);
    p.numeric(14, stockEnginePower, kPsToWatt);
    if (auto speed = p.text(15)) {
        if (!(speed->contains(QStringLiteral("from")) && speed->contains(QStringLiteral("to")))) {
            speed->remove(QStringLiteral("from"));
            speed->remove(QStringLiteral("to"));
            speed->remove(QLatin1Char(' '));
            if (const auto v = number(*speed))
                p.out[stockEnginePowerRPM] = *v * kRpmToRadPerSecond;
        }
    }
    p.numeric(16, stockEngineTorque, 1.0);
    p.numeric(8, wheelbase, 0.001);
    p.numeric(13, displacement, 0.000001);
}

void parseMotorcycle(Parsed& p)
{
    p.numeric(1541, mass, 1.0);
    if (const auto ratio = p.text(1031)) {
        const QString before = ratio->section(QLatin1Char(':'), 0, 0);
        if (!before.isEmpty())
            if (const auto v = number(before))
                p.out[compressionRatio] = *v;
    }
    if (const auto boreStroke = p.text(1029)) {
        const QStringList parts = boreStroke->split(QLatin1Char('x'));
        if (const auto bore = number(parts.value(0)))
            p.out[cylinderBore] = *bore * 0.001;
        if (parts.size() > 1)
            if (const auto stroke = number(parts.at(1)))
                p.out[pistonStroke] = *stroke * 0.001;
    }
    if (const auto gears = p.text(998)) {
        if (gears->at(0).isDigit())
            p.out[gearCount] = gears->at(0).digitValue();
        if (gears->contains(QStringLiteral("CVT")) || gears->contains(QStringLiteral("C.V.T."))
            || gears->contains(QStringLiteral("PVT")) || gears->contains(QStringLiteral("V-belt")))
            p.out[gearboxType] = 2;
        else if (gears->contains(QStringLiteral("automatic"), Qt::CaseInsensitive))
            p.out[gearboxType] = 1;
        else
            p.out[gearboxType] = 0;
    }
    p.pair(996, stockEnginePower, kPsToWatt, stockEnginePowerRPM);
    p.pair(1021, stockEngineTorque, 1.0, stockEngineTorqueRPM);
    p.numeric(1015, wheelbase, 0.001);
    p.numeric(995, displacement, 0.000001);
}

} // namespace

QString CarDB::generationText(const QVariant& yearBegin, const QVariant& yearEnd, const QString& name)
{
    return QStringLiteral("[%1 - %2] %3").arg(yearBegin.toString(), yearEnd.toString(), name);
}

QMap<ProjectListFieldId, QVariant> CarDB::parseSpecification(bool motorcycle, const QString& make,
                                                             const QString& model, const QString& generation,
                                                             const QString& series, const QString& trim,
                                                             const QMap<int, QString>& values)
{
    Parsed parsed(values);
    parsed.out[vehicleType] = motorcycle ? 3 : 1;
    parsed.out[brand] = make;
    parsed.out[ProjectListFields::model] = model;
    parsed.out[ProjectListFields::series] = generation + QLatin1Char(' ') + series;
    parsed.out[ProjectListFields::trim] = trim;
    if (motorcycle)
        parseMotorcycle(parsed);
    else
        parseCar(parsed);
    return parsed.out;
}
