// Documents from word processors: associated (double-byte) properties,
// fields, page breaks and footnotes, read and written.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include "TestSupport.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

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

QByteArray sampleFile(const char* name) {
    QFile file(TestDataPath(QStringLiteral("rtf")) + QLatin1Char('/') + QString::fromUtf8(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
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
    std::unique_ptr<QTextDocument> doc(loaded(sampleFile("lo_associated.rtf")));
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

TEST(RtfHyperlink, FieldsBecomeAnchorsAndOtherFieldsKeepTheirText) {
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder()
                   .raw(kFonts)
                   .raw("A {\\field{\\*\\fldinst{HYPERLINK \"https://example.com/path?q=1&r=2\"}}"
                        "{\\fldrslt{\\ul site}}} B {\\field{\\*\\fldinst HYPERLINK \\\\l \"intro\"}"
                        "{\\fldrslt here}} C {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} D "
                        "{\\field{\\*\\fldinst {\\f1 HYPERLINK \"https://example.jp/\\'93\\'fa\"}}"
                        "{\\fldrslt \\u26085?}}E}")
                   .bytes()));
    EXPECT_EQ(doc->toPlainText(), QString::fromUtf8("A site B here C 7 D 日E"));
    const QTextCharFormat site = formatOf(*doc, QStringLiteral("site"));
    EXPECT_TRUE(site.isAnchor());
    EXPECT_EQ(site.anchorHref(), QStringLiteral("https://example.com/path?q=1&r=2"));
    EXPECT_TRUE(site.fontUnderline());
    EXPECT_EQ(formatOf(*doc, QStringLiteral("here")).anchorHref(), QStringLiteral("#intro"));
    EXPECT_EQ(formatOf(*doc, QString::fromUtf8("日")).anchorHref(),
              QString::fromUtf8("https://example.jp/日"));
    for (const char* plain : {"A", "B", "C", "7", "D", "E"})
        EXPECT_FALSE(formatOf(*doc, QString::fromLatin1(plain)).isAnchor()) << plain;
}

TEST(RtfHyperlink, WrittenAsFieldsAndReadBack) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://example.com/a\"b\\c{d}"));
    link.setFontUnderline(true);
    c.insertText(QStringLiteral("go "), QTextCharFormat());
    c.insertText(QStringLiteral("to "), link);
    QTextCharFormat boldLink = link;
    boldLink.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("it"), boldLink);
    c.insertText(QStringLiteral(" now "), QTextCharFormat());
    QTextCharFormat inner;
    inner.setAnchor(true);
    inner.setAnchorHref(QStringLiteral("#part2"));
    c.insertText(QString::fromUtf8("中へ"), inner);
    const QByteArray rtf = Rtf::write(doc);
    // One field for the link's two runs; the bytes after it go back to the
    // look from before.
    EXPECT_TRUE(rtf.contains("go {\\field{\\*\\fldinst HYPERLINK "
                             "\"https://example.com/a\\\\\"b\\\\\\\\c\\{d\\}\"}{\\fldrslt\\ul to "
                             "\\b\\ab it}} now {\\field{\\*\\fldinst HYPERLINK \\\\l \"part2\"}"
                             "{\\fldrslt\\'92\\'86\\'82\\'d6}}\\par"))
        << QString::fromLatin1(rtf).toStdString();
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    for (const char* text : {"to", "it"}) {
        const QTextCharFormat f = formatOf(back, QString::fromLatin1(text));
        EXPECT_EQ(f.anchorHref(), link.anchorHref()) << text;
        EXPECT_TRUE(f.fontUnderline()) << text;
    }
    EXPECT_TRUE(isBold(formatOf(back, QStringLiteral("it"))));
    const QTextCharFormat now = formatOf(back, QStringLiteral("now"));
    EXPECT_FALSE(now.isAnchor() || now.fontUnderline() || isBold(now));
    EXPECT_EQ(formatOf(back, QString::fromUtf8("中へ")).anchorHref(), QStringLiteral("#part2"));
    EXPECT_EQ(Rtf::write(back), rtf);
}

