#pragma once
// Encodings of number and point lists, as the settings file and the XML files
// store them: the elements only, without a count, so each must be the last item
// of its stream. This header is included in front of every translation unit of
// the project (see cmake/Zembo.cmake), so the meta-type system picks these
// operators, not Qt's counted container operators, whenever a QVariant holding
// such a list is saved into "settings.ini" or read back.

#include <QDataStream>
#include <QList>
#include <QPointF>
#include <QString>
#include <QTextStream>

QDataStream& operator<<(QDataStream& stream, const QList<QPointF>& list);
QDataStream& operator>>(QDataStream& stream, QList<QPointF>& list);
QDataStream& operator<<(QDataStream& stream, const QList<double>& list);
QDataStream& operator>>(QDataStream& stream, QList<double>& list);
QDataStream& operator<<(QDataStream& stream, const QList<int>& list);
QDataStream& operator>>(QDataStream& stream, QList<int>& list);

QTextStream& operator<<(QTextStream& stream, const QList<QPointF>& list);
QTextStream& operator>>(QTextStream& stream, QList<QPointF>& list);

QString& operator<<(QString& text, const QList<int>& list);
QString& operator>>(QString& text, QList<int>& list);

QString stringFromQVectorDouble(const QList<double>& list);
QList<double> qVectorDoubleFromString(const QString& text);
