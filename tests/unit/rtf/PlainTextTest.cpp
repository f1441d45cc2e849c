#include "rtf/RtfParser.h"
#include "rtf/RtfReader.h"

#include "TestSupport.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

QString read(const QByteArray& rtf, Rtf::ReadResult* r = nullptr) {
    return Rtf::plainText(rtf, r);
}

QString readOk(const QByteArray& rtf) {
    Rtf::ReadResult r;
    const QString text = Rtf::plainText(rtf, &r);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return text;
}

const char kJapaneseHead[] =
    "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
    "\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}"
    "{\\f1\\fswiss\\fcharset0 Arial;}}";

} // namespace

TEST(RtfPlainText, ParagraphsLinesTabsAndTheLastMark) {
    EXPECT_EQ(readOk("{\\rtf1 one\\par two\\par}"), QStringLiteral("one\ntwo"));
    EXPECT_EQ(readOk("{\\rtf1 one\\par\\par}"), QStringLiteral("one\n"));
    EXPECT_EQ(readOk("{\\rtf1 one\\par two}"), QStringLiteral("one\ntwo"));
    EXPECT_EQ(readOk("{\\rtf1 a\\line b\\tab c}"), QStringLiteral("a\nb\tc"));
    EXPECT_EQ(readOk("{\\rtf1 a\r\nb}"), QStringLiteral("ab"));
    EXPECT_EQ(readOk("{\\rtf1 \\{x\\}\\\\}"), QStringLiteral("{x}\\"));
}

TEST(RtfPlainText, SymbolWords) {
    EXPECT_EQ(readOk("{\\rtf1 \\emdash\\endash\\lquote x\\rquote\\ldblquote y\\rdblquote\\bullet}"),
              QString::fromUtf8("—–‘x’“y”•"));
    // A non-breaking space reads as a space, as QTextDocument::toPlainText gives it.
    EXPECT_EQ(readOk("{\\rtf1 a\\~b\\_c\\-d}"), QString::fromUtf8("a b\u2011c\u00ADd"));
}

TEST(RtfPlainText, JapaneseDoubleBytePairs) {
    const QByteArray rtf = ByteBuilder()
                               .raw(kJapaneseHead)
                               .raw("\\f0\\'82\\'a0\\'8a\\'bf\\'8e\\'9a\\'83\\'5c \\f1 Hi}")
                               .bytes();
    EXPECT_EQ(readOk(rtf), QString::fromUtf8("あ漢字ソ Hi"));
}

TEST(RtfPlainText, RawShiftJisBytesAndDefaultFont) {
    // Eight-bit bytes in the text decode like \'xx; the default font's code
    // page applies before any \f.
    const QByteArray rtf = ByteBuilder()
                               .raw("{\\rtf1\\ansi\\deff3{\\fonttbl{\\f3\\fcharset128 X;}}")
                               .sjis("あいう")
                               .raw("}")
                               .bytes();
    EXPECT_EQ(readOk(rtf), QString::fromUtf8("あいう"));
}

TEST(RtfPlainText, CodePagesPerFont) {
    const QByteArray rtf =
        ByteBuilder()
            .raw("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset238 CE;}"
                 "{\\f1\\fcharset204 Cyr;}{\\f2\\fcharset0 W;}"
                 "{\\f3\\fcharset128\\cpg65001 U;}{\\f4\\fcharset134 G;}}")
            .raw("\\f0\\'b9 \\f1\\'c6 \\f2\\'e9 \\f3\\'e4\\'b8\\'ad \\f4\\'d6\\'d0}")
            .bytes();
    EXPECT_EQ(readOk(rtf), QString::fromUtf8("ą Ж é 中 中"));
}

TEST(RtfPlainText, AnsiCodePageForFontsWithoutCharset) {
    EXPECT_EQ(readOk("{\\rtf1\\ansi\\ansicpg1251 \\'c6}"), QString::fromUtf8("Ж"));
    EXPECT_EQ(readOk("{\\rtf1\\ansi \\'80}"), QString::fromUtf8("€"));
}

