// The Modbus master on a real serial line, for the reference check against a
// Modbus slave nobody here wrote:
//   modbus_reference PORT SECONDS FUNCTION...
// FUNCTION is "name:slave:code:address[:written value]". The interface polls
// the functions in turn for SECONDS and prints, in order of events:
//   "TX <hex>" / "RX <hex>"        every frame sent or received
//   "TEXT <name> <interpretation>" every response checked
//   "VALUE <name> <value>"         every value the channel took
#include "Argument.h"
#include "ModbusFunction.h"
#include "ModbusInterface.h"
#include "lib/Units.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    theUnits.init();
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: modbus_reference PORT SECONDS FUNCTION...\n");
        return 2;
    }
    ModbusInterface interface;
    interface.name = QStringLiteral("reference");
    interface.serialPort = args.at(1);
    interface.baudrate = 19200;
    interface.held = true;
    for (int i = 3; i < args.size(); ++i) {
        const QStringList parts = args.at(i).split(QLatin1Char(':'));
        auto* f = new ModbusFunction();
        f->setChildName(parts.value(0));
        f->slaveId = parts.value(1).toInt();
        f->functionCode = ModbusFunctionCode(parts.value(2).toInt());
        f->address = parts.value(3).toInt(nullptr, 0);
        f->responseWaitTime = 0.1;
        if (parts.size() > 4)
            f->argument->setConstant(parts.value(4).toDouble(), false);
        f->responseTextsEnabled = true;
        const QString name = parts.value(0);
        QObject::connect(f, &ModbusFunction::signal_responseInterpretation, [name](QString& text) {
            std::printf("TEXT %s %s\n", qPrintable(name), qPrintable(text));
        });
        QObject::connect(f, &RunChannel::signal_newData, [name](double value, qint64) {
            std::printf("VALUE %s %.17g\n", qPrintable(name), value);
            std::fflush(stdout);
        });
        interface.addFunction(f);
    }
    QObject::connect(&interface, &ModbusInterface::signal_newDataToLog,
                     [](SerialCommDir direction, const QByteArray& data, qint64) {
                         std::printf("%s %s\n", direction == SerialCommDir::Tx ? "TX" : "RX",
                                     data.toHex().constData());
                     });
    interface.held = false;
    interface.slot_interfaceInit();
    QTimer::singleShot(int(args.at(2).toDouble() * 1000), &app, &QCoreApplication::quit);
    const int rc = app.exec();
    std::fflush(stdout);
    return rc;
}
