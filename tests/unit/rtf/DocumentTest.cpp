#include "rtf/RtfReader.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QTextCharFormat formatAt(QTextDocument& doc, int pos) {
    QTextCursor c(&doc);
    c.setPosition(pos + 1);
    return c.charFormat();
}

int find(const QTextDocument& doc, const QString& s) {
    return int(doc.toPlainText().indexOf(s));
}

QByteArray hex(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toHex();
}

const char kTables[] = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
                       "\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}"
                       "{\\f1\\fswiss\\fcharset0 Arial;}}"
                       "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

} // namespace

TEST(RtfDocument, CharacterFormats) {
    const QByteArray rtf = ByteBuilder()
                               .raw(kTables)
                               .raw("N{\\b B}{\\i I}{\\ul U}{\\strike S}{\\cf1 R}{\\highlight2 H}"
                                    "{\\fs40 Z}{\\f1 A}{\\super P}{\\sub D}{\\up6 O}{\\dn4 W}"
                                    "\\b\\i\\ul\\cf1\\f1\\fs30\\plain X}")
                               .bytes();
    QTextDocument doc;
    const Rtf::ReadResult r = Rtf::load(rtf, doc);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(doc.toPlainText(), QStringLiteral("NBIUSRHZAPDOWX"));

    const QTextCharFormat n = formatAt(doc, 0);
    EXPECT_EQ(n.fontFamilies().toStringList(), QStringList{QString::fromUtf8("ＭＳ Ｐゴシック")});
    EXPECT_EQ(n.property(Rtf::CharsetProperty).toInt(), 128);
    EXPECT_EQ(n.fontPointSize(), 12.0);
    EXPECT_FALSE(n.fontWeight() > QFont::Normal);
    EXPECT_FALSE(n.fontItalic() || n.fontUnderline() || n.fontStrikeOut());
    EXPECT_FALSE(n.hasProperty(QTextFormat::ForegroundBrush));

    EXPECT_EQ(formatAt(doc, 1).fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatAt(doc, 2).fontItalic());
    EXPECT_TRUE(formatAt(doc, 3).fontUnderline());
    EXPECT_TRUE(formatAt(doc, 4).fontStrikeOut());
    EXPECT_EQ(formatAt(doc, 5).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatAt(doc, 6).background().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatAt(doc, 7).fontPointSize(), 20.0);
    EXPECT_EQ(formatAt(doc, 8).fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ(formatAt(doc, 8).property(Rtf::CharsetProperty).toInt(), 0);
    EXPECT_EQ(formatAt(doc, 9).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(doc, 10).verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(formatAt(doc, 11).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(doc, 11).property(Rtf::OffsetProperty).toInt(), 6);
    EXPECT_EQ(formatAt(doc, 12).verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(formatAt(doc, 12).property(Rtf::OffsetProperty).toInt(), -4);
    // \plain goes back to the default font and no attributes.
    const QTextCharFormat x = formatAt(doc, 13);
    EXPECT_EQ(x.fontFamilies().toStringList(), n.fontFamilies().toStringList());
    EXPECT_EQ(x.fontPointSize(), 12.0);
    EXPECT_FALSE(x.fontWeight() > QFont::Normal || x.fontItalic() || x.fontUnderline());
    EXPECT_FALSE(x.hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfDocument, ParagraphFormats) {
    const QByteArray rtf("{\\rtf1 \\pard\\qc C\\par\\qr R\\par\\qj J\\par"
                         "\\pard\\fi-360\\li720\\ri300\\tx1440\\tqr\\tx2880\\tqc\\tx3000 I\\par"
                         "{\\pard\\ql L\\par}E}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    ASSERT_EQ(doc.blockCount(), 6);
    EXPECT_EQ(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignJustify);
    const QTextBlockFormat i = doc.findBlockByNumber(3).blockFormat();
    EXPECT_EQ(i.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(i.textIndent(), -24.0); // twips at 96 dpi
    EXPECT_DOUBLE_EQ(i.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(i.rightMargin(), 20.0);
    const QList<QTextOption::Tab> tabs = i.tabPositions();
    ASSERT_EQ(tabs.size(), 3);
    EXPECT_DOUBLE_EQ(tabs[0].position, 96.0);
    EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
    EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
    EXPECT_EQ(tabs[2].type, QTextOption::CenterTab);
    // A paragraph's properties are those in force at its mark; the group
    // around L does not leak into E.
    EXPECT_EQ(doc.findBlockByNumber(4).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
    EXPECT_DOUBLE_EQ(doc.findBlockByNumber(5).blockFormat().leftMargin(), 48.0);
}

TEST(RtfDocument, BulletsFromPnAndFromListTables) {
    const QByteArray rtf("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}"
                         "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}"
                         "\\fi-200\\li200 a\\par"
                         "{\\pntext\\f1\\'b7\\tab}b\\par\\pard plain\\par"
                         "{\\listtext \\u8226?\\tab}\\pard\\ls1\\ilvl1 c\\par\\pard end}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    ASSERT_EQ(doc.toPlainText(), QStringLiteral("a\nb\nplain\nc\nend"));
    QTextList* first = doc.findBlockByNumber(0).textList();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(doc.findBlockByNumber(1).textList(), first);
    EXPECT_EQ(first->count(), 2);
    EXPECT_EQ(first->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(doc.findBlockByNumber(2).textList(), nullptr);
    QTextList* second = doc.findBlockByNumber(3).textList();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->format().indent(), 2);
    EXPECT_EQ(doc.findBlockByNumber(4).textList(), nullptr);
}

TEST(RtfDocument, PngAndJpegPictures) {
    QImage image(2, 3, QImage::Format_RGB32);
    image.fill(QColor(200, 10, 20));
    const QByteArray rtf =
        ByteBuilder()
            .raw("{\\rtf1 a{\\pict\\pngblip\\picw2\\pich3\\picwgoal600\\pichgoal900 ")
            .raw(hex(image, "PNG"))
            .raw("}b{\\*\\shppict{\\pict\\jpegblip ")
            .raw(hex(image, "JPEG"))
            .raw("}}{\\nonshppict{\\pict\\wmetafile8 0000}}c"
                 "{\\pict\\pngblip 89504e470d0a1a0a0000}d}")
            .bytes();
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    // The damaged PNG is kept as a box; the text around it stays.
    ASSERT_EQ(doc.toPlainText(), QString::fromUtf8("a\uFFFCb\uFFFCc\uFFFCd"));
    EXPECT_TRUE(formatAt(doc, 5).hasProperty(Rtf::PictureProperty));
    const QTextCharFormat png = formatAt(doc, 1);
    ASSERT_TRUE(png.isImageFormat());
    EXPECT_DOUBLE_EQ(png.toImageFormat().width(), 40.0);
    EXPECT_DOUBLE_EQ(png.toImageFormat().height(), 60.0);
    const QImage stored =
        doc.resource(QTextDocument::ImageResource, QUrl(png.toImageFormat().name()))
            .value<QImage>();
    ASSERT_EQ(stored.size(), QSize(2, 3));
    EXPECT_EQ(stored.pixelColor(1, 2), QColor(200, 10, 20));
    const QTextCharFormat jpeg = formatAt(doc, 3);
    ASSERT_TRUE(jpeg.isImageFormat());
    EXPECT_NE(jpeg.toImageFormat().name(), png.toImageFormat().name());
    EXPECT_EQ(doc.resource(QTextDocument::ImageResource, QUrl(jpeg.toImageFormat().name()))
                  .value<QImage>()
                  .size(),
              QSize(2, 3));
}

TEST(RtfDocument, InsertAtCaretAndUndoInOneStep) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("Hello world"));
    QTextCursor c(&doc);
    c.setPosition(6);
    const Rtf::ReadResult r = Rtf::readInto("{\\rtf1 {\\b X}Y\\par Z\\par}", c);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Hello XY\nZworld"));
    EXPECT_EQ(formatAt(doc, find(doc, "X")).fontWeight(), QFont::Bold);
    EXPECT_FALSE(formatAt(doc, find(doc, "w")).fontWeight() > QFont::Normal);
    EXPECT_EQ(c.position(), find(doc, "w"));
    doc.undo();
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("Hello world"));
}

TEST(RtfDocument, InsertReplacesTheSelection) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("one two three"));
    QTextCursor c(&doc);
    c.setPosition(4);
    c.setPosition(7, QTextCursor::KeepAnchor);
    ASSERT_TRUE(Rtf::readInto("{\\rtf1 2}", c).ok);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("one 2 three"));
}

TEST(RtfDocument, DamagedInputKeepsWhatWasRead) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old"));
    const Rtf::ReadResult r = Rtf::load("{\\rtf1 {\\b kept}\\par more{\\i", doc);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("RTF: グループの途中でデータが終わっています。"));
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("kept\nmore"));
    EXPECT_FALSE(doc.isUndoAvailable());
}

