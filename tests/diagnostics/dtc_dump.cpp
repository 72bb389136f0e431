// Prints what the trouble-code side makes of every two-byte code and the
// whole dictionary, for the Python check next to it.
#include "DTCDictionary.h"
#include "ObdThread.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    for (int value = 0; value < 0x10000; ++value) {
        const QByteArray text = QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
        out << "code\t" << text << '\t' << ObdThread::troubleCodesFromReply(text, false).join(',') << '\n';
    }
    for (auto it = category.begin(); it != category.end(); ++it)
        out << "category\t" << it.key() << '\t' << it.value() << '\n';
    for (auto it = pCodeSystem.begin(); it != pCodeSystem.end(); ++it)
        out << "system\t" << it.key() << '\t' << it.value() << '\n';
    for (const auto* map : {&pCodeDescription, &cCodeDescription, &bCodeDescription, &uCodeDescription}) {
        for (auto it = map->begin(); it != map->end(); ++it) {
            QString text = it.value();
            // A line break inside a text must show in the check, not split the line.
            text.replace('\n', QStringLiteral("\\n"));
            out << "description\t" << it.key() << '\t' << text << '\n';
        }
    }
    return 0;
}
