#include "MimeFile.h"

#include "MimeBase64Formatter.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

MimeFile::MimeFile(QFile* file)
    : file(file)
{
    contentType = QMimeDatabase().mimeTypeForFile(file->fileName()).name();
    contentName = QFileInfo(file->fileName()).fileName();
    encoding = Base64Encoding;
}

void MimeFile::writeContent(QIODevice& device) const
{
    if (encoding != Base64Encoding) {
        QByteArray data;
        if (file->open(QIODevice::ReadOnly)) {
            data = file->readAll();
            file->close();
        }
        MimePart::writeContent(device, data);
        return;
    }
    // Pieces of a multiple of 57 bytes make whole 76-character lines.
    constexpr qint64 piece = 57 * 1024;
    MimeBase64Formatter formatter(&device);
    if (file->open(QIODevice::ReadOnly)) {
        while (!file->atEnd()) {
            const QByteArray data = file->read(piece);
            if (data.isEmpty())
                break;
            formatter.write(data.toBase64());
        }
        file->close();
    }
    device.write("\r\n", 2);
}