TEST(RtfPlainText, UnicodeEscapesAndSkipping) {
    EXPECT_EQ(readOk("{\\rtf1\\uc1 \\u12354?x}"), QString::fromUtf8("あx"));
    EXPECT_EQ(readOk("{\\rtf1\\uc2 \\u12354\\'82\\'a0x}"), QString::fromUtf8("あx"));
    EXPECT_EQ(readOk("{\\rtf1\\uc0 \\u12354 x}"), QString::fromUtf8("あx"));
    // A control word counts as one skipped character.
    EXPECT_EQ(readOk("{\\rtf1\\uc1 \\u12354\\par x}"), QString::fromUtf8("あx"));
    // Skipping ends at a group boundary.
    EXPECT_EQ(readOk("{\\rtf1\\uc3 {\\u12354}x}"), QString::fromUtf8("あx"));
    // \ucN is group-local.
    EXPECT_EQ(readOk("{\\rtf1\\uc1 {\\uc2 \\u12354??}\\u12354?y}"), QString::fromUtf8("ああy"));
    // Negative values stand for the upper half; pairs make one character.
    EXPECT_EQ(readOk("{\\rtf1 \\u-3?\\u-10240?\\u-8398?}"), QString::fromUtf8("\uFFFD𐌲"));
    EXPECT_EQ(readOk("{\\rtf1 \\u-1?}"), QString(QChar(0xFFFF)));
}

TEST(RtfPlainText, InvalidCodePointsBecomeReplacementCharacters) {
    EXPECT_EQ(readOk("{\\rtf1\\uc0 a\\u-10240 b\\u-9216\\u-10240 c\\u70000 d\\u0 e\\'00\\'7ff}"),
              QString::fromUtf8("a\uFFFDb\uFFFD\uFFFDc\uFFFDdef"));
}

TEST(RtfPlainText, UprPrefersTheUnicodeVersion) {
    const QByteArray rtf("{\\rtf1{\\upr{ansi text}{\\*\\ud{\\u12354?}}}!}");
    EXPECT_EQ(readOk(rtf), QString::fromUtf8("あ!"));
}

TEST(RtfPlainText, BinaryDataIsSkippedByCount) {
    const QByteArray rtf = ByteBuilder()
                               .raw("{\\rtf1 a{\\*\\blob\\bin4 ")
                               .u8('}')
                               .u8('{')
                               .u8(0)
                               .u8(0xFF)
                               .raw("}b\\bin2 }}c}")
                               .bytes();
    EXPECT_EQ(readOk(rtf), QStringLiteral("abc"));
}

TEST(RtfPlainText, HiddenAndUnshownDestinations) {
    const QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 Font;}}{\\colortbl;\\red1\\green2\\blue3;}"
                         "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}"
                         "{\\*\\generator G;}{\\header H}{\\footer F}"
                         "A{\\*\\unknowndest X}B\\unknownword C{\\v hidden}D{\\footnote N}"
                         "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                         "{\\pntext \\'b7\\tab}{\\listtext \\u8226?\\tab}E{\\*\\bkmkstart b}F}");
    // The footnote's text follows its paragraph.
    EXPECT_EQ(readOk(rtf), QStringLiteral("ABCDlinkEF\nN"));
}

TEST(RtfPlainText, TableCellsInReadingOrder) {
    const QByteArray rtf("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row"
                         "\\trowd\\cellx1000\\cellx2000\\pard\\intbl c\\cell d\\cell\\row"
                         "\\pard\\intbl \\cell\\cell f\\cell\\row\\pard after\\par}");
    // As a document gives a table: every cell a paragraph between the
    // table's frame marks; empty cells keep their place, and the third row's
    // extra cell makes a third column.
    EXPECT_EQ(readOk(rtf), QStringLiteral("\na\nb\n\nc\nd\n\n\n\nf\nafter"));
}

TEST(RtfPlainText, PicturesShowAsObjectCharacters) {
    const QByteArray png("89504e470d0a1a0a0000");
    const QByteArray rtf = ByteBuilder()
                               .raw("{\\rtf1 a{\\pict\\pngblip\\picw1\\pich1 ")
                               .raw(png)
                               .raw("}b{\\pict\\wmetafile8 0102}c{\\pict\\pngblip 0102}d"
                                    "{\\*\\shppict{\\pict\\jpegblip ffd8ffe0}}{\\nonshppict x}e}")
                               .bytes();
    // Pictures that cannot be drawn are kept as boxes.
    EXPECT_EQ(readOk(rtf), QString::fromUtf8("a\uFFFCb\uFFFCc\uFFFCd\uFFFCe"));
}

