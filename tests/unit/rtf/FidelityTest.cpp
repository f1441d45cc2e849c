// Documents from word processors: associated (double-byte) properties,
// fields, page breaks and footnotes, read and written.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include "TestSupport.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QTextCharFormat formatOf(const QTextDocument& doc, const QString& text) {
    const int at = int(doc.toPlainText().indexOf(text));
    EXPECT_GE(at, 0) << text.toStdString();
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(at + 1);
    return c.charFormat();
}

QString family(const QTextCharFormat& f) {
    const QStringList l = f.fontFamilies().toStringList();
    return l.isEmpty() ? QString() : l.first();
}

bool isBold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::DemiBold;
}

const char kFonts[] = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}"
                      "{\\f1\\fnil\\fcharset128 IPAGothic;}{\\f2\\fswiss\\fcharset0 Arial;}}";

QTextDocument* loaded(const QByteArray& rtf) {
    auto* doc = new QTextDocument;
    const Rtf::ReadResult r = Rtf::load(rtf, *doc);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return doc;
}

} // namespace

TEST(RtfAssociated, DoubleByteRunTakesAssociatedFaceSizeWeightAndSlant) {
    std::unique_ptr<QTextDocument> doc(loaded(
        ByteBuilder()
            .raw(kFonts)
            .raw("A{\\dbch\\af1\\ab\\afs32 \\u22826?\\u23383?}B{\\dbch\\ai\\afs16 \\u26085?}C}")
            .bytes()));
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("A太字B日C"));
    const QTextCharFormat big = formatOf(*doc, QString::fromUtf8("太"));
    EXPECT_EQ(family(big), QStringLiteral("IPAGothic"));
    EXPECT_EQ(big.property(Rtf::CharsetProperty).toInt(), 128);
    EXPECT_TRUE(isBold(big));
    EXPECT_EQ(big.fontPointSize(), 16.0);
    const QTextCharFormat small = formatOf(*doc, QString::fromUtf8("日"));
    EXPECT_TRUE(small.fontItalic());
    EXPECT_FALSE(isBold(small));
    EXPECT_EQ(small.fontPointSize(), 8.0);
    EXPECT_EQ(family(small), QStringLiteral("Times"));
    // Text outside the groups keeps the run's own look.
    for (const char* latin : {"A", "B", "C"}) {
        const QTextCharFormat f = formatOf(*doc, QString::fromLatin1(latin));
        EXPECT_FALSE(isBold(f) || f.fontItalic()) << latin;
        EXPECT_EQ(f.fontPointSize(), 12.0) << latin;
    }
}

TEST(RtfAssociated, DoubleByteFontDecidesTheCodePageOfItsBytes) {
    // The run's own font is Latin; the double-byte one is Shift-JIS.
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder().raw(kFonts).raw("{\\f2\\dbch\\af1 \\'93\\'fa\\'96\\'7b}}").bytes()));
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("日本"));
    EXPECT_EQ(family(formatOf(*doc, QString::fromUtf8("日"))), QStringLiteral("IPAGothic"));
}

TEST(RtfAssociated, WordStyleRunsPickTheLookPerCharacter) {
    // Word declares all three fonts and ends on \loch; the kind of each
    // character decides which applies.
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder()
                   .raw(kFonts)
                   .raw("{\\rtlch\\af2\\ab \\ltrch\\f2\\fs20\\hich\\af2\\dbch\\af1\\afs28\\loch "
                        "Word \\u26085?\\u26412?\\u-10179?\\u-8704? x\\u-10153?\\u-8510?y}}")
                   .bytes()));
    const QString text = doc->toPlainText();
    EXPECT_EQ(text, QString::fromUtf8("Word 日本😀 x𥻂y"));
    const QTextCharFormat latin = formatOf(*doc, QStringLiteral("Word"));
    EXPECT_EQ(family(latin), QStringLiteral("Arial"));
    EXPECT_EQ(latin.fontPointSize(), 10.0);
    // Right-to-left associated bold does not touch left-to-right text.
    EXPECT_FALSE(isBold(latin));
    const QTextCharFormat kanji = formatOf(*doc, QString::fromUtf8("日本"));
    EXPECT_EQ(family(kanji), QStringLiteral("IPAGothic"));
    EXPECT_EQ(kanji.fontPointSize(), 14.0);
    // An emoji is no double-byte text; a CJK extension B ideograph is, and
    // both halves of its surrogate pair stay together.
    EXPECT_EQ(family(formatOf(*doc, QString::fromUtf8("😀"))), QStringLiteral("Arial"));
    const int ext = int(text.indexOf(QString::fromUtf8("𥻂")));
    QTextCursor c(doc.get());
    c.setPosition(ext + 1);
    EXPECT_EQ(family(c.charFormat()), QStringLiteral("IPAGothic"));
    c.setPosition(ext + 2);
    EXPECT_EQ(family(c.charFormat()), QStringLiteral("IPAGothic"));
    EXPECT_EQ(family(formatOf(*doc, QStringLiteral("y"))), QStringLiteral("Arial"));
}

