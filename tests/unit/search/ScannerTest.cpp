#include "search/FindDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace {

struct Occurrence {
    int position;
    int length;
    bool operator==(const Occurrence& o) const {
        return position == o.position && length == o.length;
    }
};

std::ostream& operator<<(std::ostream& os, const Occurrence& o) {
    return os << "(" << o.position << "," << o.length << ")";
}

TFindDesc Finder(const QByteArray& pattern, bool matchWord = false, bool ignoreCase = false) {
    TFindDesc f;
    f.SetStringCondition(pattern, matchWord, true, true, ignoreCase);
    return f;
}

// Every occurrence FindFirst/FindNext report.
std::vector<Occurrence> All(TFindDesc& f, const QByteArray& text) {
    std::vector<Occurrence> out;
    bool found = f.FindFirst(text);
    while (found && out.size() < 100) {
        out.push_back({f.Position, f.MatchLength});
        found = f.FindNext();
    }
    f.ReleaseSearchText();
    return out;
}

std::optional<Occurrence> First(const QByteArray& pattern, const QByteArray& text,
                                bool matchWord = false, bool ignoreCase = false) {
    TFindDesc f = Finder(pattern, matchWord, ignoreCase);
    if (!f.FindFrom(text, 1))
        return std::nullopt;
    return Occurrence{f.Position, f.MatchLength};
}

} // namespace

TEST(Scanner, SkipsBlanksInsideTheTextButNotThePatterns) {
    EXPECT_EQ(First("ab", "a b"), (Occurrence{1, 3}));
    EXPECT_EQ(First("ab", "a  b"), (Occurrence{1, 4}));
    EXPECT_EQ(First("ab", "xa\r\nb"), (Occurrence{2, 4}));
    EXPECT_EQ(First("ab", QByteArray("a\tb\0", 3)), (Occurrence{1, 3}));
    EXPECT_EQ(First("abc", "a b  c!"), (Occurrence{1, 6}));

    EXPECT_EQ(First("a b", "a b"), (Occurrence{1, 3}));
    // The text's second blank is skipped before the pattern's "b".
    EXPECT_EQ(First("a b", "a  b"), (Occurrence{1, 4}));
    EXPECT_FALSE(First("a b", "ab"));
    // No blank is skipped before the first pattern character.
    EXPECT_EQ(First("ab", " ab"), (Occurrence{2, 2}));
    // A blank equal to the pattern byte is matched, not skipped.
    EXPECT_EQ(First("a\nb", "a\nb"), (Occurrence{1, 3}));
}

TEST(Scanner, SkippingStopsWhereTheRestNoLongerFits) {
    EXPECT_FALSE(First("ab", "a "));
    EXPECT_FALSE(First("ab", "a \r\n"));
    EXPECT_FALSE(First("abc", "a b "));
    EXPECT_FALSE(First("abcd", "abc"));
    EXPECT_FALSE(First("a", ""));
    // k may reach LastStart - p: 'ab' in 'a   b' skips three blanks (LastStart 4).
    EXPECT_EQ(First("ab", "a   b"), (Occurrence{1, 5}));
    EXPECT_EQ(First("abc", "a   b  c"), (Occurrence{1, 8}));
    EXPECT_FALSE(First("abc", "a   b  "));
}

TEST(Scanner, NeverStartsOnTheSecondByteOfACharacter) {
    // "ア" is 83 41 in cp932: its second byte is 'A'.
    const QByteArray text = Sjis("アイ");
    ASSERT_EQ(text.at(1), 'A');
    EXPECT_FALSE(First("A", text));
    EXPECT_FALSE(First("AC", Sjis("アイ") + "C"));
    EXPECT_EQ(First("A", text + "A"), (Occurrence{5, 1}));
    // "表" (95 5C) ends with a backslash byte.
    EXPECT_FALSE(First("\\", Sjis("表")));
    EXPECT_EQ(First(Sjis("イ"), Sjis("アイ")), (Occurrence{3, 2}));
    EXPECT_FALSE(First("A" + Sjis("イ"), Sjis("アイ")));
    EXPECT_FALSE(First("AA", Sjis("ア") + "A"));
    // A failed candidate on a lead byte also steps over the whole character:
    // "ャ" is 83 83, so "ア" (83 41) would otherwise be found at byte 2.
    const QByteArray ya = Sjis("ャ") + "A";
    ASSERT_EQ(ya, QByteArray("\x83\x83\x41"));
    EXPECT_FALSE(First(Sjis("ア"), ya));
}

TEST(Scanner, FindNextContinuesAfterTheOccurrence) {
    TFindDesc f = Finder("aa");
    EXPECT_EQ(All(f, "aaaa"), (std::vector<Occurrence>{{1, 2}, {3, 2}}));
    TFindDesc g = Finder("bcd");
    ASSERT_TRUE(g.FindFirst("xxxxbcdbcd"));
    EXPECT_EQ(g.Position, 5);
    EXPECT_EQ(g.MatchLength, 3);
    ASSERT_TRUE(g.FindNext());
    EXPECT_EQ(g.Position, 8);
    EXPECT_FALSE(g.FindNext());
    // After a failure there is nothing to continue from.
    EXPECT_FALSE(g.FindNext());
    g.ReleaseSearchText();
    EXPECT_TRUE(g.SearchText.isEmpty());
    EXPECT_TRUE(g.SearchPattern.isEmpty());
}

