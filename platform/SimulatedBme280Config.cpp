#include "SimulatedBme280Config.h"

#include <QDebug>
#include <QStringList>

#include <cmath>

SimulatedBme280Config SimulatedBme280Config::fromString(const QString& text, QString* error)
{
    SimulatedBme280Config config;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        const QString key = part.left(eq).trimmed();
        bool ok = false;
        const double number = eq <= 0 ? 0.0 : part.mid(eq + 1).trimmed().toDouble(&ok);
        ok = ok && std::isfinite(number);
        if (!ok) {
            // Already failed.
        } else if (key == QLatin1String("temperature")) {
            config.temperature = number;
        } else if (key == QLatin1String("pressure")) {
            config.pressure = number;
        } else if (key == QLatin1String("humidity")) {
            config.humidity = number;
        } else if (key == QLatin1String("absent")) {
            config.absent = number != 0.0;
        } else {
            ok = false;
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("bad simulated BME280 setting \"%1\"").arg(part);
            return SimulatedBme280Config();
        }
    }
    if (error)
        error->clear();
    return config;
}

SimulatedBme280Config SimulatedBme280Config::fromEnvironment()
{
    const QString text = qEnvironmentVariable("ZEMBO_SIM_BME280");
    QString error;
    const SimulatedBme280Config config = fromString(text, &error);
    if (!error.isEmpty())
        qDebug().noquote() << error << "in ZEMBO_SIM_BME280; the simulated BME280 uses its defaults";
    return config;
}
