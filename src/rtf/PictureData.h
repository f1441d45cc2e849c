#pragma once

#include <QByteArray>
#include <QImage>

// Pictures of a page, whichever way they come (pasted, dropped, read from
// RTF or another program's file): the limits every way keeps, and decoding
// within them.
namespace PictureData {

// The most data one picture may hold: the page keeps it as hex, twice over,
// and every save writes it again.
constexpr qsizetype MaxBytes = qsizetype(10) << 20;
// More pixels than this are not decoded at all (Qt's own limit for one image).
constexpr qint64 MaxPixels = qint64(8192) * 8192;
// The largest a picture is shown, in pixels each way.
constexpr double MaxShownPx = 10000;

bool IsPng(const QByteArray& data);
bool IsJpeg(const QByteArray& data);

// The picture data decoded; a null image when it is damaged, no picture, or
// would unpack to more than MaxPixels (small data may unpack to gigabytes).
QImage Decode(const QByteArray& data);

} // namespace PictureData