TEST(Scanner, FindFromStartsAtTheGivenPositionAndReleases) {
    TFindDesc f = Finder("ab");
    ASSERT_TRUE(f.FindFrom("ab ab", 2));
    EXPECT_EQ(f.Position, 4);
    EXPECT_TRUE(f.SearchText.isEmpty());
    EXPECT_FALSE(f.FindNext());
    EXPECT_FALSE(f.FindFrom("ab ab", 5));
}

TEST(Scanner, WholeWordStopsAtTheFirstOccurrence) {
    EXPECT_EQ(First("cat", "a cat sat", true), (Occurrence{3, 3}));
    EXPECT_EQ(First("cat", "cat sat", true), (Occurrence{1, 3}));
    EXPECT_EQ(First("cat", "a cat", true), (Occurrence{3, 3}));
    EXPECT_EQ(First("cat", "cat", true), (Occurrence{1, 3}));
    EXPECT_EQ(First("cat", "x\r\ncat\r\n", true), (Occurrence{4, 3}));
    EXPECT_FALSE(First("cat", "concat cat", true));
    EXPECT_FALSE(First("cat", "cats", true));
    // Blanks skipped inside the occurrence count towards its end.
    EXPECT_EQ(First("ab", "x a b y", true), (Occurrence{3, 3}));
    EXPECT_FALSE(First("ab", "x a by", true));

    TFindDesc f = Finder("cat", true);
    EXPECT_EQ(All(f, "cat cat"), (std::vector<Occurrence>{{1, 3}, {5, 3}}));
    EXPECT_EQ(All(f, "cat concat cat"), (std::vector<Occurrence>{{1, 3}}));
}

TEST(Scanner, CaseFoldingIsAsciiOnly) {
    EXPECT_EQ(First("abc", "xABC", false, true), (Occurrence{2, 3}));
    EXPECT_EQ(First("abc", "AbC", false, true), (Occurrence{1, 3}));
    EXPECT_EQ(First("ABC", "abc", false, true), (Occurrence{1, 3}));
    EXPECT_FALSE(First("abc", "ABC", false, false));
    EXPECT_FALSE(First("abc", Sjis("ａｂｃ"), false, true));
    EXPECT_FALSE(First(Sjis("ＡＢＣ"), "ABC", false, true));
    EXPECT_FALSE(First(Sjis("ａｂｃ"), Sjis("ＡＢＣ"), false, true));
    EXPECT_FALSE(First(Sjis("あ"), Sjis("ア"), false, true));
}

TEST(Scanner, CaseFoldingLeavesSecondBytesAlone) {
    // "チ" is 83 60 and "ヂ" 83 61: the second byte of "ヂ" is 'a'. Folding it
    // to 'A' would turn "ヂ" into "ア" (83 41).
    const QByteArray di = Sjis("ヂ");
    ASSERT_EQ(di.at(1), 'a');
    EXPECT_EQ(TFindDesc::FoldCase(di + "a"), di + "A");
    EXPECT_FALSE(First(Sjis("ア"), di, false, true));
    EXPECT_FALSE(First(di, Sjis("ア"), false, true));
    EXPECT_EQ(First(di + "x", Sjis("ヂ") + "X", false, true), (Occurrence{1, 3}));
}

TEST(Scanner, EmptyPatternNeverMatches) {
    TFindDesc f;
    EXPECT_FALSE(f.FindFirst("abc"));
    EXPECT_FALSE(f.FindNext());
    f.ReleaseSearchText();
    EXPECT_FALSE(f.FindFrom("", 1));
}

TEST(Conditions, ResetLeavesTheValues) {
    TFindDesc f;
    f.SetStringCondition("", true, true, true, true);
    EXPECT_FALSE(f.OnString);
    EXPECT_TRUE(f.Pattern.isEmpty());
    f.SetStringCondition("xyz", true, false, true, true);
    f.SetDateCondition(2, true, false, true, 7, 45000);
    f.SetProgressCondition(false, true, false, true);
    f.SetLabelCondition({false, false, false, true, false, false, false, false});
    f.SetCurrentLevel();
    f.SetInFocusTray();
    f.SetHasDueDate();
    f.SetHasFinishDate();
    f.ShowDueInTitle = true;
    EXPECT_EQ(f.PatternLength, 3);
    f.Reset();
    EXPECT_FALSE(f.OnString || f.OnDate || f.OnProcStatus || f.OnLabel || f.CurrentLevel ||
                 f.InFocusTray || f.HasDueDate || f.HasFinishDate || f.ShowDueInTitle);
    EXPECT_EQ(f.Pattern, QByteArray("xyz"));
    EXPECT_TRUE(f.MatchWord);
    EXPECT_FALSE(f.InTitle);
    EXPECT_EQ(f.DateType, 2);
    EXPECT_EQ(f.MaxDays, 7);
    EXPECT_EQ(f.KeyDate, 45000);
    EXPECT_TRUE(f.ProcStatus[1] && f.ProcStatus[3] && !f.ProcStatus[0]);
    EXPECT_TRUE(f.Labels[3]);
}

