#include "SimulatedControllerConfig.h"

#include <QDebug>
#include <QStringList>

SimulatedControllerConfig SimulatedControllerConfig::fromString(const QString& text, QString* error)
{
    SimulatedControllerConfig config;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        const QString key = part.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        bool ok = false;
        if (eq <= 0) {
            ok = false;
        } else if (key == QLatin1String("version")) {
            ok = true;
            config.firmwareVersion = value;
        } else if (key == QLatin1String("revision")) {
            ok = value.size() == 1 && value.at(0).unicode() < 128;
            if (ok)
                config.revision = value.at(0).toLatin1();
        } else if (key == QLatin1String("serial")) {
            config.serialNumber = value.toUInt(&ok);
        } else {
            // Every other key takes an integer.
            const int number = value.toInt(&ok);
            if (key == QLatin1String("deviceCode")) {
                ok = ok && number >= 0 && number <= 255;
                config.deviceCode = number;
            } else if (key == QLatin1String("silent")) {
                config.silent = number != 0;
            } else if (key == QLatin1String("stream")) {
                ok = ok && number >= 0 && number <= 10000;
                config.streamFramesPerMs = number;
            } else if (key == QLatin1String("pageSize")) {
                ok = ok && number > 0 && number % 4 == 0;
                config.bootloaderPageSize = number;
            } else if (key == QLatin1String("flashErrorPage")) {
                config.flashErrorPage = number;
            } else if (key == QLatin1String("wrongCheckPage")) {
                config.wrongCheckPage = number;
            } else if (key == QLatin1String("bootloaderSilentPage")) {
                config.bootloaderSilentPage = number;
            } else if (key == QLatin1String("noSyncEcho")) {
                config.noSyncEcho = number != 0;
            } else if (key == QLatin1String("noUserPageAnswer")) {
                config.noUserPageAnswer = number != 0;
            } else if (key == QLatin1String("loadCellClipping")) {
                config.loadCellClipping = number != 0;
            } else if (key == QLatin1String("canLoopback")) {
                config.canLoopback = number != 0;
            } else if (key == QLatin1String("canopenNode")) {
                ok = ok && number >= 0 && number <= 127;
                config.canopenNode = number;
            } else if (key == QLatin1String("canopenBus")) {
                ok = ok && (number == 0 || number == 1);
                config.canopenBus = number;
            } else if (key == QLatin1String("kx4")) {
                ok = ok && number >= 0 && number <= 16;
                config.kx4Modules = number;
            } else {
                ok = false;
            }
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("bad simulated controller setting \"%1\"").arg(part);
            return SimulatedControllerConfig();
        }
    }
    if (error)
        error->clear();
    return config;
}

SimulatedControllerConfig SimulatedControllerConfig::fromEnvironment()
{
    const QString text = qEnvironmentVariable("ZEMBO_SIM_CONTROLLER");
    QString error;
    SimulatedControllerConfig config = fromString(text, &error);
    if (!error.isEmpty())
        qDebug().noquote() << error << "in ZEMBO_SIM_CONTROLLER; the simulated controller uses its defaults";
    // The program's simulated dyno has one KX4 module on bus 0 unless told otherwise.
    if (!text.contains(QLatin1String("kx4=")) || !error.isEmpty())
        config.kx4Modules = 1;
    config.vehiclePlant = config.streamFramesPerMs == 0;
    config.scenarioFile = qEnvironmentVariable("ZEMBO_SIM_SCENARIO");
    config.targetLogFile = qEnvironmentVariable("ZEMBO_SIM_TARGET_LOG");
    return config;
}
