#include "links/LinkScan.h"

#include "file/Cp932.h"

#include <algorithm>
#include <array>

namespace {

bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// cp932 bytes. A lead byte pairs with the next only when that one can be a
// second byte, so a damaged pair never swallows a line break.
struct ByteText {
    const unsigned char* d;
    qsizetype n;

    explicit ByteText(const QByteArray& b)
        : d(reinterpret_cast<const unsigned char*>(b.constData())), n(b.size()) {}
    unsigned at(qsizetype i) const { return d[i]; }
    qsizetype charLen(qsizetype i) const {
        return Cp932::isLeadByte(d[i]) && i + 1 < n && isTrailByte(d[i + 1]) ? 2 : 1;
    }
    // The start of the character holding byte i. A byte that cannot lead ends
    // a character, and the lead-range bytes after it pair up, so i is a second
    // byte exactly when an odd run of them lies just before it.
    qsizetype charStart(qsizetype i) const {
        qsizetype s = i;
        while (s > 0 && Cp932::isLeadByte(d[s - 1]))
            --s;
        return (i - s) % 2 != 0 && isTrailByte(d[i]) ? i - 1 : i;
    }
};

// UTF-16 editor text: one unit, one position.
struct WideText {
    const QChar* d;
    qsizetype n;

    explicit WideText(QStringView s) : d(s.data()), n(s.size()) {}
    unsigned at(qsizetype i) const { return d[i].unicode(); }
    qsizetype charLen(qsizetype) const { return 1; }
    qsizetype charStart(qsizetype i) const { return i; }
};

template <class Text> bool prefixAt(const Text& t, qsizetype p, int kind) {
    const char* prefix = LinkPrefixes[size_t(kind)];
    for (qsizetype k = 0; prefix[k] != '\0'; ++k)
        if (p + k >= t.n || t.at(p + k) != static_cast<unsigned char>(prefix[k]))
            return false;
    return true;
}

template <class Text> int kindAt(const Text& t, qsizetype p, int first, int last) {
    for (int kind = first; kind <= last; ++kind)
        if (prefixAt(t, p, kind))
            return kind;
    return LinkNone;
}

template <class Text> qsizetype bareEnd(const Text& t, qsizetype e) {
    while (e < t.n && IsUrlChar(t.at(e)))
        ++e;
    return e;
}

// Second bytes are never below 0x40, so a byte-wise run cannot stop inside a
// double-byte character.
template <class Text> qsizetype bodyEnd(const Text& t, qsizetype e) {
    while (e < t.n && IsBodyChar(t.at(e)))
        ++e;
    return e;
}

// Whether a bare link can start with c: most characters of a text cannot,
// and need no look at each prefix.
bool mayStartBare(unsigned c) {
    static const auto starts = [] {
        std::array<bool, 128> s{};
        for (int kind = FirstBareKind; kind <= LastBareKind; ++kind)
            s[size_t(uint8_t(LinkPrefixes[size_t(kind)][0]))] = true;
        return s;
    }();
    return c < 128 && starts[c];
}

template <class Text> TLinkMatch findNext(const Text& t, qsizetype from, qsizetype limit) {
    limit = std::min(limit, t.n);
    if (from < 0)
        from = 0;
    if (from >= limit)
        return {};
    qsizetype p = t.charStart(from);
    if (p < from)
        p += t.charLen(p);
    for (; p < limit; p += t.charLen(p)) {
        if (t.at(p) == '<') {
            const int kind = kindAt(t, p + 1, FirstBracketedKind, LastBracketedKind);
            if (kind != LinkNone) {
                const qsizetype start = p + 1;
                return {LinkKind(kind), start, bodyEnd(t, start + LinkPrefixLength(kind)) - start};
            }
            continue;
        }
        if (!mayStartBare(t.at(p)))
            continue;
        const int kind = kindAt(t, p, FirstBareKind, LastBareKind);
        if (kind != LinkNone)
            return {LinkKind(kind), p, bareEnd(t, p + LinkPrefixLength(kind)) - p};
    }
    return {};
}

template <class Text>
QList<TLinkMatch> linksInRange(const Text& t, qsizetype first, qsizetype last) {
    QList<TLinkMatch> links;
    const qsizetype limit = std::min(last + 1, t.n);
    qsizetype p = first;
    for (;;) {
        const TLinkMatch m = findNext(t, p, limit);
        if (!m.found())
            break;
        links.append(m);
        p = m.end(); // every prefix is at least four long, so this advances
    }
    return links;
}

template <class Text> TLinkMatch linkAt(const Text& t, qsizetype index) {
    if (index < 0 || index >= t.n || !IsBodyChar(t.at(index)))
        return {};
    // Bytes at or below 30 and ">" never belong to a double-byte character,
    // so the segment start is a character start and the walk forward from it
    // knows every boundary.
    qsizetype b = index;
    while (b > 0 && IsBodyChar(t.at(b - 1)))
        --b;
    qsizetype bare = -1;      // latest bare prefix with only UrlChars after it
    qsizetype bracketed = -1; // latest "<" followed by a bracketed prefix
    int bareKind = LinkNone;
    int bracketedKind = LinkNone;
    qsizetype c = b;
    for (qsizetype q = b; q <= index; q += t.charLen(q)) {
        c = q;
        const unsigned ch = t.at(q);
        if (!IsUrlChar(ch))
            bare = -1;
        if (ch == '<') {
            const int kind = kindAt(t, q + 1, FirstBracketedKind, LastBracketedKind);
            if (kind != LinkNone) {
                bracketed = q;
                bracketedKind = kind;
            }
        } else {
            const int kind = kindAt(t, q, FirstBareKind, LastBareKind);
            if (kind != LinkNone) {
                bare = q;
                bareKind = kind;
            }
        }
    }
    if (bare < 0 && bracketed < 0)
        return {};
    if (bare > bracketed)
        return {LinkKind(bareKind), bare, bareEnd(t, c) - bare};
    const qsizetype start = bracketed + 1;
    return {LinkKind(bracketedKind), start, bodyEnd(t, c) - start};
}

template <class Text> bool showsHand(const Text& t, qsizetype index) {
    const TLinkMatch m = linkAt(t, index);
    return m.found() && m.start != t.charStart(index);
}

// Body length that keeps at most MaxClickBody units and no half character.
template <class Text>
qsizetype clickBodyLength(const Text& t, qsizetype bodyStart, qsizetype bodyLength) {
    if (bodyLength <= LinkScan::MaxClickBody)
        return bodyLength;
    qsizetype p = bodyStart;
    const qsizetype stop = bodyStart + LinkScan::MaxClickBody;
    while (p < stop && p + t.charLen(p) <= stop)
        p += t.charLen(p);
    return p - bodyStart;
}

template <class Text> bool validLink(const Text& t, const TLinkMatch& link) {
    return link.found() && link.start >= 0 && link.length >= LinkPrefixLength(link.kind) &&
           link.end() <= t.n;
}

} // namespace

