#include "editor/PagePictures.h"

#include "file/BoundedFile.h"
#include "rtf/RtfReader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <atomic>

namespace PagePictures {

namespace {

std::atomic<quint64> g_serial{0};

QString mebibytes(qint64 bytes) {
    return QString::number(double(bytes) / (1 << 20), 'f', 1);
}

// How the messages name the picture: its file, or the pasted one.
QString subject(const QString& name) {
    return name.isEmpty() ? QStringLiteral("貼り付けた画像") : QStringLiteral("「%1」").arg(name);
}

Result refused(const QString& text) {
    return Result{false, text};
}

Result tooLarge(const QString& name, qint64 bytes) {
    return refused(QStringLiteral("%1は大きすぎます（%2 MiB）。ページに入れられる画像は %3 MiB "
                                  "までです。")
                       .arg(subject(name), mebibytes(bytes))
                       .arg(MaxBytes >> 20));
}

} // namespace

Result InsertData(QTextCursor& cursor, const QByteArray& data, int maxWidth, const QString& name) {
    if (data.size() > MaxBytes)
        return tooLarge(name, data.size());
    if (!PictureData::IsPng(data) && !PictureData::IsJpeg(data))
        return refused(
            QStringLiteral("%1は PNG または JPEG の画像ではありません。").arg(subject(name)));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, PictureData::IsPng(data) ? "png" : "jpeg");
    // A picture that is still small as data may unpack to gigabytes.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxPixels)
        return refused(QStringLiteral("%1は画素数が多すぎます（%2 × %3 ピクセル）。")
                           .arg(subject(name))
                           .arg(size.width())
                           .arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        return refused(QStringLiteral("%1は壊れているため読めません（%2）。")
                           .arg(subject(name), reader.errorString()));
    QTextDocument* doc = cursor.document();
    const QUrl url(QStringLiteral("pageimage:%1").arg(++g_serial));
    doc->addResource(QTextDocument::ImageResource, url, image);
    QTextImageFormat f;
    f.setName(url.toString());
    f.setProperty(Rtf::PictureDataProperty, data);
    qreal width = image.width();
    qreal height = image.height();
    if (maxWidth > 0 && width > maxWidth) {
        height = height * maxWidth / width;
        width = maxWidth;
    }
    f.setWidth(width);
    f.setHeight(qMax<qreal>(1, height));
    cursor.insertImage(f);
    return Result{true, {}};
}

Result InsertImage(QTextCursor& cursor, const QImage& image, int maxWidth) {
    if (image.isNull())
        return refused(QStringLiteral("貼り付けた画像は読めません。"));
    if (qint64(image.width()) * image.height() > MaxPixels)
        return refused(QStringLiteral("貼り付けた画像は画素数が多すぎます（%1 × %2 ピクセル）。")
                           .arg(image.width())
                           .arg(image.height()));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return refused(QStringLiteral("貼り付けた画像を PNG にできませんでした。"));
    return InsertData(cursor, png, maxWidth);
}

Result InsertFile(QTextCursor& cursor, const QString& path, int maxWidth) {
    const BoundedFile::Result r = BoundedFile::Read(path, MaxBytes);
    switch (r.failure) {
    case BoundedFile::Failure::None:
        return InsertData(cursor, r.bytes, maxWidth, path);
    case BoundedFile::Failure::TooLarge:
        return tooLarge(path, r.size);
    case BoundedFile::Failure::Missing:
        return refused(QStringLiteral("「%1」が見つかりません。").arg(path));
    case BoundedFile::Failure::NotRegular:
        return refused(QStringLiteral("「%1」は通常のファイルではありません。").arg(path));
    case BoundedFile::Failure::OpenFailed:
    case BoundedFile::Failure::ReadFailed:
        break;
    }
    return refused(QStringLiteral("「%1」を読めませんでした。%2").arg(path, r.reason));
}

bool IsPictureFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") ||
           suffix == QLatin1String("jpeg");
}

QByteArray OfferedData(const QMimeData& source) {
    for (const char* type : {"image/png", "image/jpeg"}) {
        const QByteArray data = source.data(QLatin1String(type));
        if (PictureData::IsPng(data) || PictureData::IsJpeg(data))
            return data;
    }
    return {};
}

} // namespace PagePictures
