#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// What a character looks like, with unset properties resolved the way the
// editor shows them.
struct Look {
    QString family;
    int charset = 0;
    double size = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    QRgb fg = 0, bg = 0;
    int valign = 0;
    int offset = 0;
    QString image;

    bool operator==(const Look& o) const {
        return family == o.family && charset == o.charset && size == o.size && bold == o.bold &&
               italic == o.italic && underline == o.underline && strike == o.strike && fg == o.fg &&
               bg == o.bg && valign == o.valign && offset == o.offset && image == o.image;
    }
};

std::ostream& operator<<(std::ostream& os, const Look& l) {
    return os << l.family.toStdString() << '/' << l.charset << '/' << l.size << '/' << l.bold
              << l.italic << l.underline << l.strike << '/' << std::hex << l.fg << '/' << l.bg
              << std::dec << '/' << l.valign << '/' << l.offset << '/' << l.image.toStdString();
}

QString imageKey(const QTextDocument& doc, const QTextImageFormat& f) {
    const QImage img = doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    return QStringLiteral("%1x%2:%3:%4x%5")
        .arg(img.width())
        .arg(img.height())
        .arg(img.isNull() ? 0 : img.pixel(0, 0))
        .arg(f.width())
        .arg(f.height());
}

Look lookOf(const QTextDocument& doc, const QTextCharFormat& f) {
    Look l;
    const QStringList fam = f.fontFamilies().toStringList();
    l.family = fam.isEmpty() ? doc.defaultFont().family() : fam.first();
    const QVariant cs = f.property(Rtf::CharsetProperty);
    l.charset = cs.isValid() ? cs.toInt() : 128;
    l.size = f.fontPointSize() > 0 ? f.fontPointSize() : doc.defaultFont().pointSizeF();
    l.bold = f.fontWeight() >= QFont::DemiBold;
    l.italic = f.fontItalic();
    l.underline = f.fontUnderline();
    l.strike = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        l.fg = f.foreground().color().rgb();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        l.bg = f.background().color().rgb();
    l.valign = f.verticalAlignment();
    l.offset = f.property(Rtf::OffsetProperty).toInt();
    if (f.isImageFormat())
        l.image = imageKey(doc, f.toImageFormat());
    return l;
}

void expectSame(const QTextDocument& a, const QTextDocument& b) {
    ASSERT_EQ(a.toPlainText().toStdString(), b.toPlainText().toStdString());
    ASSERT_EQ(a.blockCount(), b.blockCount());
    for (QTextBlock x = a.begin(), y = b.begin(); x.isValid(); x = x.next(), y = y.next()) {
        const QTextBlockFormat fx = x.blockFormat(), fy = y.blockFormat();
        const int n = x.blockNumber();
        EXPECT_EQ(fx.alignment() & Qt::AlignHorizontal_Mask,
                  fy.alignment() & Qt::AlignHorizontal_Mask)
            << "block " << n;
        EXPECT_DOUBLE_EQ(fx.textIndent(), fy.textIndent()) << "block " << n;
        EXPECT_DOUBLE_EQ(fx.leftMargin(), fy.leftMargin()) << "block " << n;
        EXPECT_DOUBLE_EQ(fx.rightMargin(), fy.rightMargin()) << "block " << n;
        EXPECT_EQ(fx.tabPositions(), fy.tabPositions()) << "block " << n;
        EXPECT_EQ(x.textList() != nullptr, y.textList() != nullptr) << "block " << n;
        if (x.textList() && x.next().isValid() && x.next().textList()) {
            EXPECT_EQ(x.textList() == x.next().textList(), y.textList() == y.next().textList());
        }
        for (int i = 0; i < x.length() - 1; ++i) {
            QTextCursor cx(x), cy(y);
            cx.setPosition(x.position() + i + 1);
            cy.setPosition(y.position() + i + 1);
            EXPECT_EQ(lookOf(a, cx.charFormat()), lookOf(b, cy.charFormat()))
                << "block " << n << " char " << i;
        }
    }
}

