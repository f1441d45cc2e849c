#include "file/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

static const char* const kName = "windows-31j";

QString toUnicode(const char* data, qsizetype size) {
    // Opening the converter costs far more than decoding a title; a stateless
    // one gives each call a fresh start, as a new decoder would.
    thread_local QStringDecoder dec(kName, QStringConverter::Flag::Stateless);
    return dec.decode(QByteArrayView(data, size));
}

QString toUnicode(const QByteArray& bytes) {
    return toUnicode(bytes.constData(), bytes.size());
}

QByteArray fromUnicode(const QString& text, bool* lossy) {
    if (lossy)
        *lossy = false;
    QStringEncoder enc(kName);
    QByteArray out = enc.encode(text);
    if (!enc.hasError())
        return out;
    // The converter writes FC FC for each code point it cannot hold; no cp932
    // character has those bytes, so at a character start they mark a loss.
    QByteArray fixed;
    fixed.reserve(out.size());
    for (qsizetype i = 0; i < out.size();) {
        const unsigned char c = uchar(out.at(i));
        if (c == 0xFC && i + 1 < out.size() && uchar(out.at(i + 1)) == 0xFC) {
            fixed.append('?');
            if (lossy)
                *lossy = true;
            i += 2;
        } else if (isLeadByte(c) && i + 1 < out.size()) {
            fixed.append(out.constData() + i, 2);
            i += 2;
        } else {
            fixed.append(char(c));
            ++i;
        }
    }
    return fixed;
}

bool canEncode(const QString& text) {
    QStringEncoder enc(kName);
    // The encoding runs only when its result is taken.
    const QByteArray bytes = enc.encode(text);
    return !enc.hasError();
}

} // namespace Cp932
