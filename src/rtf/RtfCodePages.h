#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <unordered_map>

class QStringDecoder;
class QStringEncoder;

namespace Rtf {

// Windows code page of an RTF \fcharset value; ansiCodePage stands for the
// charsets that mean "the document's own" (and for unknown ones).
int codePageForCharset(int charset, int ansiCodePage);

// A charset value that denotes the code page, for writing font tables.
int charsetForCodePage(int codePage);

// Decoders and encoders by Windows code page number, created on first use.
// Unknown code pages fall back to windows-1252.
class CodePages {
public:
    CodePages();
    ~CodePages();
    CodePages(const CodePages&) = delete;
    CodePages& operator=(const CodePages&) = delete;

    QString decode(int codePage, QByteArrayView bytes);
    // Bytes of text in the code page; false when any character is missing
    // there (or would not come back as itself).
    bool encode(int codePage, QStringView text, QByteArray* out);

private:
    QStringDecoder& decoder(int codePage);
    QStringEncoder* encoder(int codePage);

    std::unordered_map<int, std::unique_ptr<QStringDecoder>> m_decoders;
    std::unordered_map<int, std::unique_ptr<QStringEncoder>> m_encoders;
};

} // namespace Rtf