// A page with every attribute the editor can give.
void fillSample(QTextDocument& doc) {
    QFont def(QStringLiteral("IPAGothic"));
    def.setPointSizeF(10.5);
    doc.setDefaultFont(def);
    QTextCursor c(&doc);
    auto put = [&](const QString& text, const std::function<void(QTextCharFormat&)>& how) {
        QTextCharFormat f;
        how(f);
        c.insertText(text, f);
    };
    put(QStringLiteral("Plain "), [](QTextCharFormat&) {});
    put(QStringLiteral("bold "), [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    put(QStringLiteral("italic "), [](QTextCharFormat& f) { f.setFontItalic(true); });
    put(QStringLiteral("under "), [](QTextCharFormat& f) { f.setFontUnderline(true); });
    put(QStringLiteral("strike "), [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    put(QStringLiteral("red "), [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    put(QStringLiteral("marked"), [](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); });
    put(QStringLiteral("big"), [](QTextCharFormat& f) { f.setFontPointSize(20); });
    put(QStringLiteral("up"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    put(QStringLiteral("down"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    put(QStringLiteral("raised"), [](QTextCharFormat& f) {
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        f.setProperty(Rtf::OffsetProperty, 5);
    });
    put(QStringLiteral("all"), [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
        f.setForeground(QColor(0, 0, 128));
        f.setBackground(QColor(0, 255, 0));
        f.setFontPointSize(7.5);
    });

    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre);
    put(QString::fromUtf8("日本語とEnglishの混在、全角　空白。ソ表能"), [](QTextCharFormat& f) {
        f.setFontFamilies({QString::fromUtf8("ＭＳ Ｐゴシック")});
        f.setProperty(Rtf::CharsetProperty, 128);
    });
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    right.setRightMargin(20);
    c.insertBlock(right);
    // Characters cp932 lacks: accents, the euro, a rare kanji, an emoji.
    put(QString::fromUtf8("café € 鷗外 😀 ¥ ½ — “q” Ж"), [](QTextCharFormat&) {});
    put(QString::fromUtf8("Arial é"), [](QTextCharFormat& f) {
        f.setFontFamilies({QStringLiteral("Arial")});
        f.setProperty(Rtf::CharsetProperty, 0);
    });
    QTextBlockFormat just;
    just.setAlignment(Qt::AlignJustify);
    just.setTextIndent(-24);
    just.setLeftMargin(48);
    just.setTabPositions({QTextOption::Tab(96, QTextOption::LeftTab),
                          QTextOption::Tab(192, QTextOption::RightTab),
                          QTextOption::Tab(200, QTextOption::CenterTab)});
    c.insertBlock(just);
    put(QString::fromUtf8("tab\there\u2028line break, braces {x} and \\ and\u00A0nbsp"),
        [](QTextCharFormat&) {});
    c.insertBlock(QTextBlockFormat());
    QTextListFormat lf;
    lf.setStyle(QTextListFormat::ListDisc);
    c.createList(lf);
    put(QString::fromUtf8("first bullet"), [](QTextCharFormat&) {});
    c.insertBlock();
    put(QString::fromUtf8("二つ目"), [](QTextCharFormat&) {});
    c.insertBlock(QTextBlockFormat());
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("test:img")), image);
    put(QStringLiteral("picture:"), [](QTextCharFormat&) {});
    QTextImageFormat img;
    img.setName(QStringLiteral("test:img"));
    img.setWidth(30);
    img.setHeight(20);
    c.insertImage(img);
    c.insertBlock(QTextBlockFormat());
    c.insertBlock(QTextBlockFormat()); // empty paragraphs at the end stay
}

} // namespace

TEST(RtfRoundTrip, EveryAttributeComesBack) {
    QTextDocument doc;
    fillSample(doc);
    const QByteArray rtf = Rtf::write(doc);
    QTextDocument back;
    back.setDefaultFont(doc.defaultFont());
    const Rtf::ReadResult r = Rtf::load(rtf, back);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    expectSame(doc, back);
    // Writing again gives the same bytes.
    EXPECT_EQ(Rtf::write(back), rtf);
}

TEST(RtfRoundTrip, TheFormIsCompactJapaneseRtf) {
    QTextDocument doc;
    fillSample(doc);
    const QByteArray rtf = Rtf::write(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
                               "IPAGothic;}"));
    // The Japanese font's name in cp932, a Latin font.
    EXPECT_TRUE(rtf.contains("\\fcharset128\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83"
                             "\\'62\\'83\\'4e;}"));
    EXPECT_TRUE(rtf.contains("\\fcharset0 Arial;}"));
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;"));
    EXPECT_TRUE(rtf.contains("\\uc1"));
    // 日本 as Shift-JIS pairs, ソ with its backslash trail byte escaped.
    EXPECT_TRUE(rtf.contains("\\'93\\'fa\\'96\\'7b"));
    EXPECT_TRUE(rtf.contains("\\'83\\'5c"));
    // What cp932 lacks: é and € as \uN, 鷗 as a signed 16-bit \uN, the emoji
    // as a surrogate pair.
    EXPECT_TRUE(rtf.contains("caf\\u233?"));
    EXPECT_TRUE(rtf.contains("\\u8364?"));
    EXPECT_TRUE(rtf.contains("\\u-25129?\\'8a\\'4f"));
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));
    // In a Latin font, é is a windows-1252 byte.
    EXPECT_TRUE(rtf.contains("Arial \\'e9"));
    EXPECT_TRUE(rtf.contains("\\qc"));
    EXPECT_TRUE(rtf.contains("\\qj\\fi-360\\li720\\tx1440\\tqr\\tx2880\\tqc\\tx3000"));
    EXPECT_TRUE(rtf.contains("\\tab here\\line line break, braces \\{x\\} and \\\\ and\\~nbsp"));
    EXPECT_TRUE(rtf.contains("{\\*\\listtable\n{\\list\\listtemplateid1\\listhybrid{\\listlevel"
                             "\\levelnfc23\\levelnfcn23"));
    EXPECT_TRUE(rtf.contains("\\ls1\\ilvl0{\\listtext\\pard\\plain\\u8226 ?\\tab}first"));
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw3\\pich2\\picwgoal450\\pichgoal300\n89504e47"));
    EXPECT_TRUE(rtf.contains("\\b\\ab\\i\\ai\\ul\\strike"));
    EXPECT_TRUE(rtf.contains("\\up5 raised"));
    // Only ASCII: every other byte is escaped.
    for (char ch : rtf)
        ASSERT_LT(static_cast<unsigned char>(ch), 0x80);
    // The plain text reader gives what the document holds.
    EXPECT_EQ(Rtf::plainText(rtf).toStdString(), doc.toPlainText().toStdString());
}

TEST(RtfRoundTrip, SelectionOnly) {
    QTextDocument doc;
    fillSample(doc);
    QTextCursor sel(&doc);
    const int from = int(doc.toPlainText().indexOf(QStringLiteral("marked")));
    const int to = int(doc.toPlainText().indexOf(QStringLiteral("English"))) + 3;
    sel.setPosition(from);
    sel.setPosition(to, QTextCursor::KeepAnchor);
    const QByteArray rtf = Rtf::writeSelection(sel);

    QTextDocument target;
    target.setPlainText(QStringLiteral("[]"));
    QTextCursor at(&target);
    at.setPosition(1);
    ASSERT_TRUE(Rtf::readInto(rtf, at).ok);
    const QString want = QStringLiteral("[") +
                         sel.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')) +
                         QStringLiteral("]");
    EXPECT_EQ(target.toPlainText().toStdString(), want.toStdString());
    QTextCursor c(&target);
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().background().color(), QColor(255, 255, 0));
    c.setPosition(int(target.toPlainText().indexOf(QString::fromUtf8("日"))) + 1);
    EXPECT_EQ(c.charFormat().fontFamilies().toStringList(),
              QStringList{QString::fromUtf8("ＭＳ Ｐゴシック")});

    // A selection that ends just after a paragraph mark keeps the mark.
    QTextDocument two;
    two.setPlainText(QStringLiteral("ab\ncd"));
    QTextCursor s(&two);
    s.setPosition(3, QTextCursor::KeepAnchor);
    EXPECT_EQ(Rtf::plainText(Rtf::writeSelection(s)), QStringLiteral("ab\n"));
    s.setPosition(1);
    EXPECT_EQ(Rtf::plainText(Rtf::writeSelection(s)), QString());
}

TEST(RtfRoundTrip, EmptyAndBlankDocuments) {
    for (const QString& text : {QString(), QStringLiteral("\n"), QStringLiteral("\n\n x \n")}) {
        QTextDocument doc;
        doc.setPlainText(text);
        QTextDocument back;
        ASSERT_TRUE(Rtf::load(Rtf::write(doc), back).ok);
        EXPECT_EQ(back.toPlainText(), text);
    }
}

TEST(RtfRoundTrip, SamplesSurviveWritingAndReading) {
    // A Word document in, our form out, the same text and looks back.
    const QByteArray word(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times;}"
        "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
        "{\\f2\\fcharset238 Arial CE;}}{\\colortbl;\\red0\\green128\\blue0;}"
        "\\pard\\qc\\f0\\fs28\\b Title\\b0\\par\\pard\\li360 Body {\\f1\\'82\\'a0\\cf1\\'82\\'a2}"
        " {\\f2\\'b9\\'e6} \\u8364?\\par}");
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(word, doc).ok);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("Title\nBody あい ąć €"));
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(Rtf::write(doc), back).ok);
    expectSame(doc, back);
}

