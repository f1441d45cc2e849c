#pragma once

#include <QByteArrayView>

namespace Rtf {

// The value of a hexadecimal digit, or -1.
inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One lexical unit of RTF. Views point into the tokenizer's input, which
// must outlive the token.
struct Token {
    enum Type { GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text, End };
    Type type = End;
    QByteArrayView word; // ControlWord: the letters
    bool hasParam = false;
    int param = 0;           // ControlWord: the numeric parameter, clamped to int
    unsigned char value = 0; // ControlSymbol: the character; HexByte: the byte
    QByteArrayView text;     // Text: a run of literal bytes (no CR/LF, no specials)
};

// Splits RTF bytes into tokens. It knows nothing of groups or destinations,
// never allocates and always advances, so any input ends in End.
class Tokenizer {
public:
    explicit Tokenizer(QByteArrayView data) : m_data(data) {}

    Token next();

    // Takes up to n raw bytes (the data of \binN), fewer when the input ends.
    QByteArrayView takeBinary(qint64 n);

    // Takes a \'xx escape that comes next, as next() would; false, taking
    // nothing, when something else comes.
    bool nextHexByte(unsigned char* value) {
        const qsizetype p = m_pos;
        if (p + 3 >= m_data.size() || m_data[p] != '\\' || m_data[p + 1] != '\'')
            return false;
        const int hi = hexDigitValue(m_data[p + 2]);
        const int lo = hexDigitValue(m_data[p + 3]);
        if (hi < 0 || lo < 0)
            return false;
        m_pos = p + 4;
        *value = static_cast<unsigned char>(hi * 16 + lo);
        return true;
    }

    qsizetype position() const { return m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    Token controlSequence();

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

} // namespace Rtf