TEST(RtfDocument, BytesThatAreNoRtfChangeNothing) {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old text"));
    for (const QByteArray& bad : {QByteArray(), QByteArray("plain words"), QByteArray("{\\b x}")}) {
        Rtf::ReadResult r = Rtf::load(bad, doc);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("RTF: "))) << r.error.toStdString();
        EXPECT_EQ(doc.toPlainText(), QStringLiteral("old text"));
        QTextCursor c(&doc);
        c.setPosition(4, QTextCursor::KeepAnchor);
        r = Rtf::readInto(bad, c);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(doc.toPlainText(), QStringLiteral("old text"));
    }
}

// Both readers and isRtf draw the same line between RTF and other bytes,
// so a load never reports success while leaving the page as it was.
TEST(RtfDocument, BothReadersAgreeOnWhereRtfBegins) {
    for (const QByteArray& bytes :
         {QByteArray("{\r\n\\rtf1 x}"), QByteArray("\f{\\rtf1 x}"), QByteArray("\v{\\rtf1 x}"),
          QByteArray(" \t\r\n{\\rtf1 x}"), QByteArray("{\\rtf1 x}")}) {
        Rtf::ReadResult plain;
        const QString text = Rtf::plainText(bytes, &plain);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("old"));
        const Rtf::ReadResult loaded = Rtf::load(bytes, doc);
        EXPECT_EQ(loaded.ok, plain.ok) << bytes.toHex().constData();
        EXPECT_EQ(loaded.ok, Rtf::isRtf(bytes)) << bytes.toHex().constData();
        EXPECT_EQ(loaded.error, plain.error) << bytes.toHex().constData();
        if (loaded.ok) {
            EXPECT_EQ(doc.toPlainText(), QStringLiteral("x"));
            EXPECT_EQ(text, QStringLiteral("x"));
        } else {
            EXPECT_FALSE(loaded.error.isEmpty());
            EXPECT_EQ(doc.toPlainText(), QStringLiteral("old"));
        }
    }
}

