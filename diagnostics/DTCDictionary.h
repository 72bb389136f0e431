#pragma once

#include <QChar>
#include <QMap>
#include <QString>

// What a trouble code means: its area by letter, the subsystem of powertrain
// codes by their third character, and one line of description per known
// code. Built before main and only read afterwards.
extern const QMap<QChar, QString> category;
extern const QMap<QChar, QString> pCodeSystem;
extern const QMap<QString, QString> pCodeDescription;
extern const QMap<QString, QString> cCodeDescription;
extern const QMap<QString, QString> bCodeDescription;
extern const QMap<QString, QString> uCodeDescription;
