#pragma once

#include <QByteArray>
#include <QString>
#include <QTextFormat>

class QTextCursor;
class QTextDocument;

namespace Rtf {

struct ReadResult {
    bool ok = true; // false when the reader could not go on; what was read is kept
    QString error; // a clear message, e.g. "RTF: グループの途中でデータが終わっています。"
};

// Character format properties the reader sets besides Qt's own, so that the
// writer can give them back.
enum FormatProperty {
    // int: the RTF \fcharset of the run's font (128 = Shift-JIS)
    CharsetProperty = QTextFormat::UserProperty + 0x5200,
    // int: a raised (positive) or lowered (negative) baseline in half points
    OffsetProperty = QTextFormat::UserProperty + 0x5201,
    // QByteArray, on an image: the RTF of a picture Qt does not draw
    // ({\pict ...}), shown as a box of its size and written back as it came
    PictureProperty = QTextFormat::UserProperty + 0x5202,
    // QByteArray, on an image Qt draws: its PNG or JPEG data as read or
    // inserted, written back byte for byte (a JPEG stays a JPEG)
    PictureDataProperty = QTextFormat::UserProperty + 0x5203,
};

// Inserts the content of rtf at the cursor (character and block formats, images).
ReadResult readInto(const QByteArray& rtf, QTextCursor& cursor);
// Replaces the whole document with rtf's content.
ReadResult load(const QByteArray& rtf, QTextDocument& doc);
// The plain text alone, as QTextDocument::toPlainText would give it after
// load() (paragraphs separated by '\n'); needs no QGuiApplication.
QString plainText(const QByteArray& rtf, ReadResult* result = nullptr);
// True when the bytes look like RTF ("{\rtf").
bool isRtf(const QByteArray& bytes);

} // namespace Rtf
