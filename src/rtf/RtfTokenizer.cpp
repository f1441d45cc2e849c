#include "rtf/RtfTokenizer.h"

#include <climits>

namespace Rtf {

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

Token Tokenizer::next() {
    const qsizetype n = m_data.size();
    // Line breaks in RTF source carry no meaning.
    while (m_pos < n && (m_data[m_pos] == '\r' || m_data[m_pos] == '\n'))
        ++m_pos;
    Token t;
    if (m_pos >= n)
        return t;
    const char c = m_data[m_pos];
    if (c == '{') {
        ++m_pos;
        t.type = Token::GroupStart;
        return t;
    }
    if (c == '}') {
        ++m_pos;
        t.type = Token::GroupEnd;
        return t;
    }
    if (c == '\\')
        return controlSequence();
    const qsizetype start = m_pos;
    while (m_pos < n) {
        const char d = m_data[m_pos];
        if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
            break;
        ++m_pos;
    }
    t.type = Token::Text;
    t.text = m_data.sliced(start, m_pos - start);
    return t;
}

Token Tokenizer::controlSequence() {
    const qsizetype n = m_data.size();
    Token t;
    ++m_pos; // the backslash
    if (m_pos >= n)
        return t; // a lone backslash at the very end
    const char c = m_data[m_pos];
    if (isLetter(c)) {
        const qsizetype start = m_pos;
        while (m_pos < n && isLetter(m_data[m_pos]))
            ++m_pos;
        t.type = Token::ControlWord;
        t.word = m_data.sliced(start, m_pos - start);
        bool negative = false;
        if (m_pos + 1 < n && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        if (m_pos < n && isDigit(m_data[m_pos])) {
            long long v = 0;
            while (m_pos < n && isDigit(m_data[m_pos])) {
                // Absurd lengths saturate instead of overflowing.
                if (v < 10000000000LL)
                    v = v * 10 + (m_data[m_pos] - '0');
                ++m_pos;
            }
            if (negative)
                v = -v;
            if (v > INT_MAX)
                v = INT_MAX;
            if (v < INT_MIN)
                v = INT_MIN;
            t.hasParam = true;
            t.param = int(v);
        }
        if (m_pos < n && m_data[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the word
        return t;
    }
    ++m_pos;
    if (c == '\'') {
        if (m_pos + 1 < n) {
            const int hi = hexDigitValue(m_data[m_pos]);
            const int lo = hexDigitValue(m_data[m_pos + 1]);
            if (hi >= 0 && lo >= 0) {
                m_pos += 2;
                t.type = Token::HexByte;
                t.value = static_cast<unsigned char>(hi * 16 + lo);
                return t;
            }
        }
        // A broken escape: drop it with a hex digit that began it.
        if (m_pos < n && hexDigitValue(m_data[m_pos]) >= 0)
            ++m_pos;
        t.type = Token::ControlSymbol;
        t.value = '\'';
        return t;
    }
    if (c == '\\' || c == '{' || c == '}') {
        t.type = Token::Text;
        t.text = m_data.sliced(m_pos - 1, 1);
        return t;
    }
    if (c == '\r' || c == '\n') {
        // A backslash before a line break is a paragraph mark.
        t.type = Token::ControlWord;
        t.word = QByteArrayView("par");
        return t;
    }
    t.type = Token::ControlSymbol;
    t.value = static_cast<unsigned char>(c);
    return t;
}

QByteArrayView Tokenizer::takeBinary(qint64 count) {
    if (count <= 0)
        return {};
    const qsizetype left = m_data.size() - m_pos;
    const qsizetype take = count < left ? qsizetype(count) : left;
    QByteArrayView out = m_data.sliced(m_pos, take);
    m_pos += take;
    return out;
}

} // namespace Rtf
