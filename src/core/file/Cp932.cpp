#include "file/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

static const char* const kName = "windows-31j";

namespace {

// Characters that cp932 holds under another Unicode name. Input methods and
// JIS-based converters produce the left-hand forms; the converter knows only
// the right-hand ones, which are what a cp932 program reads back.
struct Cousin {
    char16_t from;
    char16_t to;
};
constexpr Cousin kCousins[] = {
    {0x00A2, 0xFFE0}, // cent sign
    {0x00A3, 0xFFE1}, // pound sign
    {0x00A5, 0xFFE5}, // yen sign (0x5C is the backslash in cp932)
    {0x00A6, 0xFFE4}, // broken bar
    {0x00AC, 0xFFE2}, // not sign
    {0x2014, 0x2015}, // em dash
    {0x2016, 0x2225}, // double vertical line
    {0x2212, 0xFF0D}, // minus sign
    {0x301C, 0xFF5E}, // wave dash
};

} // namespace

char16_t cp932Form(char16_t c) {
    if (c < 0xA2)
        return 0;
    for (const Cousin& k : kCousins)
        if (k.from == c)
            return k.to;
    return 0;
}

QString withCp932Forms(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (const char16_t to = cp932Form(c.unicode()))
            c = QChar(to);
    return out;
}

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
    // Only text the converter stumbled on can hold a cousin; the common case
    // pays nothing for the second pass.
    const QString folded = withCp932Forms(text);
    if (folded != text) {
        QStringEncoder again(kName);
        out = again.encode(folded);
        if (!again.hasError())
            return out;
    }
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
    if (!enc.hasError())
        return true;
    QStringEncoder again(kName);
    const QByteArray folded = again.encode(withCp932Forms(text));
    return !again.hasError();
}

} // namespace Cp932
