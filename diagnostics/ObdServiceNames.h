#pragma once

#include <QMap>
#include <QString>

// Names of the OBD modes and UDS services, and of the codes of UDS negative
// responses, for the traffic analyser. Built before main, only read after.
extern const QMap<int, QString> _serviceStrings;
extern const QMap<int, QString> _negativeResponseStrings;
