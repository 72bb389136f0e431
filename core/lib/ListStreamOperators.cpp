#include "ListStreamOperators.h"

#include <QIODevice>

namespace {

// The lists carry no count: read elements until the stream runs out; an
// element whose read fails is not appended.
template <typename Element, typename Item>
QDataStream& readUntilEnd(QDataStream& stream, QList<Item>& list)
{
    while (stream.status() == QDataStream::Ok) {
        Element e{};
        stream >> e;
        if (stream.status() != QDataStream::Ok)
            break;
        list.append(Item(e));
    }
    return stream;
}

} // namespace

QDataStream& operator<<(QDataStream& stream, const QList<QPointF>& list)
{
    for (const QPointF& p : list)
        stream << p.x() << p.y();
    return stream;
}

QDataStream& operator>>(QDataStream& stream, QList<QPointF>& list)
{
    while (stream.status() == QDataStream::Ok) {
        double x = 0;
        double y = 0;
        stream >> x >> y;
        if (stream.status() != QDataStream::Ok)
            break;
        list.append(QPointF(x, y));
    }
    return stream;
}

QDataStream& operator<<(QDataStream& stream, const QList<double>& list)
{
    for (double d : list)
        stream << d;
    return stream;
}

QDataStream& operator>>(QDataStream& stream, QList<double>& list)
{
    return readUntilEnd<double>(stream, list);
}

QDataStream& operator<<(QDataStream& stream, const QList<int>& list)
{
    for (int i : list)
        stream << static_cast<qint32>(i);
    return stream;
}

QDataStream& operator>>(QDataStream& stream, QList<int>& list)
{
    return readUntilEnd<qint32>(stream, list);
}

QTextStream& operator<<(QTextStream& stream, const QList<QPointF>& list)
{
    for (const QPointF& p : list)
        stream << p.x() << "," << p.y() << "\n";
    return stream;
}

QTextStream& operator>>(QTextStream& stream, QList<QPointF>& list)
{
    while (stream.status() == QTextStream::Ok) {
        double x = 0;
        double y = 0;
        QChar separator;
        stream >> x;
        stream.skipWhiteSpace();
        stream >> separator;
        stream >> y;
        if (stream.status() != QTextStream::Ok)
            break;
        list.append(QPointF(x, y));
    }
    return stream;
}

QString& operator<<(QString& text, const QList<int>& list)
{
    for (int i : list) {
        text += QString::number(i);
        text += QLatin1Char(' ');
    }
    return text;
}

QString& operator>>(QString& text, QList<int>& list)
{
    QTextStream stream(&text, QIODevice::ReadOnly);
    while (true) {
        int i = 0;
        stream >> i;
        if (stream.status() != QTextStream::Ok)
            break;
        list.append(i);
    }
    return text;
}

QString stringFromQVectorDouble(const QList<double>& list)
{
    QString text;
    for (double d : list) {
        text += QString::number(d, 'g', 6);
        text += QLatin1Char(' ');
    }
    return text;
}

QList<double> qVectorDoubleFromString(const QString& text)
{
    QList<double> list;
    QString copy = text;
    QTextStream stream(&copy, QIODevice::ReadOnly);
    while (true) {
        double d = 0;
        stream >> d;
        if (stream.status() != QTextStream::Ok)
            break;
        list.append(d);
    }
    return list;
}