TEST(RtfHyperlink, DamagedFieldsKeepTheirText) {
    for (const char* tail : {"{\\field{\\*\\fldinst HYPERLINK \"https://x", "{\\field{\\*\\fldinst",
                             "{\\field{\\*\\fldinst HYPERLINK}{\\fldrslt kept",
                             "{\\field{\\*\\fldinst HYPERLINK \"\"}{\\fldrslt kept}}"}) {
        QTextDocument doc;
        const QByteArray rtf = QByteArray(kFonts) + "before " + tail;
        Rtf::load(rtf, doc);
        EXPECT_TRUE(doc.toPlainText().startsWith(QStringLiteral("before"))) << tail;
        if (QByteArray(tail).contains("kept")) {
            EXPECT_TRUE(doc.toPlainText().endsWith(QStringLiteral("kept"))) << tail;
            EXPECT_FALSE(formatOf(doc, QStringLiteral("kept")).isAnchor()) << tail;
        }
    }
}

TEST(RtfHyperlink, WordProcessorSamples) {
    for (const char* name : {"lo_features.rtf", "pandoc_features.rtf"}) {
        std::unique_ptr<QTextDocument> doc(loaded(sampleFile(name)));
        const QTextCharFormat site = formatOf(*doc, QStringLiteral("the example site"));
        EXPECT_EQ(site.anchorHref(), QStringLiteral("https://example.com/path?q=1&r=2")) << name;
        EXPECT_EQ(formatOf(*doc, QString::fromUtf8("日本語のリンク")).anchorHref(),
                  QString::fromUtf8("https://example.jp/日本"))
            << name;
        EXPECT_FALSE(formatOf(*doc, QStringLiteral("A link to")).isAnchor()) << name;
    }
}

namespace {

// The \fcharset of every font in the table, by number.
QMap<int, int> fontCharsets(const QByteArray& rtf) {
    QMap<int, int> out;
    const qsizetype start = rtf.indexOf("{\\fonttbl");
    const qsizetype end = rtf.indexOf("{\\colortbl");
    static const QRegularExpression entry(
        QStringLiteral("\\{\\\\f(\\d+)\\\\fnil\\\\fcharset(\\d+)"));
    auto it = entry.globalMatch(QString::fromLatin1(rtf.mid(start, end - start)));
    while (it.hasNext()) {
        const auto m = it.next();
        out.insert(m.captured(1).toInt(), m.captured(2).toInt());
    }
    return out;
}

} // namespace

TEST(RtfCharsets, FontsWithoutACharsetOfTheirOwnAreWrittenAsJapanese) {
    // Read from a file whose font declares only the "default" charset.
    std::unique_ptr<QTextDocument> doc(
        loaded("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset1 Helvetica;}"
               "{\\f1\\fnil\\fcharset77 Osaka;}{\\f2\\fnil\\fcharset99 Odd;}}"
               "\\f0 \\'93\\'fa\\'96\\'7b {\\f1 mac} {\\f2 odd}}"));
    ASSERT_EQ(doc->toPlainText(), QString::fromUtf8("日本 mac odd"));
    EXPECT_EQ(formatOf(*doc, QString::fromUtf8("日")).property(Rtf::CharsetProperty).toInt(), 1);
    const QByteArray rtf = Rtf::write(*doc);
    EXPECT_TRUE(rtf.contains("\\fcharset128 Helvetica;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fcharset77 Osaka;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fcharset128 Odd;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\'93\\'fa\\'96\\'7b"));
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    EXPECT_EQ(back.toPlainText(), doc->toPlainText());
}

TEST(RtfCharsets, TextALatinFontCannotHoldGoesOutInItsJapaneseTwin) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat arial;
    arial.setFontFamilies({QStringLiteral("Arial")});
    arial.setProperty(Rtf::CharsetProperty, 0);
    QTextCharFormat greek = arial;
    greek.setFontFamilies({QStringLiteral("Greek")});
    greek.setProperty(Rtf::CharsetProperty, 161);
    c.insertText(QString::fromUtf8("café 日本 語 € ☃ end"), arial);
    c.insertText(QString::fromUtf8(" αβ ж"), greek);
    const QByteArray rtf = Rtf::write(doc);
    const QMap<int, int> charsets = fontCharsets(rtf);
    EXPECT_TRUE(rtf.contains("\\fcharset0 Arial;}{\\f2\\fnil\\fcharset128 Arial;}"))
        << rtf.constData();
    // é and € are windows-1252 bytes, the kanji Shift-JIS in the Japanese
    // twin (spaces between them stay there), the snowman \uN in either.
    EXPECT_TRUE(rtf.contains("caf\\'e9 \\loch\\f2\\dbch\\af2\\'93\\'fa\\'96\\'7b \\'8c\\'ea "
                             "\\loch\\f1\\dbch\\af1\\'80 \\u9731? end"))
        << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\'e1\\'e2 \\loch\\f4\\dbch\\af4\\'84\\'77")) << rtf.constData();
    EXPECT_EQ(charsets.value(3), 161);
    EXPECT_EQ(charsets.value(4), 128);
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    EXPECT_EQ(family(formatOf(back, QString::fromUtf8("日本"))), QStringLiteral("Arial"));
    EXPECT_EQ(formatOf(back, QString::fromUtf8("日本")).property(Rtf::CharsetProperty).toInt(),
              128);
    EXPECT_EQ(formatOf(back, QStringLiteral("caf")).property(Rtf::CharsetProperty).toInt(), 0);
}

