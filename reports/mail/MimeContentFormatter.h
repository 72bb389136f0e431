#pragma once

#include <QIODevice>

// A write-only device that breaks encoded body text into lines on its way to
// the target device.
class MimeContentFormatter : public QIODevice
{
    Q_OBJECT
public:
    MimeContentFormatter(QIODevice* device, int lineLength);

    int getLineLength() const { return lineLength; }
    void setLineLength(int length) { lineLength = length; }

protected:
    qint64 readData(char*, qint64) override { return -1; }

    QIODevice* output;
    int lineLength;
};
