#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstring>

// Bytes with a gap at the last edit. A template is filled by edits that move
// steadily through the text (backwards for the field macros), so each edit
// costs its own length and the distance from the one before, never the
// length of the text: a template of many macros fills in linear time.
class TGapBuffer {
public:
    explicit TGapBuffer(const QByteArray& text = QByteArray())
        : m_data(text), m_gapStart(int(text.size())), m_gapEnd(int(text.size())) {}

    int size() const { return int(m_data.size()) - gapLength(); }
    char at(int i) const { return m_data.at(i < m_gapStart ? i : i + gapLength()); }

    bool matchesAt(int pos, const QByteArray& what) const {
        if (pos < 0 || pos + what.size() > size())
            return false;
        for (qsizetype k = 0; k < what.size(); ++k)
            if (at(pos + int(k)) != what.at(k))
                return false;
        return true;
    }

    // The first occurrence of what at or after from, or -1. Moves the gap
    // to from, so searches that follow the edits stay cheap.
    int indexOf(const QByteArray& what, int from) {
        from = std::clamp(from, 0, size());
        moveGap(from);
        const QByteArrayView tail(m_data.constData() + m_gapEnd, m_data.size() - m_gapEnd);
        const qsizetype at = tail.indexOf(QByteArrayView(what));
        return at < 0 ? -1 : from + int(at);
    }

    QByteArray mid(int pos, int length) const {
        QByteArray out(length, Qt::Uninitialized);
        const int before = std::clamp(m_gapStart - pos, 0, length);
        std::memcpy(out.data(), m_data.constData() + pos, size_t(before));
        std::memcpy(out.data() + before, m_data.constData() + pos + before + gapLength(),
                    size_t(length - before));
        return out;
    }

    // The gap stays in front of the new text, where a backward pass edits next.
    void replace(int pos, int length, const QByteArray& value) {
        moveGap(pos);
        m_gapEnd += length;
        const int n = int(value.size());
        if (gapLength() < n)
            grow(n);
        m_gapEnd -= n;
        std::memcpy(m_data.data() + m_gapEnd, value.constData(), size_t(n));
    }

    QByteArray text() const { return mid(0, size()); }

private:
    int gapLength() const { return m_gapEnd - m_gapStart; }

    void moveGap(int pos) {
        char* d = m_data.data();
        if (pos < m_gapStart)
            std::memmove(d + m_gapEnd - (m_gapStart - pos), d + pos, size_t(m_gapStart - pos));
        else if (pos > m_gapStart)
            std::memmove(d + m_gapStart, d + m_gapEnd, size_t(pos - m_gapStart));
        m_gapEnd += pos - m_gapStart;
        m_gapStart = pos;
    }

    void grow(int needed) {
        const int tail = int(m_data.size()) - m_gapEnd;
        const qsizetype capacity =
            std::max<qsizetype>(m_data.size() * 2, qsizetype(size()) + needed + 64);
        QByteArray bigger(capacity, Qt::Uninitialized);
        std::memcpy(bigger.data(), m_data.constData(), size_t(m_gapStart));
        std::memcpy(bigger.data() + capacity - tail, m_data.constData() + m_gapEnd, size_t(tail));
        m_gapEnd = int(capacity) - tail;
        m_data = std::move(bigger);
    }

    QByteArray m_data;
    int m_gapStart, m_gapEnd;
};
