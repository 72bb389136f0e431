#include "SimulatedScenario.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

double interpolate(const QList<QPointF>& points, double x, double outside)
{
    if (points.isEmpty())
        return outside;
    if (x <= points.first().x())
        return points.first().x() == x || points.size() == 1 ? points.first().y() : outside;
    for (int i = 1; i < points.size(); ++i) {
        const QPointF& a = points.at(i - 1);
        const QPointF& b = points.at(i);
        if (x <= b.x()) {
            const double span = b.x() - a.x();
            return span > 0 ? a.y() + (b.y() - a.y()) * (x - a.x()) / span : b.y();
        }
    }
    return outside;
}

} // namespace

double SimulatedScenario::throttleAt(double t) const
{
    if (throttle.isEmpty())
        return 0.0;
    if (repeatSeconds > 0.0)
        t = std::fmod(t, repeatSeconds);
    if (t <= throttle.first().x())
        return throttle.first().y();
    if (t >= throttle.last().x())
        return throttle.last().y();
    return interpolate(throttle, t, 0.0);
}

double SimulatedScenario::engineTorqueAt(double rpm) const
{
    return interpolate(engineCurve, rpm, 0.0);
}

SimulatedScenario SimulatedScenario::standing()
{
    return SimulatedScenario();
}

SimulatedScenario SimulatedScenario::fromText(const QString& text, QString* error)
{
    SimulatedScenario s;
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool installer = false;
    static const QRegularExpression settingKey(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList parts = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        const QString key = parts.first();
        QList<double> numbers;
        bool ok = true;
        for (int i = 1; i < parts.size() && ok; ++i) {
            numbers.append(parts.at(i).toDouble(&ok));
            ok = ok && std::isfinite(numbers.last());
        }
        auto need = [&](int count) { return ok && numbers.size() == count; };
        if (parts.size() == 1 && key == QLatin1String("[installer]") && !installer)
            installer = true;
        else if (installer && ok && !numbers.isEmpty() && settingKey.match(key).hasMatch())
            s.installerSettings.append({n + 1, key, numbers});
        else if (installer) {
            if (error)
                *error = QStringLiteral("scenario line %1 not understood: \"%2\"").arg(n + 1).arg(lines.at(n).trimmed());
            return standing();
        } else if (key == QLatin1String("seed") && need(1) && numbers[0] >= 0)
            s.seed = quint32(numbers[0]);
        else if (key == QLatin1String("noise") && need(1) && numbers[0] >= 0 && numbers[0] < 0.5)
            s.noise = numbers[0];
        else if (key == QLatin1String("rollers") && need(1) && numbers[0] >= 1 && numbers[0] <= 4)
            s.rollers = int(numbers[0]);
        else if (key == QLatin1String("roller_diameter") && need(1) && numbers[0] > 0)
            s.rollerDiameter = numbers[0];
        else if (key == QLatin1String("roller_inertia") && need(1) && numbers[0] > 0)
            s.rollerInertia = numbers[0];
        else if (key == QLatin1String("roller_loss") && need(3)) {
            s.lossA = numbers[0];
            s.lossB = numbers[1];
            s.lossC = numbers[2];
        } else if (key == QLatin1String("start_speed") && need(1) && numbers[0] >= 0)
            s.startSpeed = numbers[0];
        else if (key == QLatin1String("wheel_diameter") && need(1) && numbers[0] > 0)
            s.wheelDiameter = numbers[0];
        else if (key == QLatin1String("gear_ratio") && need(1) && numbers[0] > 0)
            s.gearRatio = numbers[0];
        else if (key == QLatin1String("vehicle_inertia") && need(1) && numbers[0] >= 0)
            s.vehicleInertia = numbers[0];
        else if (key == QLatin1String("engine_curve") && need(2) && numbers[0] >= 0
                 && (s.engineCurve.isEmpty() || numbers[0] > s.engineCurve.last().x()))
            s.engineCurve.append(QPointF(numbers[0], numbers[1]));
        else if (key == QLatin1String("engine_drag") && need(1) && numbers[0] >= 0)
            s.engineDrag = numbers[0];
        else if (key == QLatin1String("idle_rpm") && need(1) && numbers[0] >= 0)
            s.idleRpm = numbers[0];
        else if (key == QLatin1String("constant_torque") && need(1)) {
            s.constantTorque = numbers[0];
            s.constantTorqueSet = true;
        } else if (key == QLatin1String("throttle") && need(2) && numbers[0] >= 0 && numbers[1] >= 0
                   && numbers[1] <= 1 && (s.throttle.isEmpty() || numbers[0] > s.throttle.last().x()))
            s.throttle.append(QPointF(numbers[0], numbers[1]));
        else if (key == QLatin1String("repeat") && need(1) && numbers[0] > 0)
            s.repeatSeconds = numbers[0];
        else if (key == QLatin1String("absorber_max_torque") && need(1) && numbers[0] >= 0)
            s.absorberMaxTorque = numbers[0];
        else if (key == QLatin1String("falling_mass") && need(1) && numbers[0] >= 0)
            s.fallingMass = numbers[0];
        else if (key == QLatin1String("falling_mass_drop") && need(1) && numbers[0] >= 0)
            s.fallingMassDrop = numbers[0];
        else {
            if (error)
                *error = QStringLiteral("scenario line %1 not understood: \"%2\"").arg(n + 1).arg(lines.at(n).trimmed());
            return standing();
        }
    }
    if (error)
        error->clear();
    return s;
}

SimulatedScenario SimulatedScenario::fromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("scenario file \"%1\" cannot be read").arg(path);
        return standing();
    }
    // Scenario files are a few lines; anything huge is not one.
    const QByteArray bytes = file.read(1 << 20);
    return fromText(QString::fromUtf8(bytes), error);
}
