// Reads a characteristic in its text form from standard input and writes it
// back in the form the program saves, so that an independent reader can check
// that no digit is lost either way.
#include "lib/PointVectorText.h"

#include <QFile>
#include <QTextStream>

int main()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    const QList<QPointF> points = PointVectorText::fromText(QString::fromUtf8(input.readAll()));
    QFile output;
    if (!output.open(stdout, QIODevice::WriteOnly))
        return 2;
    output.write(PointVectorText::toText(points).toUtf8());
    return 0;
}
