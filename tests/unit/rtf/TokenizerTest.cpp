#include "rtf/RtfTokenizer.h"

#include <QByteArray>

#include <climits>
#include <gtest/gtest.h>

using Rtf::Token;
using Rtf::Tokenizer;

namespace {

std::vector<Token> all(Tokenizer& t) {
    std::vector<Token> out;
    for (Token k = t.next(); k.type != Token::End; k = t.next())
        out.push_back(k);
    return out;
}

} // namespace

TEST(RtfTokenizer, WordsSymbolsHexAndText) {
    const QByteArray in("{\\b0 Hi\\par\r\n\\fi-360\\'8a\\'BF\\~\\*x\\\\y\\{}");
    Tokenizer t(in);
    const auto k = all(t);
    ASSERT_EQ(k.size(), 14u);
    EXPECT_EQ(k[0].type, Token::GroupStart);
    EXPECT_EQ(k[1].type, Token::ControlWord);
    EXPECT_EQ(k[1].word, "b");
    EXPECT_TRUE(k[1].hasParam);
    EXPECT_EQ(k[1].param, 0);
    // The space after a word is its delimiter, not text.
    EXPECT_EQ(k[2].type, Token::Text);
    EXPECT_EQ(k[2].text, "Hi");
    EXPECT_EQ(k[3].word, "par");
    EXPECT_FALSE(k[3].hasParam);
    EXPECT_EQ(k[4].word, "fi");
    EXPECT_EQ(k[4].param, -360);
    EXPECT_EQ(k[5].type, Token::HexByte);
    EXPECT_EQ(k[5].value, 0x8a);
    EXPECT_EQ(k[6].value, 0xbf);
    EXPECT_EQ(k[7].type, Token::ControlSymbol);
    EXPECT_EQ(k[7].value, '~');
    EXPECT_EQ(k[8].value, '*');
    EXPECT_EQ(k[9].text, "x");
    EXPECT_EQ(k[10].text, "\\");
    EXPECT_EQ(k[11].text, "y");
    EXPECT_EQ(k[12].text, "{");
    EXPECT_EQ(k[13].type, Token::GroupEnd);
}

TEST(RtfTokenizer, BackslashLineBreakIsParagraph) {
    const QByteArray in("a\\\nb");
    Tokenizer t(in);
    const auto k = all(t);
    ASSERT_EQ(k.size(), 3u);
    EXPECT_EQ(k[1].type, Token::ControlWord);
    EXPECT_EQ(k[1].word, "par");
}

TEST(RtfTokenizer, AbsurdNumbersSaturate) {
    const QByteArray in("\\bin99999999999999999999 \\u-99999999999999x");
    Tokenizer t(in);
    Token a = t.next();
    EXPECT_EQ(a.param, INT_MAX);
    Token b = t.next();
    EXPECT_EQ(b.param, INT_MIN);
    EXPECT_EQ(t.next().text, "x");
}

TEST(RtfTokenizer, TruncatedInputEnds) {
    for (const char* in : {"\\", "\\'", "\\'8", "\\'zz", "{\\rtf1\\ans", "\\-"}) {
        const QByteArray bytes(in);
        Tokenizer t(bytes);
        int guard = 0;
        while (t.next().type != Token::End)
            ASSERT_LT(++guard, 10) << in;
        EXPECT_TRUE(t.atEnd()) << in;
    }
}

TEST(RtfTokenizer, BinaryIsTakenByCountAndClamped) {
    const QByteArray in(QByteArray("\\bin3 }{\\x", 10));
    Tokenizer t(in);
    Token w = t.next();
    EXPECT_EQ(w.word, "bin");
    EXPECT_EQ(t.takeBinary(w.param), "}{\\");
    EXPECT_EQ(t.next().text, "x");
    const QByteArray tail("\\bin1000 ab");
    Tokenizer u(tail);
    u.next();
    EXPECT_EQ(u.takeBinary(1000), "ab");
    EXPECT_TRUE(u.atEnd());
    EXPECT_TRUE(u.takeBinary(-5).isEmpty());
}