TEST(RtfDocument, PlainTextMatchesTheDocumentForEverySample) {
    const QString dir = TestDataPath(QStringLiteral("rtf"));
    const QStringList files = QDir(dir).entryList({QStringLiteral("*.rtf")}, QDir::Files);
    ASSERT_GE(files.size(), 60);
    for (const QString& name : files) {
        QFile f(dir + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray rtf = f.readAll();
        QTextDocument doc;
        const Rtf::ReadResult a = Rtf::load(rtf, doc);
        Rtf::ReadResult b;
        const QString plain = Rtf::plainText(rtf, &b);
        EXPECT_EQ(a.ok, b.ok) << name.toStdString();
        EXPECT_EQ(doc.toPlainText().toStdString(), plain.toStdString()) << name.toStdString();
    }
}

namespace {

bool loadSample(const char* name, QTextDocument& doc) {
    QFile f(TestDataPath(QStringLiteral("rtf/") + QString::fromUtf8(name)));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return Rtf::load(f.readAll(), doc).ok;
}

QTextCharFormat formatOf(QTextDocument& doc, const char* utf8) {
    const int at = find(doc, QString::fromUtf8(utf8));
    EXPECT_GE(at, 0) << utf8;
    return formatAt(doc, std::max(at, 0));
}

bool bold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::DemiBold;
}

} // namespace

