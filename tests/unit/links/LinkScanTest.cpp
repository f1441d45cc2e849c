#include "links/LinkScan.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace LinkScan;

namespace {

constexpr qsizetype kAll = 1 << 30;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The link of kind at [start, start + length) of the text, as a string.
QString Found(const QString& text, const TLinkMatch& m) {
    return m.found() ? text.mid(m.start, m.length) : QStringLiteral("<none>");
}

QString FirstLink(const char* utf8) {
    const QString text = U(utf8);
    return Found(text, FindNextLink(text, 0, kAll));
}

// The same search over the cp932 bytes, decoded back for comparison.
QString FirstLinkBytes(const char* utf8) {
    const QByteArray bytes = Sjis(utf8);
    const TLinkMatch m = FindNextLink(bytes, 0, kAll);
    return m.found() ? FromSjis(bytes.mid(m.start, m.length)) : QStringLiteral("<none>");
}

} // namespace

TEST(LinkKinds, TableAndUrlChars) {
    EXPECT_STREQ(LinkPrefixes[LinkNone], "NONE");
    EXPECT_STREQ(LinkPrefixes[LinkMailto], "mailto:");
    EXPECT_STREQ(LinkPrefixes[LinkNewWren], "newwren:");
    EXPECT_EQ(LinkPrefixLength(LinkCmd), 4);
    EXPECT_TRUE(IsInsideLink(LinkNode) && IsInsideLink(LinkLine) && !IsInsideLink(LinkFile));

    const QByteArray allowed = "#&+-./:=?@_~";
    for (unsigned c = 0; c < 256; ++c) {
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool expected = alnum || (c < 128 && c > 0 && allowed.contains(char(c)));
        EXPECT_EQ(IsUrlChar(c), expected) << c;
    }
}

TEST(FindNextLink, BareLinkEndsBeforeCommaAndPercent) {
    EXPECT_EQ(FirstLink("see http://a/b?x=1&y=2, e"), U("http://a/b?x=1&y=2"));
    EXPECT_EQ(FirstLink("http://a/%41"), U("http://a/"));
    EXPECT_EQ(FirstLink("(mailto:x@y.jp)"), U("mailto:x@y.jp"));
    EXPECT_EQ(FirstLink("ftp://h/~u/a_b#c+d"), U("ftp://h/~u/a_b#c+d"));
}

TEST(FindNextLink, PrefixAloneAndInsideAWord) {
    EXPECT_EQ(FirstLink("http: x"), U("http:"));
    EXPECT_EQ(FirstLink("xhttp://a"), U("http://a"));
    const QString text = U("xhttp://a");
    EXPECT_EQ(FindNextLink(text, 0, kAll).start, 1);
}

TEST(FindNextLink, PrefixesAreCaseSensitiveAndOrdered) {
    EXPECT_EQ(FirstLink("HTTP://a Http://b"), U("<none>"));
    EXPECT_EQ(FirstLink("<FILE:a>"), U("<none>"));
    const QString text = U("https://x");
    EXPECT_EQ(FindNextLink(text, 0, kAll).kind, LinkHttps);
}

TEST(FindNextLink, DoubleByteBeforePrefix) {
    EXPECT_EQ(FirstLink("日本http:"), U("http:"));
    EXPECT_EQ(FirstLinkBytes("日本http:"), U("http:"));
    const QByteArray bytes = Sjis("日本http:");
    const TLinkMatch m = FindNextLink(bytes, 0, kAll);
    EXPECT_EQ(m.start, 4);
    EXPECT_EQ(m.length, 5);
    // A double-byte character ends a bare link.
    EXPECT_EQ(FirstLinkBytes("http://a日本"), U("http://a"));
}

TEST(FindNextLink, NeverStartsOnASecondByte) {
    // "ヘ" is 0x83 0x77 and "ｈ" lies elsewhere; build a second byte 'h' by hand.
    QByteArray bytes("\x83h");
    bytes += "ttp://a";
    EXPECT_FALSE(FindNextLink(bytes, 0, kAll).found());
    // Starting the scan on that second byte changes nothing.
    EXPECT_FALSE(FindNextLink(bytes, 1, kAll).found());
    // After an odd run of lead-range bytes, 'h' is a second byte; after an even run it is not.
    EXPECT_FALSE(FindNextLink(QByteArray("\x82\x82\x82http:"), 3, kAll).found());
    const TLinkMatch even = FindNextLink(QByteArray("\x82\x82http:"), 2, kAll);
    EXPECT_EQ(even.start, 2);
    EXPECT_EQ(even.kind, LinkHttp);
}

TEST(FindNextLink, DamagedPairSwallowsNothing) {
    // A lead byte followed by a byte that cannot be a second one stands alone.
    const QByteArray bytes("\x82<node:a\x82\r\nb>");
    const TLinkMatch m = FindNextLink(bytes, 0, kAll);
    EXPECT_EQ(m.kind, LinkNode);
    EXPECT_EQ(bytes.mid(m.start, m.length), QByteArray("node:a\x82"));
    EXPECT_EQ(LinkAtIndex(bytes, 1).kind, LinkNode);
    EXPECT_TRUE(ShowsHand(bytes, 1));
}

