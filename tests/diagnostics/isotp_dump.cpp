// Feeds the frames of a candump log (one "(time) iface ID#DATA" a line) to an
// ISO-TP assembler and prints each completed message as hex, one a line
// ("-" for an empty message).
#include "ISOTPAssembler.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: isotp_dump LOG\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    ISOTPAssembler assembler;
    QTextStream out(stdout);
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const int hash = line.indexOf('#');
        if (hash < 0)
            continue;
        QByteArray data = QByteArray::fromHex(line.mid(hash + 1));
        data.append(QByteArray(qMax(0, 8 - int(data.size())), '\0'));
        if (assembler.addData(reinterpret_cast<const unsigned char*>(data.constData())))
            out << (assembler.buffer.isEmpty() ? QByteArray("-") : assembler.buffer.toHex().toUpper()) << '\n';
    }
    return 0;
}
