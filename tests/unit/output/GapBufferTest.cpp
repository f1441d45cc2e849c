#include "output/GapBuffer.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Edits that jump back and forth, through empty and growing texts, must
// leave the same text as plain edits would.
template <class Text> void randomEditsAgreeWithPlainText(const Text& alphabet) {
    std::mt19937 random(7);
    const Text close("&)");
    for (int round = 0; round < 200; ++round) {
        Text plain = Text("&)x").repeated(int(random() % 5));
        TGapText<Text> gap(plain);
        for (int step = 0; step < 60; ++step) {
            const int size = int(plain.size());
            const int pos = int(random() % unsigned(size + 1));
            const int length = int(random() % unsigned(size - pos + 1));
            Text value;
            for (unsigned n = random() % (step % 7 == 0 ? 200 : 4); n > 0; --n)
                value += alphabet.at(int(random() % unsigned(alphabet.size())));
            switch (random() % 4) {
            case 0:
                ASSERT_EQ(gap.indexOf(close, pos), int(plain.indexOf(close, pos)));
                break;
            case 1:
                ASSERT_EQ(gap.mid(pos, length), plain.mid(pos, length));
                ASSERT_EQ(gap.matchesAt(pos, close), plain.mid(pos).startsWith(close));
                break;
            default:
                gap.replace(pos, length, value);
                plain.replace(pos, length, value);
                break;
            }
            ASSERT_EQ(gap.size(), plain.size());
            if (!plain.isEmpty()) {
                ASSERT_EQ(gap.at(pos % int(plain.size())), plain.at(pos % plain.size()));
            }
        }
        ASSERT_EQ(gap.text(), plain) << "round " << round;
    }
}

} // namespace

TEST(GapBuffer, RandomEditsAgreeWithAPlainArray) {
    randomEditsAgreeWithPlainText(QByteArray("ab&)\x82"));
    randomEditsAgreeWithPlainText(QStringLiteral("ab&)あ"));
}

TEST(GapBuffer, SearchesPastTheEndAndMatchesPastTheEndFindNothing) {
    TGapBuffer gap(QByteArray("a&)"));
    gap.replace(1, 0, "b");
    EXPECT_EQ(gap.indexOf("&)", 99), -1);
    EXPECT_EQ(gap.indexOf("&)", -5), 2);
    EXPECT_FALSE(gap.matchesAt(3, "&)"));
    EXPECT_FALSE(gap.matchesAt(-1, "a"));
    EXPECT_EQ(gap.text(), QByteArray("ab&)"));
}
