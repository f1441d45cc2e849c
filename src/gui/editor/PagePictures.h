#pragma once

#include <QByteArray>
#include <QString>

#include "rtf/PictureData.h"

class QImage;
class QMimeData;
class QTextCursor;

// Pictures put into a page from the clipboard or a dropped file. The PNG or
// JPEG data is kept as it came (the RTF writer stores it byte for byte);
// a picture wider than the page is only shown smaller.
namespace PagePictures {

constexpr qsizetype MaxBytes = PictureData::MaxBytes;
constexpr qint64 MaxPixels = PictureData::MaxPixels;

struct Result {
    bool ok = false;
    QString error; // Japanese, naming the picture
};

// Inserts PNG or JPEG data at the cursor, shown at most maxWidth pixels wide.
// name: the file it came from, empty for the clipboard.
Result InsertData(QTextCursor& cursor, const QByteArray& data, int maxWidth,
                  const QString& name = QString());
// Inserts a picture offered without data of its own, stored as PNG.
Result InsertImage(QTextCursor& cursor, const QImage& image, int maxWidth);
// Reads a dropped file (never waiting on a pipe or device) and inserts it.
Result InsertFile(QTextCursor& cursor, const QString& path, int maxWidth);
// A file name a picture is dropped under: .png, .jpg, .jpeg.
bool IsPictureFileName(const QString& path);
// The picture a clipboard or drag offers, as its own PNG or JPEG data when it
// has some; empty otherwise (then QMimeData::imageData() is all there is).
QByteArray OfferedData(const QMimeData& source);

} // namespace PagePictures