TEST(FindNextLink, Bracketed) {
    const QString text = U("go <node:企画書;12> now");
    const TLinkMatch m = FindNextLink(text, 0, kAll);
    EXPECT_EQ(m.kind, LinkNode);
    EXPECT_EQ(m.start, 4);
    EXPECT_EQ(Found(text, m), U("node:企画書;12"));
    EXPECT_EQ(FirstLinkBytes("go <node:企画書;12> now"), U("node:企画書;12"));
    // Only directly after "<".
    EXPECT_EQ(FirstLink("node:a file:b"), U("<none>"));
    EXPECT_EQ(FirstLink("< file:b>"), U("<none>"));
    // Empty body.
    EXPECT_EQ(FirstLink("<cmd:>"), U("cmd:"));
    // Bare links inside a body are part of the bracketed link.
    EXPECT_EQ(FirstLink("<file:http://x/a b>"), U("file:http://x/a b"));
}

TEST(FindNextLink, UnclosedBracketRunsToLineEnd) {
    EXPECT_EQ(FirstLink("<line:目次 and more\r\nnext>"), U("line:目次 and more"));
    EXPECT_EQ(FirstLink("<file:a.txt"), U("file:a.txt"));
    EXPECT_EQ(FirstLink("<newwren:x\ty>"), U("newwren:x"));
    EXPECT_EQ(FirstLinkBytes("<line:目次\r\n>"), U("line:目次"));
}

TEST(FindNextLink, FromAndLimit) {
    const QString text = U("http://a <file:b> mailto:c");
    TLinkMatch m = FindNextLink(text, 1, kAll);
    EXPECT_EQ(m.kind, LinkFile);
    // The scan position of a bracketed link is its "<".
    EXPECT_FALSE(FindNextLink(text, 1, 9).found());
    EXPECT_EQ(FindNextLink(text, 1, 10).kind, LinkFile);
    // A link found before the limit may run past it.
    m = FindNextLink(text, 18, 19);
    EXPECT_EQ(Found(text, m), U("mailto:c"));
    EXPECT_FALSE(FindNextLink(text, 5, 3).found());
    EXPECT_FALSE(FindNextLink(QString(), 0, kAll).found());
    EXPECT_FALSE(FindNextLink(text, -5, 0).found());
}

TEST(LinksInRange, CollectsLinksThatBeginInTheRange) {
    const QString text = U("http://a http://b <node:x> http://c");
    const QList<TLinkMatch> all = LinksInRange(text, 0, text.size() - 1);
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(Found(text, all[2]), U("node:x"));
    // [2, 10]: the first link begins before it, the second inside it.
    const QList<TLinkMatch> some = LinksInRange(text, 2, 10);
    ASSERT_EQ(some.size(), 1);
    EXPECT_EQ(Found(text, some[0]), U("http://b"));
    // Links back to back are all found; the scan resumes after each.
    EXPECT_EQ(LinksInRange(QStringLiteral("http:http:http:"), 0, 14).size(), 1);
    EXPECT_EQ(LinksInRange(QStringLiteral("<cmd:a><cmd:b>"), 0, 13).size(), 2);
}

TEST(LinkAtIndex, BareNeedsUrlCharsBackToThePrefix) {
    const QString text = U("see http://a/b, x");
    EXPECT_EQ(Found(text, LinkAtIndex(text, 4)), U("http://a/b"));
    EXPECT_EQ(Found(text, LinkAtIndex(text, 13)), U("http://a/b"));
    EXPECT_EQ(Found(text, LinkAtIndex(text, 8)), U("http://a/b"));
    EXPECT_FALSE(LinkAtIndex(text, 14).found()); // the comma
    EXPECT_FALSE(LinkAtIndex(text, 3).found());
    EXPECT_FALSE(LinkAtIndex(text, 2).found());
    // Inside a word: from the prefix on only.
    const QString word = U("xhttp://a");
    EXPECT_FALSE(LinkAtIndex(word, 0).found());
    EXPECT_EQ(LinkAtIndex(word, 8).start, 1);
}

TEST(LinkAtIndex, BracketedFromTheAngleOn) {
    const QString text = U("a <file:x y> b");
    const TLinkMatch expected{LinkFile, 3, 8};
    EXPECT_EQ(LinkAtIndex(text, 2), expected); // the "<" hits
    EXPECT_EQ(LinkAtIndex(text, 3), expected);
    EXPECT_EQ(LinkAtIndex(text, 9), expected);   // after the space
    EXPECT_FALSE(LinkAtIndex(text, 11).found()); // the ">"
    EXPECT_FALSE(LinkAtIndex(text, 12).found());
    // Unclosed: to the line end, and not across it.
    const QString open = U("<line:a b\r\nc");
    EXPECT_EQ(Found(open, LinkAtIndex(open, 7)), U("line:a b"));
    EXPECT_FALSE(LinkAtIndex(open, 11).found());
}