namespace LinkScan {

TLinkMatch FindNextLink(const QByteArray& cp932, qsizetype from, qsizetype limit) {
    return findNext(ByteText(cp932), from, limit);
}

TLinkMatch FindNextLink(QStringView text, qsizetype from, qsizetype limit) {
    return findNext(WideText(text), from, limit);
}

QList<TLinkMatch> LinksInRange(const QByteArray& cp932, qsizetype first, qsizetype last) {
    return linksInRange(ByteText(cp932), first, last);
}

QList<TLinkMatch> LinksInRange(QStringView text, qsizetype first, qsizetype last) {
    return linksInRange(WideText(text), first, last);
}

TLinkMatch LinkAtIndex(const QByteArray& cp932, qsizetype index) {
    const ByteText t(cp932);
    if (index < 0 || index >= t.n)
        return {};
    return linkAt(t, t.charStart(index));
}

TLinkMatch LinkAtIndex(QStringView text, qsizetype index) {
    return linkAt(WideText(text), index);
}

bool ShowsHand(const QByteArray& cp932, qsizetype index) {
    const ByteText t(cp932);
    return index >= 0 && index < t.n && showsHand(t, index);
}

bool ShowsHand(QStringView text, qsizetype index) {
    return showsHand(WideText(text), index);
}

QByteArray ClickText(const QByteArray& cp932, const TLinkMatch& link) {
    const ByteText t(cp932);
    if (!validLink(t, link))
        return {};
    if (IsBareLink(link.kind))
        return cp932.mid(link.start, link.length);
    const qsizetype body = link.start + LinkPrefixLength(link.kind);
    return cp932.mid(body, clickBodyLength(t, body, link.end() - body));
}

QString ClickText(QStringView text, const TLinkMatch& link) {
    const WideText t(text);
    if (!validLink(t, link))
        return {};
    if (IsBareLink(link.kind))
        return text.mid(link.start, link.length).toString();
    const qsizetype body = link.start + LinkPrefixLength(link.kind);
    return text.mid(body, clickBodyLength(t, body, link.end() - body)).toString();
}

} // namespace LinkScan
