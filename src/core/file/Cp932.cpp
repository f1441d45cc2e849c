#include "file/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

static const char* const kName = "windows-31j";

QString toUnicode(const char* data, qsizetype size) {
    QStringDecoder dec(kName);
    return dec.decode(QByteArrayView(data, size));
}

QString toUnicode(const QByteArray& bytes) {
    return toUnicode(bytes.constData(), bytes.size());
}

QByteArray fromUnicode(const QString& text, bool* lossy) {
    if (lossy)
        *lossy = false;
    {
        QStringEncoder enc(kName);
        QByteArray out = enc.encode(text);
        if (!enc.hasError())
            return out;
    }
    // Slow path: encode one code point at a time so that only the
    // characters cp932 lacks are replaced.
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        qsizetype n = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder enc(kName);
        QByteArray piece = enc.encode(QStringView(text).mid(i, n));
        if (enc.hasError() || piece.isEmpty()) {
            out.append('?');
            if (lossy)
                *lossy = true;
        } else {
            out.append(piece);
        }
        i += n;
    }
    return out;
}

bool canEncode(const QString& text) {
    QStringEncoder enc(kName);
    enc.encode(text);
    return !enc.hasError();
}

} // namespace Cp932