TEST(LinkAtIndex, NearestPrefixWins) {
    // A bare link inside a body is hit on its own from its prefix on.
    const QString text = U("<node:see http://x>");
    EXPECT_EQ(LinkAtIndex(text, 17).kind, LinkHttp);
    EXPECT_EQ(LinkAtIndex(text, 7).kind, LinkNode);
    EXPECT_EQ(Found(text, LinkAtIndex(text, 7)), U("node:see http://x"));
}

TEST(LinkAtIndex, DoubleByteText) {
    const QByteArray bytes = Sjis("日本http://a 「<node:資料>」");
    // Bytes: 日本 0..3, http://a 4..11, space 12, 「 13..14, < 15.
    TLinkMatch m = LinkAtIndex(bytes, 6);
    EXPECT_EQ(m.kind, LinkHttp);
    EXPECT_EQ(m.start, 4);
    EXPECT_EQ(m.length, 8);
    EXPECT_FALSE(LinkAtIndex(bytes, 3).found());
    m = LinkAtIndex(bytes, 22); // second byte of 資
    EXPECT_EQ(m.kind, LinkNode);
    EXPECT_EQ(FromSjis(bytes.mid(m.start, m.length)), U("node:資料"));
    // A second byte that looks like "h" never starts a bare link.
    QByteArray tricky("\x83h");
    tricky += "ttp:";
    for (qsizetype i = 0; i < tricky.size(); ++i)
        EXPECT_FALSE(LinkAtIndex(tricky, i).found()) << i;
    EXPECT_FALSE(LinkAtIndex(bytes, -1).found());
    EXPECT_FALSE(LinkAtIndex(bytes, bytes.size()).found());
}

TEST(LinkAtIndex, AgreesWithItsByteForm) {
    const char* sample = "前 http://a 後 <cmd:ls -l> 終 <line:x/node:y;3";
    const QString text = U(sample);
    const QByteArray bytes = Sjis(sample);
    qsizetype byte = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const TLinkMatch w = LinkAtIndex(text, i);
        const TLinkMatch b = LinkAtIndex(bytes, byte);
        EXPECT_EQ(w.kind, b.kind) << i;
        if (w.found()) {
            EXPECT_EQ(text.mid(w.start, w.length), FromSjis(bytes.mid(b.start, b.length))) << i;
        }
        byte += text.at(i).unicode() < 128 ? 1 : 2;
    }
}

TEST(ShowsHand, FirstLetterShowsNoneTheAngleDoes) {
    const QString text = U("http://a <node:b>");
    EXPECT_FALSE(ShowsHand(text, 0));
    EXPECT_TRUE(ShowsHand(text, 1));
    EXPECT_TRUE(ShowsHand(text, 9));   // "<"
    EXPECT_FALSE(ShowsHand(text, 10)); // "n"
    EXPECT_TRUE(ShowsHand(text, 11));
    EXPECT_FALSE(ShowsHand(text, 8));
    // A "<" at the very start of the page shows the hand too.
    EXPECT_TRUE(ShowsHand(U("<file:a>"), 0));
}

TEST(ClickText, BareWholeBracketedBodyCutTo600) {
    const QString text = U("x http://a/b <node:企画書;12>");
    EXPECT_EQ(ClickText(text, LinkAtIndex(text, 5)), U("http://a/b"));
    EXPECT_EQ(ClickText(text, LinkAtIndex(text, 14)), U("企画書;12"));

    const QString longBody =
        QStringLiteral("<cmd:") + QString(700, QLatin1Char('a')) + QLatin1Char('>');
    const QString cut = ClickText(longBody, LinkAtIndex(longBody, 3));
    EXPECT_EQ(cut.size(), MaxClickBody);
    const QString exact = QStringLiteral("<cmd:") + QString(600, QLatin1Char('b'));
    EXPECT_EQ(ClickText(exact, LinkAtIndex(exact, 3)).size(), 600);

    // Bytes: 599 single bytes then a double-byte character is cut before it.
    QByteArray bytes = "<file:" + QByteArray(599, 'c') + Sjis("日本") + ">";
    QByteArray body = ClickText(bytes, LinkAtIndex(bytes, 1));
    EXPECT_EQ(body, QByteArray(599, 'c'));
    bytes = "<file:" + QByteArray(598, 'c') + Sjis("日本") + ">";
    body = ClickText(bytes, LinkAtIndex(bytes, 1));
    EXPECT_EQ(body.size(), 600);
    EXPECT_TRUE(body.endsWith(Sjis("日")));
    // Bare links are not cut.
    const QString bare = QStringLiteral("http://") + QString(700, QLatin1Char('z'));
    EXPECT_EQ(ClickText(bare, LinkAtIndex(bare, 3)).size(), 707);
    EXPECT_TRUE(ClickText(bare, TLinkMatch{}).isEmpty());
    EXPECT_TRUE(ClickText(bare, TLinkMatch{LinkFile, 700, 50}).isEmpty());
}
