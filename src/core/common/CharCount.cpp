#include "common/CharCount.h"

#include "file/Cp932.h"

#include <cmath>

namespace CharCount {

qint64 CountCharacters(const QByteArray& text) {
    qint64 n = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (Cp932::isLeadByte(c)) {
            ++n;
            ++i; // its trail byte
        } else if (c > 32) {
            ++n;
        }
    }
    return n;
}

QString CharCountText(qint64 count, qint64 bytes) {
    // One decimal at most, rounded half away from zero; no ".0".
    const double tenths = std::round(double(count) / 400.0 * 10.0);
    QString sheets = QString::number(tenths / 10.0, 'f', 1);
    if (sheets.endsWith(QLatin1String(".0")))
        sheets.chop(2);
    return QStringLiteral(" %1 文字　< %2 枚分 >　（ %3 バイト ）")
        .arg(count)
        .arg(sheets)
        .arg(bytes);
}

} // namespace CharCount