TEST(RtfRoundTrip, CharactersCp932HoldsUnderAnotherNameFallBackToTheirCode) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("10時〜12時 −5 ‖ ¢£¬ — ¦"));
    QTextCharFormat latin;
    latin.setFontFamilies({QStringLiteral("Arial")});
    latin.setProperty(Rtf::CharsetProperty, 0);
    c.insertText(QStringLiteral(" A〜B"), latin);
    const QByteArray rtf = Rtf::write(doc);
    // The character for readers of Unicode, its cp932 code for the others.
    EXPECT_TRUE(rtf.contains("\\uc2\\u12316\\'81\\'60\\uc1")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\uc2\\u8722\\'81\\'7c\\uc1")) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains("\\uc2\\u8214\\'81\\'61\\uc1")) << rtf.toStdString();
    EXPECT_FALSE(rtf.contains("\\u12316?"));
    EXPECT_EQ(Rtf::plainText(rtf), doc.toPlainText());

    QTextDocument back;
    ASSERT_TRUE(Rtf::load(rtf, back).ok);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    EXPECT_EQ(Rtf::write(back), rtf);
    // A reader that skips \uN takes the code: the same page in cp932 terms.
    QByteArray ansiOnly = rtf;
    ansiOnly.replace("\\uc2\\u12316", "");
    EXPECT_TRUE(Rtf::plainText(ansiOnly).startsWith(QStringLiteral("10時～12時")));
}
