// Writes the views of a recorded channel for the reference check:
//   vector_filter_tool <samples in> <filtered out> <translated out> <rate Hz>
//                      <filter s> <quantity> <unit name>
// Samples are raw float64 in the machine's byte order.
#include "ChannelSetup.h"
#include "VectorChannel.h"
#include "lib/Units.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

bool readSamples(const QString& path, QList<double>* samples)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    samples->resize(bytes.size() / qsizetype(sizeof(double)));
    memcpy(samples->data(), bytes.constData(), size_t(samples->size()) * sizeof(double));
    return true;
}

bool writeSamples(const QString& path, const QList<double>& samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(reinterpret_cast<const char*>(samples.constData()), samples.size() * qsizetype(sizeof(double)))
        == samples.size() * qsizetype(sizeof(double));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        std::fprintf(stderr, "usage: vector_filter_tool in filtered translated rate filter quantity unit\n");
        return 2;
    }
    theUnits.init();
    const auto quantity = static_cast<Quantity>(args.at(6).toInt());
    VectorChannel vector(args.at(4).toDouble(), QString(), QString(), quantity, 0, nullptr);
    if (!readSamples(args.at(1), vector.getRawData()))
        return 1;
    vector.setup->quantity = quantity;
    vector.setup->unit = theUnits.getUnitByQuantityAndName(quantity, args.at(7));
    vector.setup->filter = args.at(5).toDouble();
    if (!writeSamples(args.at(2), *vector.getFilteredData()))
        return 1;
    if (!writeSamples(args.at(3), *vector.getTranslatedData()))
        return 1;
    return 0;
}
