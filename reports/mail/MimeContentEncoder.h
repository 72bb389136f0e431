#pragma once

#include <QByteArray>
#include <QObject>

// Turns a part's body bytes into their transfer encoding (without line breaks).
class MimeContentEncoder : public QObject
{
public:
    virtual QByteArray encode(const QByteArray& data) = 0;
};
