#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <type_traits>

// Text (bytes or UTF-16) with a gap at the last edit. A template is filled
// by edits that move steadily through the text (backwards for the field
// macros), so each edit costs its own length and the distance from the one
// before, never the length of the text: many macros fill in linear time.
template <class Text> class TGapText {
public:
    using Char = std::remove_cv_t<std::remove_reference_t<decltype(Text().at(0))>>;

    explicit TGapText(const Text& text = Text())
        : m_data(text), m_gapStart(int(text.size())), m_gapEnd(int(text.size())) {}

    int size() const { return int(m_data.size()) - gapLength(); }
    Char at(int i) const { return m_data.at(i < m_gapStart ? i : i + gapLength()); }

    bool matchesAt(int pos, const Text& what) const {
        if (pos < 0 || pos + what.size() > size())
            return false;
        for (qsizetype k = 0; k < what.size(); ++k)
            if (at(pos + int(k)) != what.at(k))
                return false;
        return true;
    }

    // The first occurrence of what at or after from, or -1. Moves the gap
    // to from, so searches that follow the edits stay cheap.
    int indexOf(const Text& what, int from) {
        from = std::clamp(from, 0, size());
        moveGap(from);
        const qsizetype at =
            View(m_data.constData() + m_gapEnd, m_data.size() - m_gapEnd).indexOf(View(what));
        return at < 0 ? -1 : from + int(at);
    }

    Text mid(int pos, int length) const {
        Text out(length, Qt::Uninitialized);
        const int before = std::clamp(m_gapStart - pos, 0, length);
        copy(out.data(), m_data.constData() + pos, before);
        copy(out.data() + before, m_data.constData() + pos + before + gapLength(), length - before);
        return out;
    }

    // The gap stays in front of the new text, where a backward pass edits next.
    void replace(int pos, int length, const Text& value) {
        moveGap(pos);
        m_gapEnd += length;
        const int n = int(value.size());
        if (gapLength() < n)
            grow(n);
        m_gapEnd -= n;
        copy(m_data.data() + m_gapEnd, value.constData(), n);
    }

    Text text() const { return mid(0, size()); }

private:
    using View = std::conditional_t<std::is_same_v<Text, QString>, QStringView, QByteArrayView>;

    int gapLength() const { return m_gapEnd - m_gapStart; }

    template <class T> static void copy(T* to, const T* from, int n) {
        std::memmove(to, from, size_t(n) * sizeof(T));
    }

    void moveGap(int pos) {
        auto* d = m_data.data();
        if (pos < m_gapStart)
            copy(d + m_gapEnd - (m_gapStart - pos), d + pos, m_gapStart - pos);
        else if (pos > m_gapStart)
            copy(d + m_gapStart, d + m_gapEnd, pos - m_gapStart);
        m_gapEnd += pos - m_gapStart;
        m_gapStart = pos;
    }

    void grow(int needed) {
        const int tail = int(m_data.size()) - m_gapEnd;
        const qsizetype capacity =
            std::max<qsizetype>(m_data.size() * 2, qsizetype(size()) + needed + 64);
        Text bigger(capacity, Qt::Uninitialized);
        copy(bigger.data(), m_data.constData(), m_gapStart);
        copy(bigger.data() + capacity - tail, m_data.constData() + m_gapEnd, tail);
        m_gapEnd = int(capacity) - tail;
        m_data = std::move(bigger);
    }

    Text m_data;
    int m_gapStart, m_gapEnd;
};

using TGapBuffer = TGapText<QByteArray>;
