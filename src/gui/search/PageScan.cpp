#include "search/PageScan.h"

#include "file/Cp932.h"

#include <algorithm>

TPageScan::TPageScan(const QString& text) {
    m_bytes = Cp932::fromUnicode(text);
    m_charOfByte.assign(size_t(m_bytes.size()) + 1, 0);
    const qsizetype n = text.size();
    qsizetype b = 0;
    qsizetype i = 0;
    bool ok = true;
    while (i < n) {
        const QChar c = text.at(i);
        const qsizetype chars =
            c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        if (b >= m_bytes.size()) {
            ok = false;
            break;
        }
        const qsizetype bytes =
            chars == 1 && Cp932::isLeadByte(static_cast<unsigned char>(m_bytes.at(b))) ? 2 : 1;
        for (qsizetype k = 0; k < bytes && b + k < m_bytes.size(); ++k)
            m_charOfByte[size_t(b + k)] = int(i);
        b += bytes;
        i += chars;
    }
    if (!ok || b != m_bytes.size()) {
        // Not one character per QChar after all: encode one by one.
        m_bytes.clear();
        m_charOfByte.clear();
        for (qsizetype k = 0; k < n;) {
            const qsizetype chars = text.at(k).isHighSurrogate() && k + 1 < n ? 2 : 1;
            const QByteArray one = Cp932::fromUnicode(text.mid(k, chars));
            for (qsizetype j = 0; j < one.size(); ++j)
                m_charOfByte.push_back(int(k));
            m_bytes += one;
            k += chars;
        }
        m_charOfByte.push_back(int(n));
        return;
    }
    m_charOfByte[size_t(m_bytes.size())] = int(n);
}

int TPageScan::charAt(int byte) const {
    if (byte <= 0)
        return 0;
    if (byte >= int(m_charOfByte.size()))
        return m_charOfByte.back();
    return m_charOfByte[size_t(byte)];
}

int TPageScan::byteAt(int charPos) const {
    // The first byte whose character is at or after charPos.
    const auto it = std::lower_bound(m_charOfByte.begin(), m_charOfByte.end(), charPos);
    return int(it - m_charOfByte.begin());
}
