#include "rtf/RtfCodePages.h"

#include "file/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Rtf {

int codePageForCharset(int charset, int ansiCodePage) {
    switch (charset) {
    case 0:
        return 1252;
    case 2: // symbol fonts: their bytes are glyph numbers, read them as Latin
        return 1252;
    case 77:
        return 10000;
    case 78:
        return 10001;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return ansiCodePage;
    }
}

int charsetForCodePage(int codePage) {
    switch (codePage) {
    case 932:
        return 128;
    case 949:
        return 129;
    case 936:
        return 134;
    case 950:
        return 136;
    case 1250:
        return 238;
    case 1251:
        return 204;
    case 1253:
        return 161;
    case 1254:
        return 162;
    case 1255:
        return 177;
    case 1256:
        return 178;
    case 1257:
        return 186;
    case 1258:
        return 163;
    case 874:
        return 222;
    default:
        return 0;
    }
}

namespace {

const char* codecName(int codePage) {
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 874:
        return "windows-874";
    case 932:
        return "windows-31j";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case 1361:
        return "johab";
    case 10000:
        return "macintosh";
    case 10001:
        return "x-mac-japanese";
    case 20127:
        return "US-ASCII";
    case 65001:
        return "UTF-8";
    default:
        return "windows-1252";
    }
}

} // namespace

CodePages::CodePages() = default;
CodePages::~CodePages() = default;

QStringDecoder& CodePages::decoder(int codePage) {
    auto it = m_decoders.find(codePage);
    if (it != m_decoders.end())
        return *it->second;
    auto dec =
        std::make_unique<QStringDecoder>(codecName(codePage), QStringDecoder::Flag::Stateless);
    if (!dec->isValid() && codePage == 10001) // Mac Japanese is Shift-JIS at heart
        dec = std::make_unique<QStringDecoder>("windows-31j", QStringDecoder::Flag::Stateless);
    if (!dec->isValid())
        dec = std::make_unique<QStringDecoder>("windows-1252", QStringDecoder::Flag::Stateless);
    if (!dec->isValid())
        dec = std::make_unique<QStringDecoder>(QStringDecoder::Latin1,
                                               QStringDecoder::Flag::Stateless);
    return *m_decoders.emplace(codePage, std::move(dec)).first->second;
}

QString CodePages::decode(int codePage, QByteArrayView bytes) {
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    // Every code page we map agrees with ASCII below 0x80.
    if (ascii && codePage != 65001)
        return QString::fromLatin1(bytes.data(), bytes.size());
    // The Japanese pages are most of what we read; their table is faster.
    if (codePage == 932)
        return Cp932::toUnicode(bytes.data(), bytes.size());
    QStringDecoder& dec = decoder(codePage);
    QString out = dec.decode(bytes);
    // After an error Qt's ICU converters do not recover; start afresh.
    if (dec.hasError())
        m_decoders.erase(codePage);
    else
        dec.resetState();
    return out;
}

QStringEncoder* CodePages::encoder(int codePage) {
    auto it = m_encoders.find(codePage);
    if (it != m_encoders.end())
        return it->second.get();
    auto enc =
        std::make_unique<QStringEncoder>(codecName(codePage), QStringEncoder::Flag::Stateless);
    if (!enc->isValid())
        enc.reset();
    return m_encoders.emplace(codePage, std::move(enc)).first->second.get();
}

bool CodePages::encode(int codePage, QStringView text, QByteArray* out) {
    QStringEncoder* enc = encoder(codePage);
    if (!enc)
        return false;
    QByteArray bytes = enc->encode(text);
    if (enc->hasError()) {
        m_encoders.erase(codePage); // see decode()
        return false;
    }
    enc->resetState();
    // Best-fit mappings (a yen sign turned into a backslash) would not read
    // back as the same character; only exact ones count.
    if (decode(codePage, bytes) != text)
        return false;
    *out = std::move(bytes);
    return true;
}

} // namespace Rtf