TEST(RtfDocumentSamples, WordBoldAndItalicRuns) {
    QTextDocument doc;
    ASSERT_TRUE(loadSample("tika_testRTFBoldItalic.rtf", doc));
    const QTextCharFormat a = formatOf(doc, "bold then");
    EXPECT_TRUE(bold(a));
    EXPECT_FALSE(a.fontItalic());
    const QTextCharFormat b = formatOf(doc, "italic then not bold");
    EXPECT_TRUE(bold(b));
    EXPECT_TRUE(b.fontItalic());
    const QTextCharFormat c = formatOf(doc, "not bold");
    EXPECT_FALSE(bold(c));
    EXPECT_TRUE(c.fontItalic());
}

TEST(RtfDocumentSamples, WordListsBecomeBulletsAndNumbersStayText) {
    QTextDocument doc;
    ASSERT_TRUE(loadSample("tika_testRTFListMicrosoftWord.rtf", doc));
    const QTextBlock first = doc.findBlock(find(doc, QStringLiteral("first")));
    const QTextBlock third = doc.findBlock(find(doc, QStringLiteral("third")));
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_EQ(third.textList(), first.textList());
    const QTextBlock one = doc.findBlock(find(doc, QStringLiteral("one")));
    EXPECT_EQ(one.text(), QStringLiteral("1.\tone"));
    EXPECT_EQ(one.textList(), nullptr);
}

TEST(RtfDocumentSamples, WordPicturesAndJapaneseFontNames) {
    QTextDocument doc;
    ASSERT_TRUE(loadSample("tika_testRTFRegularImages.rtf", doc));
    int images = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                const QTextImageFormat f = it.fragment().charFormat().toImageFormat();
                EXPECT_FALSE(doc.resource(QTextDocument::ImageResource, QUrl(f.name()))
                                 .value<QImage>()
                                 .isNull());
                EXPECT_GT(f.width(), 0);
                ++images;
            }
    EXPECT_EQ(images, 2);

    QTextDocument jp;
    ASSERT_TRUE(loadSample("tika_testRTF-ms932.rtf", jp));
    const QTextCharFormat f = formatOf(jp, "こんにちは");
    EXPECT_EQ(f.fontFamilies().toStringList(), QStringList{QString::fromUtf8("ＭＳ 明朝")});
    EXPECT_EQ(f.property(Rtf::CharsetProperty).toInt(), 128);
}

TEST(RtfDocument, FontTablesWithoutGroupsAndColourZero) {
    const QByteArray rtf(
        "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fmodern\\fcharset204 "
        "Courier\\u1046?;}{\\colortbl\\red0\\green128\\blue0;\\red9\\green9\\blue9;}"
        "\\f1\\cf0 A\\'c6\\f0\\cf1 B}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("AЖB"));
    // A colour table may start with a real colour instead of "automatic".
    EXPECT_EQ(formatAt(doc, 0).foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(formatAt(doc, 0).fontFamilies().toStringList(),
              QStringList{QString::fromUtf8("CourierЖ")});
    EXPECT_EQ(formatAt(doc, 2).fontFamilies().toStringList(), QStringList{"Helvetica"});
    EXPECT_EQ(formatAt(doc, 2).foreground().color(), QColor(9, 9, 9));
}

TEST(RtfDocument, FontNamesMixBytesAndUnicodeInOrder) {
    // Shift-JIS bytes on both sides of a \u character, then a default
    // charset name that takes the document's code page.
    const QByteArray rtf("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 "
                         "\\'82\\'6c\\u12354?\\'82\\'6c;}{\\f1 \\'83\\'41B;}}"
                         "\\f0 a\\f1 b}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(rtf, doc).ok);
    EXPECT_EQ(formatAt(doc, 0).fontFamilies().toStringList(),
              QStringList{QString::fromUtf8("ＭあＭ")});
    EXPECT_EQ(formatAt(doc, 1).fontFamilies().toStringList(),
              QStringList{QString::fromUtf8("アB")});
}
