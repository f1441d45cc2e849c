#include "file/Cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, LostCharactersBecomeOneQuestionMarkEach) {
    struct Case {
        const char* utf8;
        QByteArray expected;
        bool lossy;
    };
    const Case cases[] = {
        {"日本語", QByteArray("\x93\xfa\x96\x7b\x8c\xea"), false},
        {"aé€b", QByteArray("a??b"), true},
        {"x😀y", QByteArray("x?y"), true},
        {"日😀本", QByteArray("\x93\xfa?\x96\x7b"), true},
        {"①～", QByteArray("\x87\x40\x81\x60"), false},
        {"😀", QByteArray("?"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        bool lossy = !c.lossy;
        EXPECT_EQ(Cp932::fromUnicode(QString::fromUtf8(c.utf8), &lossy), c.expected);
        EXPECT_EQ(lossy, c.lossy);
        EXPECT_EQ(Cp932::canEncode(QString::fromUtf8(c.utf8)), !c.lossy);
    }
}

TEST(Cp932, ALongPageWithOneLostCharacterKeepsTheRest) {
    QString text(200000, QChar(u'あ'));
    text[100000] = QChar(0x00E9);
    bool lossy = false;
    const QByteArray bytes = Cp932::fromUnicode(text, &lossy);
    EXPECT_TRUE(lossy);
    EXPECT_EQ(bytes.size(), 2 * 199999 + 1);
    EXPECT_EQ(bytes.at(200000), '?');
    EXPECT_EQ(Cp932::toUnicode(bytes).size(), 200000);
}

// The decoder is kept between calls: a text cut after a lead byte must not
// carry that byte into the next one.
TEST(Cp932, EachDecodingStartsAfresh) {
    EXPECT_EQ(Cp932::toUnicode(QByteArray("abc\x82")), QStringLiteral("abc"));
    EXPECT_EQ(Cp932::toUnicode(QByteArray("\xa0x")), QString::fromUtf8("\x1ax"));
    EXPECT_EQ(Cp932::toUnicode(QByteArray("\x82")), QString());
    EXPECT_EQ(Cp932::toUnicode(QByteArray("\xa0")), QString::fromUtf8("\x1a"));
    EXPECT_EQ(Cp932::toUnicode(QByteArray("\x93\xfa\x96\x7b")), QString::fromUtf8("日本"));
}
