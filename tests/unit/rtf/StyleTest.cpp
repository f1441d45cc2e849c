// Style sheets: a paragraph's or run's style is the base for its own
// properties.
#include "rtf/RtfReader.h"

#include "TestSupport.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kSheet[] = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fswiss Arial;}}"
                      "{\\colortbl;\\red255\\green0\\blue0;}"
                      "{\\stylesheet{\\ql\\f0\\fs24 Normal;}"
                      "{\\s1\\qc\\sb240\\sa120\\keepn\\f1\\fs32\\b\\sbasedon0\\snext0 heading 1;}"
                      "{\\s2\\li720\\tx1440\\i\\sbasedon0 Quote;}"
                      "{\\*\\cs10\\additive\\i\\cf1 Emphasis;}"
                      "{\\*\\ts11\\tsrowd\\b Table Grid;}}";

std::unique_ptr<QTextDocument> loaded(const char* body) {
    auto doc = std::make_unique<QTextDocument>();
    const QByteArray rtf = QByteArray(kSheet) + body + '}';
    const Rtf::ReadResult r = Rtf::load(rtf, *doc);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(Rtf::plainText(rtf), doc->toPlainText());
    return doc;
}

QTextCharFormat formatAt(const QTextDocument& doc, const QString& text) {
    const int at = int(doc.toPlainText().indexOf(text));
    EXPECT_GE(at, 0) << text.toStdString();
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(at + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument& doc, const QString& text) {
    return doc.findBlock(int(doc.toPlainText().indexOf(text))).blockFormat();
}

} // namespace

TEST(RtfStyles, ParagraphStyleIsTheBase) {
    const auto doc = loaded("\\pard\\plain\\s1 Title\\par"
                            "\\pard\\plain\\s1\\ql\\sb0{\\b0 Own}\\par"
                            "\\pard\\plain\\s2 Quoted\\par"
                            "\\pard\\plain Body\\par");
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("Title\nOwn\nQuoted\nBody"));
    const QTextBlockFormat title = blockOf(*doc, QStringLiteral("Title"));
    EXPECT_EQ(title.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(title.topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(title.bottomMargin(), 8.0);
    const QTextCharFormat t = formatAt(*doc, QStringLiteral("Title"));
    EXPECT_GE(t.fontWeight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(t.fontPointSize(), 16.0);
    EXPECT_EQ(t.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
    // The paragraph's own properties win over the style's.
    const QTextBlockFormat own = blockOf(*doc, QStringLiteral("Own"));
    EXPECT_EQ(own.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(own.bottomMargin(), 8.0);
    const QTextCharFormat o = formatAt(*doc, QStringLiteral("Own"));
    EXPECT_LT(o.fontWeight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(o.fontPointSize(), 16.0);
    const QTextBlockFormat quote = blockOf(*doc, QStringLiteral("Quoted"));
    EXPECT_DOUBLE_EQ(quote.leftMargin(), 48.0);
    ASSERT_EQ(quote.tabPositions().size(), 1);
    EXPECT_TRUE(formatAt(*doc, QStringLiteral("Quoted")).fontItalic());
    // Without a style: the defaults.
    const QTextCharFormat b = formatAt(*doc, QStringLiteral("Body"));
    EXPECT_FALSE(b.fontItalic());
    EXPECT_LT(b.fontWeight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(b.fontPointSize(), 12.0);
}

TEST(RtfStyles, CharacterStylesOnRuns) {
    const auto doc = loaded("\\pard a {\\cs10 word} b {\\cs10\\cf0 plain} c {\\cs99 none}\\par");
    const QTextCharFormat w = formatAt(*doc, QStringLiteral("word"));
    EXPECT_TRUE(w.fontItalic());
    EXPECT_EQ(w.foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(formatAt(*doc, QStringLiteral(" b ")).fontItalic());
    // An own colour after the style replaces the style's.
    EXPECT_NE(formatAt(*doc, QStringLiteral("plain")).foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(formatAt(*doc, QStringLiteral("none")).fontItalic());
}

TEST(RtfStyles, StyleNamesAreNoTextAndTableStylesChangeNothing) {
    const auto doc = loaded("\\pard\\s11 cell style\\par");
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("cell style"));
    EXPECT_LT(formatAt(*doc, QStringLiteral("cell")).fontWeight(), QFont::DemiBold);
}

TEST(RtfStyles, ListStylesMakeListItems) {
    const QByteArray rtf(
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
        "\\listid5}}{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}"
        "{\\stylesheet{\\s3\\ls1\\ilvl0\\li720 List Bullet;}}"
        "\\pard\\s3 one\\par\\pard\\s3 two\\par\\pard plain\\par}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    const QTextBlock one = doc.findBlock(0);
    ASSERT_NE(one.textList(), nullptr);
    EXPECT_EQ(one.next().textList(), one.textList());
    EXPECT_EQ(one.next().next().textList(), nullptr);
}

TEST(RtfStyles, DamagedStyleSheetsReadOn) {
    for (const char* rtf :
         {"{\\rtf1{\\stylesheet{\\s1\\b", "{\\rtf1{\\stylesheet{\\s1\\b H;}",
          "{\\rtf1{\\stylesheet\\s1\\b H;}\\s1 x}",
          "{\\rtf1{\\stylesheet{{{\\s1\\b;}}}}\\s1 x\\par}",
          "{\\rtf1{\\stylesheet{\\s-5\\b;}{\\cs2147483647\\i;}}\\s-5{\\cs2147483647 x}}"}) {
        QTextDocument doc;
        Rtf::load(QByteArray(rtf), doc);
        EXPECT_EQ(Rtf::plainText(QByteArray(rtf)), doc.toPlainText()) << rtf;
    }
    QTextDocument doc;
    ASSERT_TRUE(
        Rtf::load("{\\rtf1{\\stylesheet{\\s-5\\b;}{\\cs2147483647\\i;}}\\s-5{\\cs2147483647 x}}",
                  doc)
            .ok);
    QTextCursor c(&doc);
    c.setPosition(1);
    EXPECT_GE(c.charFormat().fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(c.charFormat().fontItalic());
}

TEST(RtfStyles, WordProcessorSample) {
    QFile f(TestDataPath(QStringLiteral("rtf/lo_styles.rtf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(f.readAll(), doc).ok);
    const QTextCharFormat h1 = formatAt(doc, QStringLiteral("Heading One"));
    EXPECT_GE(h1.fontWeight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(h1.fontPointSize(), 16.0);
    // The Japanese half of the heading looks the same.
    const QTextCharFormat jp = formatAt(doc, QString::fromUtf8("見出し一"));
    EXPECT_GE(jp.fontWeight(), QFont::DemiBold);
    EXPECT_DOUBLE_EQ(jp.fontPointSize(), 16.0);
    EXPECT_DOUBLE_EQ(formatAt(doc, QStringLiteral("Heading Two")).fontPointSize(), 14.0);
    EXPECT_EQ(formatAt(doc, QStringLiteral("code")).fontFamilies().toStringList().value(0),
              QStringLiteral("Consolas"));
    EXPECT_GT(blockOf(doc, QStringLiteral("A block quote")).leftMargin(), 0.0);
    EXPECT_GE(formatAt(doc, QStringLiteral("strong")).fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(formatAt(doc, QStringLiteral("emphasis")).fontItalic());
}
