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

namespace {

QString decodeWithConverter(const char* data, qsizetype size) {
    // Opening the converter costs far more than decoding a title; a stateless
    // one gives each call a fresh start, as a new decoder would.
    thread_local QStringDecoder dec(kName, QStringConverter::Flag::Stateless);
    QString out = dec.decode(QByteArrayView(data, size));
    // After an error the converter does not recover; the next text gets a
    // fresh one.
    if (dec.hasError())
        dec = QStringDecoder(kName, QStringConverter::Flag::Stateless);
    return out;
}

constexpr char16_t kAskConverter = 0xFFFD;

// What the converter makes of every single byte and every two-byte code,
// asked of it once: decoding by table is several times faster, and gives
// the same characters by construction. Codes the converter does not map to
// one character are left to it.
struct Table {
    char16_t single[256];
    char16_t pair[64][256]; // lead byte 0x81..0x9F, 0xE0..0xFC; trail byte

    static int row(uint8_t lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }

    Table() {
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QString u = isLeadByte(uint8_t(b)) ? QString() : decodeWithConverter(&c, 1);
            single[b] = u.size() == 1 ? u.at(0).unicode() : kAskConverter;
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(uint8_t(lead)))
                continue;
            for (int trail = 0; trail < 256; ++trail) {
                const char two[2] = {char(lead), char(trail)};
                const QString u =
                    trail >= 0x40 && trail <= 0xFC ? decodeWithConverter(two, 2) : QString();
                pair[row(uint8_t(lead))][trail] = u.size() == 1 ? u.at(0).unicode() : kAskConverter;
            }
        }
    }
};

const Table& table() {
    static const Table t;
    return t;
}

} // namespace

QString toUnicode(const char* data, qsizetype size) {
    const Table& t = table();
    const auto* d = reinterpret_cast<const uint8_t*>(data);
    QString out(size, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype n = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const uint8_t c = d[i];
        char16_t u;
        if (c < 0x80) {
            u = t.single[c];
        } else if (isLeadByte(c)) {
            if (i + 1 >= size)
                return decodeWithConverter(data, size);
            u = t.pair[Table::row(c)][d[++i]];
        } else {
            u = t.single[c];
        }
        if (u == kAskConverter)
            return decodeWithConverter(data, size);
        o[n++] = u;
    }
    out.truncate(n);
    return out;
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
