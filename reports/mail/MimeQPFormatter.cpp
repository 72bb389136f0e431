#include "MimeQPFormatter.h"

MimeQPFormatter::MimeQPFormatter(QIODevice* device)
    : MimeContentFormatter(device, 76)
{
}

qint64 MimeQPFormatter::writeData(const char* data, qint64 length)
{
    int count = 0;
    qint64 start = 0;
    for (qint64 i = 0; i < length; ++i) {
        const char c = data[i];
        if (c == '\n') {
            output->write(data + start, i + 1 - start);
            start = i + 1;
            count = 0;
        } else if (c == '=' && count + 1 >= lineLength - 2) {
            // The escape goes whole onto the next line.
            output->write(data + start, i - start);
            output->write("=\r\n=", 4);
            start = i + 1;
            count = 0;
        } else if (++count == lineLength - 1) {
            output->write(data + start, i + 1 - start);
            output->write("=\r\n", 3);
            start = i + 1;
            count = 0;
        }
    }
    if (start < length)
        output->write(data + start, length - start);
    return length;
}
