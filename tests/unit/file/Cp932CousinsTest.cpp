#include "file/Cp932.h"
#include "file/HierText.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FindDesc.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

// Characters input methods and JIS-based converters produce, with the code
// cp932 holds them under.
struct Pair {
    char16_t unicode;
    QByteArray code;
};
const Pair kPairs[] = {
    {0x301C, "\x81\x60"}, {0x2016, "\x81\x61"}, {0x2212, "\x81\x7C"},
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00AC, "\x81\xCA"},
    {0x2014, "\x81\x5C"}, {0x00A6, "\xFA\x55"}, {0x00A5, "\x81\x8F"},
};

QString all() {
    QString s;
    for (const Pair& p : kPairs)
        s += QChar(p.unicode);
    return s;
}

QByteArray allCodes() {
    QByteArray b;
    for (const Pair& p : kPairs)
        b += p.code;
    return b;
}

} // namespace

TEST(Cp932Cousins, EachIsWrittenAsItsCodeWithoutLoss) {
    for (const Pair& p : kPairs) {
        const QString text = QStringLiteral("10時") + QChar(p.unicode) + QStringLiteral("12時");
        bool lossy = true;
        EXPECT_EQ(Cp932::fromUnicode(text, &lossy), Sjis("10時") + p.code + Sjis("12時"))
            << std::hex << int(p.unicode);
        EXPECT_FALSE(lossy) << std::hex << int(p.unicode);
        EXPECT_TRUE(Cp932::canEncode(text)) << std::hex << int(p.unicode);
        // Read back, the code gives cp932's own name, which writes the same code.
        EXPECT_EQ(Cp932::fromUnicode(Cp932::toUnicode(p.code)), p.code);
    }
}

TEST(Cp932Cousins, RealLossesAreStillMarked) {
    bool lossy = false;
    EXPECT_EQ(Cp932::fromUnicode(QStringLiteral("〜é〜😀"), &lossy), "\x81\x60?\x81\x60?");
    EXPECT_TRUE(lossy);
    EXPECT_FALSE(Cp932::canEncode(QStringLiteral("〜é")));
}

TEST(Cp932Cousins, ATypedWaveDashFindsAStoredOne) {
    // The page as stored: written by a program that used the fullwidth tilde.
    const QByteArray stored = Sjis("会議は10時～12時です");
    TFindDesc f;
    f.SetStringCondition(Cp932::fromUnicode(QStringLiteral("10時〜12時")), false, true, true,
                         false);
    EXPECT_TRUE(f.FindFrom(stored, 1));
    f.ReleaseSearchText();
}

TEST(Cp932Cousins, ImportedUtf8TextKeepsThem) {
    const QByteArray file = (QStringLiteral(".見出し") + all() + QStringLiteral("\n本文") + all() +
                             QStringLiteral("\n"))
                                .toUtf8();
    const HierText::TParsed parsed = HierText::Parse(file, '.', Sjis("上"));
    ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
    EXPECT_FALSE(parsed.lossy);
    ASSERT_EQ(parsed.entries.size(), 2u);
    EXPECT_EQ(parsed.entries[1].title, Sjis("見出し") + allCodes());
    EXPECT_TRUE(parsed.entries[1].text.startsWith(Sjis("本文") + allCodes()));
}

TEST(Cp932Cousins, ADocumentHoldingAllOfThemReadsBackWhole) {
    TOptionDesc settings;
    TOutline outline(&settings);
    TLeafNote* item = TLeafNote::Create(outline, 1, nullptr);
    item->SetTitle(Cp932::fromUnicode(QStringLiteral("波") + all()));
    item->PageText = Cp932::fromUnicode(QStringLiteral("本文") + all() + QStringLiteral("\r\n"));
    TLeafNote::CreateTrash(outline);
    const QByteArray bytes = OutlineFile::writeDocument(settings, outline);

    TOptionDesc settings2;
    TOutline back(&settings2);
    const OutlineFile::ReadResult r = OutlineFile::readDocument(bytes, settings2, back);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    const TLeafNote& read = *back.topLevel(0)->item();
    EXPECT_EQ(read.Title, Sjis("波") + allCodes());
    EXPECT_EQ(read.PageText, Sjis("本文") + allCodes() + "\r\n");
    EXPECT_FALSE(Cp932::toUnicode(read.Title).contains(QLatin1Char('?')));
}

