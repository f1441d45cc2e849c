#pragma once

#include <QByteArray>
#include <QString>

// The Japanese ANSI code page (Windows-31J). The model keeps texts as these
// bytes; conversion happens at the widget boundary and in text output.
namespace Cp932 {

QString toUnicode(const QByteArray& bytes);
QString toUnicode(const char* data, qsizetype size);

// Characters cp932 holds under another Unicode name (the wave dash U+301C,
// the minus sign U+2212, ...) are written as its code; characters it cannot
// hold become '?', and lossy is set when any did.
QByteArray fromUnicode(const QString& text, bool* lossy = nullptr);

// True when the byte starts a double-byte character.
inline bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True when text can be stored in cp932 without loss.
bool canEncode(const QString& text);

// The form under which cp932 holds c when that is another code point
// (U+301C -> U+FF5E), else 0.
char16_t cp932Form(char16_t c);
// text with every such character replaced by its cp932 form.
QString withCp932Forms(const QString& text);

} // namespace Cp932