TEST(RtfAssociated, PlainAndGroupEndsDropThem) {
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder()
                   .raw(kFonts)
                   .raw("\\dbch\\ab\\afs40 \\u26085?\\plain\\u26412?{\\dbch\\ab \\u-30050?}"
                        "\\u25991?}")
                   .bytes()));
    EXPECT_TRUE(isBold(formatOf(*doc, QString::fromUtf8("日"))));
    EXPECT_EQ(formatOf(*doc, QString::fromUtf8("日")).fontPointSize(), 20.0);
    EXPECT_FALSE(isBold(formatOf(*doc, QString::fromUtf8("本"))));
    EXPECT_EQ(formatOf(*doc, QString::fromUtf8("本")).fontPointSize(), 12.0);
    EXPECT_TRUE(isBold(formatOf(*doc, QString::fromUtf8("語"))));
    EXPECT_FALSE(isBold(formatOf(*doc, QString::fromUtf8("文"))));
}

TEST(RtfAssociated, WriterRepeatsTheLookForDoubleByteText) {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("IPAGothic"), 12));
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontFamilies({QString::fromUtf8("ＭＳ 明朝")});
    f.setProperty(Rtf::CharsetProperty, 128);
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    f.setFontPointSize(16);
    c.insertText(QString::fromUtf8("太字"), f);
    c.insertText(QStringLiteral(" plain"), QTextCharFormat());
    const QByteArray rtf = Rtf::write(doc);
    EXPECT_TRUE(rtf.contains("\\loch\\f1\\dbch\\af1\\fs32\\afs32\\b\\ab\\i\\ai\\'91\\'be"))
        << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\loch\\f0\\dbch\\af0\\fs24\\afs24\\b0\\ab0\\i0\\ai0  plain"))
        << rtf.constData();

    // Read by the rules of a word processor, the double-byte text has the
    // look the editor gave it, and so does the rest.
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    const QTextCharFormat b = formatOf(back, QString::fromUtf8("太"));
    EXPECT_TRUE(isBold(b) && b.fontItalic());
    EXPECT_EQ(b.fontPointSize(), 16.0);
    EXPECT_EQ(family(b), QString::fromUtf8("ＭＳ 明朝"));
    const QTextCharFormat p = formatOf(back, QStringLiteral("plain"));
    EXPECT_FALSE(isBold(p) || p.fontItalic());
    EXPECT_EQ(p.fontPointSize(), 12.0);
}

TEST(RtfAssociated, LibreOfficeSample) {
    QFile file(TestDataPath(QStringLiteral("rtf")) + QStringLiteral("/lo_associated.rtf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QTextDocument> doc(loaded(file.readAll()));
    const QTextCharFormat bold = formatOf(*doc, QString::fromUtf8("太字"));
    EXPECT_TRUE(isBold(bold));
    EXPECT_EQ(bold.fontPointSize(), 16.0);
    EXPECT_EQ(family(bold), QStringLiteral("IPAGothic"));
    const QTextCharFormat rest = formatOf(*doc, QString::fromUtf8("の日本語"));
    EXPECT_FALSE(isBold(rest));
    EXPECT_EQ(rest.fontPointSize(), 16.0);
    EXPECT_EQ(family(rest), QStringLiteral("IPAGothic"));
    EXPECT_TRUE(isBold(formatOf(*doc, QString::fromUtf8("英字"))));
    EXPECT_FALSE(isBold(formatOf(*doc, QStringLiteral("mixed"))));
    EXPECT_TRUE(formatOf(*doc, QString::fromUtf8("斜体")).fontItalic());
    EXPECT_EQ(formatOf(*doc, QString::fromUtf8("小さい")).fontPointSize(), 8.0);
    EXPECT_EQ(formatOf(*doc, QStringLiteral("and")).fontPointSize(), 12.0);
}