TEST(RtfCharsets, EveryFontOfAWrittenSampleNamesARealCharset) {
    for (const char* name : {"lo_features.rtf", "pandoc_features.rtf", "lo_associated.rtf",
                             "tika_testRTFUnicodeGothic.rtf", "rtfpipe_rtf2xml_japanese.rtf"}) {
        std::unique_ptr<QTextDocument> doc(loaded(sampleFile(name)));
        const QByteArray rtf = Rtf::write(*doc);
        const QMap<int, int> charsets = fontCharsets(rtf);
        EXPECT_FALSE(charsets.isEmpty()) << name;
        for (auto it = charsets.cbegin(); it != charsets.cend(); ++it)
            EXPECT_TRUE(it.value() == 0 || it.value() == 2 || it.value() >= 77)
                << name << ": \\f" << it.key() << " \\fcharset" << it.value();
        QTextDocument back;
        ASSERT_TRUE(Rtf::load(rtf, back).ok) << name;
        EXPECT_EQ(back.toPlainText().toStdString(), doc->toPlainText().toStdString()) << name;
    }
}

namespace {

// Block texts, each marked with '^' when a page break comes before it.
QString pagesOf(const QTextDocument& doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const bool page = b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        out << (page ? QStringLiteral("^") : QString()) + b.text();
    }
    return out.join(QLatin1Char('|'));
}

} // namespace

TEST(RtfPageBreak, ReadAsBreakBeforeTheNextParagraph) {
    struct Case {
        const char* body;
        const char* pages;
    };
    const Case cases[] = {
        {"A\\page B", "A|^B"},
        {"A\\par\\page B\\par C", "A|^B|C"},
        {"A\\par\\par\\page B", "A||^B"},
        {"\\page A", "^A"},
        {"A\\page\\page B", "A|^B"},
        {"A{\\b\\page} B", "A|^ B"},
        {"A\\par\\pard\\pagebb B\\par\\pard C", "A|^B|C"},
        {"A\\sect B\\sect\\page C", "A|B|^C"},
        {"A\\page", "A"},
        {"A\\par{\\*\\footer x\\page}B", "A|B"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QTextDocument> doc(
            loaded(QByteArray("{\\rtf1\\ansi ") + c.body + QByteArray("}")));
        EXPECT_EQ(pagesOf(*doc).toStdString(), std::string(c.pages)) << c.body;
        EXPECT_EQ(Rtf::plainText(QByteArray("{\\rtf1\\ansi ") + c.body + QByteArray("}")),
                  doc->toPlainText())
            << c.body;
    }
}

TEST(RtfPageBreak, WrittenAsPageAndReadBack) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("one"));
    QTextBlockFormat before;
    before.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    before.setAlignment(Qt::AlignHCenter);
    c.insertBlock(before);
    c.insertText(QStringLiteral("two"));
    QTextBlockFormat after;
    after.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysAfter);
    c.insertBlock(after);
    c.insertText(QStringLiteral("three"));
    c.insertBlock(QTextBlockFormat());
    c.insertText(QStringLiteral("four"));
    const QByteArray rtf = Rtf::write(doc);
    EXPECT_TRUE(rtf.contains("one\\par\n\\page\\pard\\qc two\\par\n\\pard three\\par\n\\page "
                             "four\\par"))
        << rtf.constData();
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    // A break after a paragraph comes back as one before the next.
    EXPECT_EQ(pagesOf(back), QStringLiteral("one|^two|three|^four"));
    EXPECT_EQ(back.begin().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(Rtf::write(back), rtf);
}

