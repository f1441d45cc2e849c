#include "rtf/PictureData.h"

#include <QBuffer>
#include <QImageReader>

namespace PictureData {

bool IsPng(const QByteArray& data) {
    return data.startsWith("\x89PNG\r\n\x1A\n");
}

bool IsJpeg(const QByteArray& data) {
    return data.startsWith("\xFF\xD8\xFF");
}

QImage Decode(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > MaxPixels)
        return QImage();
    return reader.read();
}

} // namespace PictureData