namespace {

QString byConverter(const QByteArray& bytes) {
    QStringDecoder dec("windows-31j", QStringConverter::Flag::Stateless);
    return dec.decode(bytes);
}

} // namespace

// Decoding goes by a table made from the converter; it must agree with the
// converter on every code, and on text the table cannot decode alone.
TEST(Cp932Decoding, AgreesWithTheConverterOnEveryCode) {
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        EXPECT_EQ(Cp932::toUnicode(one), byConverter(one)) << std::hex << b;
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead)
        for (int trail = 0; trail < 256; ++trail) {
            const QByteArray two = QByteArray(1, char(lead)) + char(trail) + "a";
            ASSERT_EQ(Cp932::toUnicode(two), byConverter(two)) << std::hex << lead << ' ' << trail;
        }
}

TEST(Cp932Decoding, DamagedTextReadsAsTheConverterReadsIt) {
    const QByteArray cases[] = {
        "\x82",                 // a lead byte at the end
        "abc\x82",              //
        "\x82\xA0\x82\xA2\x81", // after good characters
        "\x81\x20x",            // a trail byte out of range
        "\xFD\xFE\xFF\x80\xA0", // bytes with no fixed partner
        "\xF0\x40\xF9\xFC",     // user-defined area
    };
    for (const QByteArray& c : cases)
        EXPECT_EQ(Cp932::toUnicode(c), byConverter(c)) << c.toHex().constData();
    const QByteArray nul("\x82\xA0\x00\x82\xA2", 5); // a NUL inside
    EXPECT_EQ(Cp932::toUnicode(nul), byConverter(nul));
    EXPECT_EQ(Cp932::toUnicode(nul).size(), 3);
    // A damaged text leaves the next one unharmed.
    EXPECT_EQ(Cp932::toUnicode(QByteArray("\x82\xA0\x82\xA2")), QStringLiteral("あい"));
    EXPECT_EQ(Cp932::toUnicode(QByteArray()), QString());
}

// Encoding goes by a table too; every character the converter holds comes
// out as the converter writes it, and the others take the slow way as before.
TEST(Cp932Decoding, EncodingAgreesWithTheConverterOnEveryCharacter) {
    for (int u = 0; u < 0x10000; ++u) {
        if (QChar::isSurrogate(char16_t(u)))
            continue;
        const QString one{QChar(char16_t(u))};
        QStringEncoder enc("windows-31j");
        const QByteArray bytes = enc.encode(one);
        bool lossy = true;
        const QByteArray ours = Cp932::fromUnicode(one, &lossy);
        if (!enc.hasError()) {
            ASSERT_EQ(ours, bytes) << std::hex << u;
            ASSERT_FALSE(lossy) << std::hex << u;
            ASSERT_TRUE(Cp932::canEncode(one)) << std::hex << u;
        } else {
            ASSERT_EQ(Cp932::canEncode(one), Cp932::cp932Form(char16_t(u)) != 0) << std::hex << u;
        }
    }
    // A character the converter drops without a mark is still a loss.
    bool dropped = false;
    EXPECT_EQ(Cp932::fromUnicode(QStringLiteral("a\u200Bb"), &dropped), QByteArray("ab"));
    EXPECT_TRUE(dropped);
    // Text mixing both kinds keeps the one and marks the other.
    bool lossy = false;
    EXPECT_EQ(Cp932::fromUnicode(QStringLiteral("あé😀x"), &lossy), QByteArray("\x82\xA0??x"));
    EXPECT_TRUE(lossy);
}
