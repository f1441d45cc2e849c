#pragma once

#include <QByteArray>
#include <QString>

// Character counts as the page's status and the tree's count entries show them.
namespace CharCount {

// cp932 text: a double-byte character counts once, a single byte only when
// its code is above 32 (blanks and line breaks do not count).
qint64 CountCharacters(const QByteArray& text);
// " n 文字　< sheets 枚分 >　（ bytes バイト ）", sheets = n / 400 to one decimal.
QString CharCountText(qint64 count, qint64 bytes);

} // namespace CharCount
