#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// A widget's text as the scanner sees it: cp932 bytes, with the character
// position of every byte, so that an occurrence found by byte positions is
// selected exactly in the editor (every cp932 character is one QChar; a
// character cp932 lacks is one "?" byte, a surrogate pair included).
class TPageScan {
public:
    explicit TPageScan(const QString& text);

    const QByteArray& bytes() const { return m_bytes; }
    // The character position of a 0-based byte position (the text's length
    // for the end).
    int charAt(int byte) const;
    // The 0-based byte position of a character position.
    int byteAt(int charPos) const;

private:
    QByteArray m_bytes;
    std::vector<int> m_charOfByte; // one more than bytes, for the end
};