namespace {

// The scan written the plain way: every character start in turn.
std::vector<Occurrence> Reference(const QByteArray& pattern, const QByteArray& text,
                                  bool matchWord) {
    std::vector<Occurrence> out;
    const int n = int(text.size()), m = int(pattern.size());
    auto T = [&](int pos) { return pos >= 1 && pos <= n ? int(uchar(text[pos - 1])) : -1; };
    const int lastStart = n - m + 1;
    int p = 1;
    while (m > 0 && p <= lastStart) {
        bool found = false;
        int k = 0;
        if (T(p) == uchar(pattern[0])) {
            found = true;
            for (int j = 1; j < m; ++j) {
                int x = T(p + j + k);
                while (x != uchar(pattern[j]) && x >= 0 && x <= 32 && k <= lastStart - p)
                    x = T(p + j + ++k);
                if (x != uchar(pattern[j])) {
                    found = false;
                    break;
                }
            }
        }
        if (found) {
            if (matchWord && !((p == 1 || T(p - 1) <= 32) && (p + m + k > n || T(p + m + k) <= 32)))
                break;
            out.push_back({p, m + k});
            p += m + k;
            continue;
        }
        const int c = T(p);
        p += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    }
    return out;
}

} // namespace

TEST(Scanner, AgreesWithThePlainScanOnRandomText) {
    // Bytes that matter: blanks, letters, lead bytes, and second bytes that
    // look like letters or like lead bytes.
    const unsigned char alphabet[] = {'a',  'b',  'A',  ' ',  '\r', '\n', 0x81, 0x82,
                                      0x9F, 0xE0, 0x40, 0x61, 0x8A, 0xFC, 0x00};
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    for (int round = 0; round < 20000; ++round) {
        QByteArray text;
        const int n = int(next(24));
        for (int i = 0; i < n; ++i)
            text += char(alphabet[next(sizeof alphabet)]);
        QByteArray pattern;
        if (n > 0 && next(2)) {
            const int from = int(next(uint32_t(n)));
            pattern = text.mid(from, 1 + int(next(4)));
        } else {
            for (int i = 0, m = 1 + int(next(3)); i < m; ++i)
                pattern += char(alphabet[next(sizeof alphabet)]);
        }
        const bool word = next(4) == 0;
        const bool fold = next(3) == 0;
        TFindDesc f = Finder(pattern, word, fold);
        const QByteArray t = fold ? TFindDesc::FoldCase(text) : text;
        const QByteArray p = fold ? TFindDesc::FoldCase(pattern) : pattern;
        ASSERT_EQ(All(f, text), Reference(p, t, word))
            << "text " << text.toHex().constData() << " pattern " << pattern.toHex().constData()
            << " word " << word << " fold " << fold;
    }
}

// The text is folded while it is compared, not copied: a small letter that
// is the second byte of a character stays as it is, also where the scan
// resumes on such a byte after an occurrence that ended with a first byte.
TEST(Scanner, FoldingInPlaceLeavesSecondBytesAlone) {
    TFindDesc f = Finder(QByteArray::fromHex("619f"), false, true);
    const std::vector<Occurrence> want = {{1, 2}, {4, 2}};
    EXPECT_EQ(All(f, QByteArray::fromHex("619f00619f619ffc624082206161008a")), want);
    // "ｱa" folded finds "ｱA" and "ｱa", never the 'a' that ends a double-byte character.
    TFindDesc g = Finder(QByteArray("\xb1"
                                    "A"),
                         false, true);
    const std::vector<Occurrence> both = {{1, 2}, {6, 2}};
    EXPECT_EQ(All(g, QByteArray("\xb1"
                                "a"
                                "\x82"
                                "a"
                                " "
                                "\xb1"
                                "A")),
              both);
    EXPECT_FALSE(Finder("A", false, true)
                     .FindFirst(QByteArray("\x82"
                                           "a")));
    EXPECT_TRUE(Finder("A", false, true)
                    .FindFirst(QByteArray("\x82"
                                          "aa")));
    EXPECT_TRUE(Finder("a", false, false)
                    .FindFirst(QByteArray("\x82"
                                          "aa")));
    EXPECT_FALSE(Finder("A", false, false)
                     .FindFirst(QByteArray("\x82"
                                           "aa")));
}

// The folded pattern is kept between scans, but never outlives the pattern.
TEST(Scanner, AChangedPatternIsFoldedAnew) {
    TFindDesc f = Finder("abc", false, true);
    EXPECT_TRUE(f.FindFirst("xx ABC"));
    f.Pattern = "xyz";
    EXPECT_FALSE(f.FindFirst("xx ABC"));
    EXPECT_TRUE(f.FindFirst("XYZ"));
    EXPECT_EQ(f.SearchPattern, QByteArray("XYZ"));
    f.IgnoreCase = false;
    EXPECT_FALSE(f.FindFirst("XYZ"));
    EXPECT_TRUE(f.FindFirst("xyz"));
}