TEST(RtfPageBreak, LibreOfficeSample) {
    std::unique_ptr<QTextDocument> doc(loaded(sampleFile("lo_features.rtf")));
    const QTextBlock b = doc->findBlock(int(doc->toPlainText().indexOf("After the page break")));
    EXPECT_TRUE(b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_FALSE(b.previous().blockFormat().pageBreakPolicy() &
                 QTextFormat::PageBreak_AlwaysBefore);
}

TEST(RtfFootnote, MarkStaysAndTheNoteFollowsWithItsFormats) {
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder()
                   .raw(kFonts)
                   .raw("\\pard\\qc Text{\\super\\chftn{\\*\\footnote\\pard\\plain{\\super\\chftn}"
                        " A {\\b bold} note.}} end.\\par\\pard After.\\par}")
                   .bytes()));
    ASSERT_EQ(doc->toPlainText(), QStringLiteral("Text1 end.\n1 A bold note.\nAfter."));
    QTextCursor c(doc.get());
    c.setPosition(5);
    EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    // The mark of the note paragraph too; the text after it is plain.
    const QTextBlock note = doc->begin().next();
    c.setPosition(note.position() + 1);
    EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatOf(*doc, QStringLiteral(" A ")).verticalAlignment(),
              QTextCharFormat::AlignNormal);
    EXPECT_TRUE(isBold(formatOf(*doc, QStringLiteral("bold"))));
    EXPECT_FALSE(isBold(formatOf(*doc, QStringLiteral("note."))));
    // The text after the reference keeps the paragraph's own look, and the
    // note has a paragraph format of its own.
    EXPECT_EQ(formatOf(*doc, QStringLiteral(" end")).verticalAlignment(),
              QTextCharFormat::AlignNormal);
    EXPECT_EQ(doc->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(note.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

TEST(RtfFootnote, WordProcessorSamples) {
    for (const char* name : {"lo_features.rtf", "pandoc_features.rtf"}) {
        const QString text = Rtf::plainText(sampleFile(name));
        EXPECT_TRUE(text.contains(QString::fromUtf8(
            "Text with a footnote1 and another2 here.\n1 The first note.\n2 二つ目の注。\n")))
            << name << ": " << text.toStdString();
    }
}

namespace {

// Each block as level:style:text, "-" for blocks outside lists; items of
// one list share the number of the list's first block.
QString listsOf(const QTextDocument& doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextList* l = b.textList();
        if (!l) {
            out << QStringLiteral("-") + b.text();
            continue;
        }
        out << QStringLiteral("%1:%2:%3@%4")
                   .arg(l->format().indent())
                   .arg(int(l->format().style()))
                   .arg(b.text())
                   .arg(l->item(0).blockNumber());
    }
    return out.join(QLatin1Char('|'));
}

const char kListTable[] =
    "{\\*\\listtable{\\list\\listtemplateid7{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
    "{\\listlevel\\levelnfc23{\\leveltext\\'01o;}}{\\listlevel\\levelnfc23}\\listid70}"
    "{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
    "{\\listlevel\\levelnfc4}\\listid80}}"
    "{\\*\\listoverridetable{\\listoverride\\listid70\\listoverridecount0\\ls1}"
    "{\\listoverride\\listid80\\ls2}}";

} // namespace

TEST(RtfLists, LevelsAndGlyphsFromTheListTable) {
    std::unique_ptr<QTextDocument> doc(
        loaded(ByteBuilder()
                   .raw("{\\rtf1\\ansi ")
                   .raw(kListTable)
                   .raw("\\pard\\ls1\\ilvl0{\\listtext \\u8226?\\tab}a\\par"
                        "\\pard\\ls1\\ilvl1{\\listtext o\\tab}b\\par"
                        "\\pard\\ls1\\ilvl2{\\listtext \\u9642?\\tab}c\\par"
                        "\\pard\\ls1\\ilvl0{\\listtext \\u8226?\\tab}d\\par"
                        "\\pard\\ls1\\ilvl2 e\\par"
                        "\\pard plain\\par"
                        "\\pard\\ls2\\ilvl0 f\\par\\pard\\ls2\\ilvl1 g\\par"
                        "{\\listtext 1.\\tab}\\pard\\ls2\\ilvl0 h\\par}")
                   .bytes()));
    const int disc = QTextListFormat::ListDisc, circle = QTextListFormat::ListCircle,
              square = QTextListFormat::ListSquare, decimal = QTextListFormat::ListDecimal,
              alpha = QTextListFormat::ListLowerAlpha;
    // A deeper list ends where a shallower item comes; the glyph or the
    // level's number format gives the style; a number shown as text stays
    // text.
    EXPECT_EQ(listsOf(*doc), QStringLiteral("1:%1:a@0|2:%2:b@1|3:%3:c@2|1:%1:d@0|3:%3:e@4|-plain|"
                                            "1:%4:f@6|2:%5:g@7|-1.\th")
                                 .arg(disc)
                                 .arg(circle)
                                 .arg(square)
                                 .arg(decimal)
                                 .arg(alpha));
}

TEST(RtfLists, OldStyleLevels) {
    std::unique_ptr<QTextDocument> doc(
        loaded("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset2 Symbol;}}"
               "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}a\\par"
               "\\pard{\\*\\pn\\pnlvl2\\pnf1}b\\par\\pard{\\*\\pn\\pnlvl99}c\\par}"));
    // Without a glyph the style follows the level.
    EXPECT_EQ(listsOf(*doc), QStringLiteral("1:%1:a@0|2:%2:b@1|9:%3:c@2")
                                 .arg(int(QTextListFormat::ListDisc))
                                 .arg(int(QTextListFormat::ListCircle))
                                 .arg(int(QTextListFormat::ListSquare)));
}

TEST(RtfLists, WrittenWithAListTableAndReadBack) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("intro"));
    auto item = [&](QTextList*& list, QTextListFormat::Style style, int indent, const char* text) {
        c.insertBlock(QTextBlockFormat());
        if (list) {
            list->add(c.block());
        } else {
            QTextListFormat lf;
            lf.setStyle(style);
            lf.setIndent(indent);
            list = c.createList(lf);
        }
        c.insertText(QString::fromUtf8(text));
    };
    QTextList *outer = nullptr, *inner = nullptr, *square = nullptr, *numbers = nullptr;
    item(outer, QTextListFormat::ListDisc, 1, "one");
    item(inner, QTextListFormat::ListCircle, 2, "one-a");
    item(inner, QTextListFormat::ListCircle, 2, "one-b");
    item(square, QTextListFormat::ListSquare, 3, "deep");
    item(outer, QTextListFormat::ListDisc, 1, "二");
    c.insertBlock(QTextBlockFormat());
    c.insertText(QStringLiteral("between"));
    item(numbers, QTextListFormat::ListDecimal, 1, "first");
    item(numbers, QTextListFormat::ListDecimal, 1, "second");
    const QByteArray rtf = Rtf::write(doc);
    EXPECT_TRUE(rtf.contains("{\\listoverride\\listid4\\listoverridecount0\\ls4}}"));
    EXPECT_TRUE(rtf.contains("\\levelnfc0\\levelnfcn0\\leveljc0\\leveljcn0\\levelfollow0"
                             "\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}"
                             "\\fi-360\\li360\\lin360}"));
    EXPECT_TRUE(rtf.contains("{\\leveltext\\'01\\u9702 ?;}{\\levelnumbers;}\\fi-360\\li720"));
    EXPECT_TRUE(rtf.contains("\\pard\\ls2\\ilvl1{\\listtext\\pard\\plain\\u9702 ?\\tab}one-a\\par\n"
                             "{\\listtext\\pard\\plain\\u9702 ?\\tab}one-b\\par"));
    EXPECT_TRUE(rtf.contains("\\pard\\ls4\\ilvl0{\\listtext\\pard\\plain 1.\\tab}first\\par\n"
                             "{\\listtext\\pard\\plain 2.\\tab}second\\par"));
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    // Bullet lists come back as they were; numbers are read as text, as
    // from any word processor.
    EXPECT_EQ(listsOf(back), QString::fromUtf8("-intro|1:%1:one@1|2:%2:one-a@2|2:%2:one-b@2|"
                                               "3:%3:deep@4|1:%1:二@1|-between|-1.\tfirst|"
                                               "-2.\tsecond")
                                 .arg(int(QTextListFormat::ListDisc))
                                 .arg(int(QTextListFormat::ListCircle))
                                 .arg(int(QTextListFormat::ListSquare)));
}

