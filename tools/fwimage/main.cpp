// Builds a controller firmware test image (see platform/SimulatedFirmwareImage.h):
//   fwimage --version-text TEXT --page-size BYTES --pages N [--seed S] OUTPUT
// The page check bytes come from the same function the simulated bootloader uses.
#include "SimulatedFirmwareImage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds a controller firmware test image."));
    parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version-text"), QStringLiteral("Version text of the image."),
                                     QStringLiteral("text"));
    const QCommandLineOption pageSize(QStringLiteral("page-size"), QStringLiteral("Page size in bytes."),
                                      QStringLiteral("bytes"), QStringLiteral("256"));
    const QCommandLineOption pages(QStringLiteral("pages"), QStringLiteral("Number of pages."), QStringLiteral("n"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the page data."),
                                  QStringLiteral("s"), QStringLiteral("1"));
    parser.addOptions({version, pageSize, pages, seed});
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("Image file to write."));
    parser.process(app);

    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    const int size = parser.value(pageSize).toInt(&ok1);
    const int count = parser.value(pages).toInt(&ok2);
    const uint s = parser.value(seed).toUInt(&ok3);
    if (!parser.isSet(version) || !ok1 || !ok2 || !ok3 || parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }
    const QByteArray image = SimulatedFirmwareImage::build(parser.value(version), size, count, s);
    if (image.isEmpty()) {
        std::fprintf(stderr, "fwimage: these parameters make no image (page size a multiple of 4 with room for "
                             "the version marker, 1..65535 pages, version below 128 characters)\n");
        return 2;
    }
    QSaveFile out(parser.positionalArguments().first());
    if (!out.open(QIODevice::WriteOnly) || out.write(image) != image.size() || !out.commit()) {
        std::fprintf(stderr, "fwimage: cannot write %s\n", qPrintable(parser.positionalArguments().first()));
        return 1;
    }
    return 0;
}
