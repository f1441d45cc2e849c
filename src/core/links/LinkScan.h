#pragma once

#include "links/LinkKind.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// One link found in a text. Positions are 0-based: bytes in cp932 text,
// UTF-16 units in a QString (one per character of an editor page).
struct TLinkMatch {
    LinkKind kind = LinkNone;
    // First character of the prefix; for a bracketed link the one after "<".
    qsizetype start = 0;
    // Prefix and body; the "<" and ">" of a bracketed link are not part of it.
    qsizetype length = 0;

    bool found() const { return kind != LinkNone; }
    qsizetype end() const { return start + length; }
    bool operator==(const TLinkMatch& o) const {
        return kind == o.kind && start == o.start && length == o.length;
    }
};

// Recognition of links in page text, as pure functions. Every function comes
// twice: over cp932 bytes (the model's form; a match never starts on the
// second byte of a double-byte character) and over a QString (the editor's).
namespace LinkScan {

// A clicked body reaches the follow handlers cut to this many characters.
constexpr int MaxClickBody = 600;

// The first link whose scan position p lies in [from, limit): a bare prefix
// at p (also inside a word), or a "<" at p followed by a bracketed prefix.
// A bare link runs over UrlChars, a bracketed one to ">" or the end of the
// line or text. Not found: kind LinkNone.
TLinkMatch FindNextLink(const QByteArray& cp932, qsizetype from, qsizetype limit);
TLinkMatch FindNextLink(QStringView text, qsizetype from, qsizetype limit);

// Every link found by scanning from first to last (inclusive), resuming
// after each link; a link may run past last. For colouring a range.
QList<TLinkMatch> LinksInRange(const QByteArray& cp932, qsizetype first, qsizetype last);
QList<TLinkMatch> LinksInRange(QStringView text, qsizetype first, qsizetype last);

// Hit test: the link holding the character at index. A bare link is hit only
// when every character from its prefix to index is in UrlChars; a bracketed
// one as long as no ">" or line break lies between its "<" and index (the
// "<" itself hits). The nearest prefix before index wins. The search never
// leaves the line of index.
TLinkMatch LinkAtIndex(const QByteArray& cp932, qsizetype index);
TLinkMatch LinkAtIndex(QStringView text, qsizetype index);

// The hand pointer over index: a link is hit and index is not its start (so
// the first letter of a bare link and the first after "<" show none).
bool ShowsHand(const QByteArray& cp932, qsizetype index);
bool ShowsHand(QStringView text, qsizetype index);

// What a click hands on: the whole link for bare kinds, the body after the
// prefix cut to MaxClickBody characters for bracketed ones (in cp932 never
// inside a double-byte character).
QByteArray ClickText(const QByteArray& cp932, const TLinkMatch& link);
QString ClickText(QStringView text, const TLinkMatch& link);

} // namespace LinkScan