TEST(RtfLists, WordProcessorSample) {
    std::unique_ptr<QTextDocument> doc(loaded(sampleFile("lo_features.rtf")));
    const QString lists = listsOf(*doc);
    const qsizetype from = lists.indexOf(QStringLiteral("|1:"));
    EXPECT_EQ(lists.mid(from, lists.indexOf(QStringLiteral("|-"), from + 1) - from),
              QStringLiteral("|1:%1:first level@8|2:%2:second level@9|3:%1:third level@10|"
                             "1:%1:back to first@8")
                  .arg(int(QTextListFormat::ListDisc))
                  .arg(int(QTextListFormat::ListCircle)))
        << lists.toStdString();
}

TEST(RtfSpacing, BeforeAfterAndLineSpacingBothWays) {
    std::unique_ptr<QTextDocument> doc(
        loaded("{\\rtf1\\ansi\\pard\\sb240\\sa120 a\\par\\pard\\sl360\\slmult1 b\\par"
               "\\pard\\sl300\\slmult0 c\\par\\pard\\sl-270 d\\par\\pard\\sl1000\\sb-5 e\\par"
               "\\pard\\sb99999999 f}"));
    auto block = [&](int n) { return doc->findBlockByNumber(n).blockFormat(); };
    EXPECT_DOUBLE_EQ(block(0).topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(block(0).bottomMargin(), 8.0);
    EXPECT_EQ(block(0).lineHeightType(), QTextBlockFormat::SingleHeight);
    EXPECT_EQ(block(1).lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(block(1).lineHeight(), 150.0);
    EXPECT_EQ(block(2).lineHeightType(), QTextBlockFormat::MinimumHeight);
    EXPECT_DOUBLE_EQ(block(2).lineHeight(), 20.0);
    EXPECT_EQ(block(3).lineHeightType(), QTextBlockFormat::FixedHeight);
    EXPECT_DOUBLE_EQ(block(3).lineHeight(), 18.0);
    EXPECT_EQ(block(4).lineHeightType(), QTextBlockFormat::SingleHeight);
    EXPECT_DOUBLE_EQ(block(4).topMargin(), 0.0);
    EXPECT_LE(block(5).topMargin(), 200000 / 15.0);

    const QByteArray rtf = Rtf::write(*doc);
    EXPECT_TRUE(rtf.contains("\\pard\\sb240\\sa120\\"));
    EXPECT_TRUE(rtf.contains(" a\\par\n\\pard\\sl360\\slmult1 b\\par\n"
                             "\\pard\\sl300\\slmult0 c\\par\n\\pard\\sl-270\\slmult0 d\\par\n"
                             "\\pard e\\par"))
        << rtf.constData();
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    for (int n = 0; n < doc->blockCount(); ++n) {
        const QTextBlockFormat x = block(n), y = back.findBlockByNumber(n).blockFormat();
        EXPECT_DOUBLE_EQ(x.topMargin(), y.topMargin()) << n;
        EXPECT_DOUBLE_EQ(x.bottomMargin(), y.bottomMargin()) << n;
        EXPECT_EQ(x.lineHeightType(), y.lineHeightType()) << n;
        EXPECT_DOUBLE_EQ(x.lineHeight(), y.lineHeight()) << n;
    }
}

TEST(RtfDamaged, EveryCutOfTheWordProcessorSamplesFailsCleanly) {
    for (const char* name : {"lo_features.rtf", "pandoc_features.rtf", "lo_associated.rtf"}) {
        const QByteArray whole = sampleFile(name);
        const qsizetype end = whole.lastIndexOf('}');
        for (qsizetype n = 6; n < end; n += 37) {
            const QByteArray cut = whole.left(n);
            QTextDocument doc;
            const Rtf::ReadResult r = Rtf::load(cut, doc);
            EXPECT_FALSE(r.ok) << name << " cut at " << n;
            EXPECT_TRUE(r.error.startsWith(QStringLiteral("RTF: "))) << name << " cut at " << n;
            // Both readers agree on what the damaged file holds.
            EXPECT_EQ(Rtf::plainText(cut), doc.toPlainText()) << name << " cut at " << n;
        }
    }
}

TEST(RtfSymbolField, ShownInItsFaceAndWrittenAsText) {
    std::unique_ptr<QTextDocument> doc(
        loaded("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f14\\fnil\\fcharset2 Wingdings;}}"
               "a({\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings\" \\\\s "
               "12}{\\fldrslt\\f14\\fs24}})b}"));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("a(J)b"));
    EXPECT_EQ(family(formatOf(*doc, QStringLiteral("J"))), QStringLiteral("Wingdings"));
    EXPECT_EQ(family(formatOf(*doc, QStringLiteral(")b"))), QStringLiteral("Arial"));
    std::unique_ptr<QTextDocument> back(loaded(Rtf::write(*doc)));
    EXPECT_EQ(back->toPlainText(), doc->toPlainText());
    EXPECT_EQ(family(formatOf(*back, QStringLiteral("J"))), QStringLiteral("Wingdings"));
}
