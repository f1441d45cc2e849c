#include "file/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <vector>

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

constexpr uint16_t kNoCode = 0xFFFF; // FF never leads a pair

// The other way: the code the converter gives each character of the Basic
// Multilingual Plane, asked of it in one call with a line feed after each
// (some characters it drops, writing nothing). A value below 0x100 is one
// byte, any other two; kNoCode where the converter cannot hold the character
// (it writes FC FC, which no character has, or nothing) or for a surrogate.
struct EncodeTable {
    std::vector<uint16_t> code = std::vector<uint16_t>(0x10000, kNoCode);

    EncodeTable() {
        code['\n'] = '\n';
        QString all;
        all.reserve(0x20000);
        for (int u = 0; u < 0x10000; ++u)
            if (!QChar::isSurrogate(char16_t(u)) && u != '\n') {
                all.append(QChar(char16_t(u)));
                all.append(QLatin1Char('\n'));
            }
        QStringEncoder enc(kName, QStringConverter::Flag::Stateless);
        const QByteArray bytes = enc.encode(all);
        // No second byte is below 0x40, so each line feed ends a character.
        qsizetype from = 0;
        for (qsizetype k = 0; k < all.size(); k += 2) {
            const qsizetype end = bytes.indexOf('\n', from);
            if (end < 0)
                return; // the converter gave less than asked: leave the rest to it
            const auto* d = reinterpret_cast<const uint8_t*>(bytes.constData()) + from;
            const qsizetype n = end - from;
            const char16_t c = all.at(k).unicode();
            if (n == 1 && !isLeadByte(d[0]))
                code[c] = d[0];
            else if (n == 2 && isLeadByte(d[0]) && !(d[0] == 0xFC && d[1] == 0xFC))
                code[c] = uint16_t(d[0] << 8 | d[1]);
            from = end + 1;
        }
    }
};

const EncodeTable& encodeTable() {
    static const EncodeTable t;
    return t;
}

// text in cp932 by the table; false when a character needs the converter.
bool encodeByTable(QStringView text, QByteArray* out) {
    const uint16_t* code = encodeTable().code.data();
    if (out)
        out->resize(text.size() * 2);
    char* o = out ? out->data() : nullptr;
    qsizetype n = 0;
    for (const QChar c : text) {
        const uint16_t v = code[c.unicode()];
        if (v == kNoCode)
            return false;
        if (!o)
            continue;
        if (v < 0x100) {
            o[n++] = char(v);
        } else {
            o[n++] = char(v >> 8);
            o[n++] = char(v & 0xFF);
        }
    }
    if (out)
        out->truncate(n);
    return true;
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
    QByteArray fast;
    if (encodeByTable(text, &fast))
        return fast;
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
    // The converter stumbled: something is lost, even where it wrote nothing
    // (it drops invisible characters such as U+200B). It writes FC FC for
    // each code point it cannot hold; no cp932 character has those bytes, so
    // at a character start they mark where to show a '?'.
    if (lossy)
        *lossy = true;
    QByteArray fixed;
    fixed.reserve(out.size());
    for (qsizetype i = 0; i < out.size();) {
        const unsigned char c = uchar(out.at(i));
        if (c == 0xFC && i + 1 < out.size() && uchar(out.at(i + 1)) == 0xFC) {
            fixed.append('?');
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
    if (encodeByTable(text, nullptr))
        return true;
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
