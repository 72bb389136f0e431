// Feeds a candump log (the "(time) canN ID#DATA" lines) to the analyser of
// bus 0 in one batch per line and prints its entries and its service-22
// records, one per line with the line feeds written as "\n".
#include "OBDAnalyzer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QFile log(QString::fromLocal8Bit(argv[1]));
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return 2;
    QDir().mkpath(QDir::homePath() + QStringLiteral("/.zembo/log"));
    OBDAnalyzer analyzer(nullptr, 0);
    while (!log.atEnd()) {
        const QList<QByteArray> fields = log.readLine().trimmed().split(' ');
        if (fields.size() < 3)
            continue;
        const QList<QByteArray> frameText = fields.at(2).split('#');
        const int bus = fields.at(1).endsWith('1') ? 1 : 0;
        const QByteArray bytes = QByteArray::fromHex(frameText.value(1)).leftJustified(8, '\0');
        quint64 data = 0;
        for (int i = 0; i < 8; ++i)
            data = (data << 8) | quint8(bytes.at(i));
        const quint32 id = frameText.at(0).toUInt(nullptr, 16);
        analyzer.slot_newCanFrameBatch({canFrame_t {data, id | (quint32(bus) << 31), 0}});
    }
    QTextStream out(stdout);
    for (QString line : analyzer.lines)
        out << "entry\t" << line.replace('\n', QStringLiteral("\\n")) << '\n';
    for (auto it = analyzer.detectedServices.cbegin(); it != analyzer.detectedServices.cend(); ++it)
        out << "record\t" << it.key() << '\t' << it->data << '\t' << it->dataLength << '\n';
    return 0;
}