TEST(RtfPlainText, ListDefinitionsOutsideTheirTableAreNoText) {
    // As a damaged file has them: no list table around the list.
    const QByteArray rtf("{\\rtf1{\\par}{\\list\\listtemplateid6{\\listlevel\\levelnfc0"
                         "{\\leveltext \\'02\\'00.}{\\levelnumbers \\'01}}"
                         "{\\listname List1;}\\listid5}text}");
    EXPECT_EQ(readOk(rtf), QStringLiteral("\ntext"));
}

TEST(RtfPlainText, SymbolFieldsShowTheirSymbol) {
    struct Case {
        const char* body;
        const char* text;
    };
    const Case cases[] = {
        // No stored result: the symbol is still shown.
        {"({\\field{\\*\\fldinst SYMBOL 74 \\\\f \"Wingdings\" \\\\s 12}{\\fldrslt\\fs24}})",
         "(J)"},
        // A stored result is not shown twice.
        {"({\\field{\\*\\fldinst SYMBOL 0x4a}{\\fldrslt J}})", "(J)"},
        {"({\\field{\\*\\fldinst SYMBOL 9786 \\\\u}{\\fldrslt x}})", "(\u263A)"},
        // Not a symbol: the result stays.
        {"({\\field{\\*\\fldinst SYMBOL abc}{\\fldrslt r}})", "(r)"},
        {"({\\field{\\*\\fldinst SYMBOL 0}{\\fldrslt r}})", "(r)"},
        {"({\\field{\\*\\fldinst SYMBOL 1}{\\fldrslt r}})",
         "(r)"}, // a control character: the result
        {"({\\v{\\field{\\*\\fldinst SYMBOL 65}{\\fldrslt r}}})", "()"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readOk(QByteArray("{\\rtf1 ") + c.body + "}").toStdString(), std::string(c.text))
            << c.body;
}

TEST(RtfPlainText, BulletMarksAreNotText) {
    const QByteArray rtf(
        "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}"
        "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}one\\par"
        "{\\pntext\\f1\\'b7\\tab}two\\par}");
    EXPECT_EQ(readOk(rtf), QStringLiteral("one\ntwo"));
}

TEST(RtfPlainText, ListNumbersStayAsText) {
    const QByteArray rtf("{\\rtf1{\\listtext\\pard\\plain 10.\\tab}\\pard\\ls23\\ilvl0 Trade\\par"
                         "{\\listtext \\u8226\\'95\\tab}\\ls1 Item\\par"
                         "{\\pntext 2)\\tab}Next\\par}");
    EXPECT_EQ(readOk(rtf), QStringLiteral("10.\tTrade\nItem\n2)\tNext"));
}

TEST(RtfPlainText, BadInputGivesClearErrors) {
    struct Case {
        QByteArray rtf;
        QString text;
        QString error;
    };
    const QString eof = QStringLiteral("RTF: グループの途中でデータが終わっています。");
    const QString notRtf =
        QStringLiteral("RTF: データが「{\\rtf」で始まっていないため、RTF として読めません。");
    const std::vector<Case> cases = {
        {"", "", QStringLiteral("RTF: データが空です。")},
        {"plain words", "", notRtf},
        {"{\\pict}", "", notRtf},
        {"{\\rtf1 kept\\par more", "kept\nmore", eof},
        {"{\\rtf1 a{\\b b{\\i c", "abc", eof},
        {"{\\rtf1 x\\'8", "x", eof},
        {"{\\rtf1 x\\bin999999 abc", "x", eof},
        {"{\\rtf1 \\u", "", eof},
    };
    for (const Case& c : cases) {
        Rtf::ReadResult r;
        EXPECT_EQ(read(c.rtf, &r), c.text) << c.rtf.constData();
        EXPECT_FALSE(r.ok) << c.rtf.constData();
        EXPECT_EQ(r.error, c.error) << c.rtf.constData();
    }
}

TEST(RtfPlainText, TextAfterTheDocumentEndsIsIgnored) {
    Rtf::ReadResult r;
    EXPECT_EQ(read(QByteArray("{\\rtf1 a}}}junk{", 16), &r), QStringLiteral("a"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(read(ByteBuilder().raw("  \r\n{\\rtf1 b}").u8(0).bytes(), &r), QStringLiteral("b"));
    EXPECT_TRUE(r.ok);
}

TEST(RtfPlainText, DeepNestingNeitherCrashesNorOverflows) {
    const int depth = 200000;
    QByteArray rtf("{\\rtf1 start");
    rtf += QByteArray(depth, '{');
    rtf += "\\b deep";
    rtf += QByteArray(depth, '}');
    rtf += " end}";
    EXPECT_EQ(readOk(rtf), QStringLiteral("startdeep end"));

    Rtf::ReadResult r;
    QByteArray open("{\\rtf1 x");
    open += QByteArray(depth, '{');
    EXPECT_EQ(read(open, &r), QStringLiteral("x"));
    EXPECT_FALSE(r.ok);
}

TEST(RtfPlainText, IsRtf) {
    EXPECT_TRUE(Rtf::isRtf("{\\rtf1\\ansi x}"));
    EXPECT_TRUE(Rtf::isRtf("\r\n{\\rtf1}"));
    EXPECT_FALSE(Rtf::isRtf("{\\rt"));
    EXPECT_FALSE(Rtf::isRtf("hello"));
    EXPECT_FALSE(Rtf::isRtf(QByteArray()));
}

TEST(RtfFields, HyperlinkTargets) {
    struct Case {
        const char* instruction;
        const char* target;
    };
    const Case cases[] = {
        {"HYPERLINK \"https://example.com/\"", "https://example.com/"},
        {" hyperlink   https://bare.example/x  ", "https://bare.example/x"},
        {"HYPERLINK \\l \"_Toc1\"", "#_Toc1"},
        {"HYPERLINK \"file.html\" \\l \"sec\" \\o \"a tip\"", "file.html#sec"},
        {"HYPERLINK \\o \"tip first\" \"https://e.example/\"", "https://e.example/"},
        {"HYPERLINK \"C:\\\\dir\\\\a \\\"b\\\".txt\" \\t \"_blank\"", "C:\\dir\\a \"b\".txt"},
        {"HYPERLINK \"https://unterminated", "https://unterminated"},
        {"HYPERLINK", ""},
        {"HYPERLINK \\", "\\"},
        {"PAGE \\* MERGEFORMAT", ""},
        {"INCLUDEPICTURE \"https://example.com/a.png\"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rtf::hyperlinkTarget(QString::fromUtf8(c.instruction)).toStdString(),
                  std::string(c.target))
            << c.instruction;
}

TEST(RtfFootnotes, KeptAfterTheParagraphThatRefersToThem) {
    struct Case {
        const char* body;
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"note{\\super\\chftn{\\*\\footnote \\chftn\\~Body.}} end\\par next}",
         "note1 end\n1 Body.\nnext", true},
        {"a{\\super\\chftn}{\\*\\footnote\\pard\\plain{\\super\\chftn} One.\\par Two.\\par} b"
         "{\\super\\chftn}{\\*\\footnote {\\super\\chftn} Three.} c\\par d}",
         "a1 b2 c\n1 One.\nTwo.\n2 Three.\nd", true},
        {"x{\\super *}{\\*\\footnote {\\super *} star}}", "x*\n* star", true},
        {"last{\\super\\chftn{\\*\\footnote \\chftn{} note}}}", "last1\n1 note", true},
        {"A\\par{\\*\\footnote orphan}}", "A\norphan", true},
        {"cut{\\super\\chftn{\\*\\footnote \\chftn\\tab Bo", "cut1\n1\tBo", false},
        {"t\\cell u{\\*\\footnote v\\cell w\\page x}\\cell y\\row}", "t\n\nu\nv\twx\ny\n", true},
        {"{\\*\\footnote {\\*\\footnote inner} outer} body}", " body\ninner outer", true},
    };
    for (const Case& c : cases) {
        Rtf::ReadResult r;
        const QString text = Rtf::plainText(QByteArray("{\\rtf1\\ansi ") + QByteArray(c.body), &r);
        EXPECT_EQ(text.toStdString(), std::string(c.text)) << c.body;
        EXPECT_EQ(r.ok, c.ok) << c.body;
    }
}
