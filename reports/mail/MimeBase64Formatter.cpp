#include "MimeBase64Formatter.h"

MimeBase64Formatter::MimeBase64Formatter(QIODevice* device)
    : MimeContentFormatter(device, 76)
{
}

qint64 MimeBase64Formatter::writeData(const char* data, qint64 length)
{
    const qint64 lines = (length - 1) / lineLength;
    for (qint64 i = 0; i < lines; ++i) {
        output->write(data + i * lineLength, lineLength);
        output->write("\r\n", 2);
    }
    const qint64 done = lines * lineLength;
    if (length > done)
        output->write(data + done, length - done);
    output->write("\r\n", 2);
    return length;
}
