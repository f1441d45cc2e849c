// Markdown: headings by depth out and in, pages through Qt's Markdown, links
// that still lead somewhere.
#include "InterchangeFixtures.h"

#include "TestSupport.h"

#include "file/Cp932.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace Interchange;

namespace {

class Markdown : public ::testing::Test {
protected:
    TestHome home;
    TOptionDesc settings;
    TOutline outline{&settings};
    TOptionDesc settings2;
    TOutline back{&settings2};

    ~Markdown() override {
        outline.clear();
        back.clear();
    }
    QString exported(TExportOptions options = TExportOptions()) {
        const TExportResult r = ExportMarkdown(outline, options);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return QString::fromUtf8(r.bytes);
    }
    TReadResult read(const char* name, const QString& text) {
        return ReadFile(WriteFixture(home.path(), QString::fromUtf8(name), text.toUtf8()));
    }
};

// Text and emphasis of a document, run by run. Table cells by their text
// alone: Markdown makes the first row a header, which readers show bold.
QStringList runs(const QTextDocument& doc) {
    QStringList out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (QTextCursor(b).currentTable()) {
            out.append(QStringLiteral("cell|") + b.text());
            continue;
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            out.append(QStringLiteral("%1%2%3|%4")
                           .arg(f.fontWeight() > QFont::Normal ? QStringLiteral("B") : QString(),
                                f.fontItalic() ? QStringLiteral("I") : QString(),
                                f.fontStrikeOut() ? QStringLiteral("S") : QString(),
                                it.fragment().text()));
        }
    }
    return out;
}

TEST_F(Markdown, APageWithEveryFormatReadsBackEqualInTextAndEmphasis) {
    TLeafNote* item = AddItem(outline, nullptr, "書式");
    const QString html = QStringLiteral(
        "<p>普通 <b>太字</b> <i>斜体</i> <s>取り消し</s> <b><i>両方</i></b></p>"
        "<ul><li>一つ目</li><li>二つ目</li></ul>"
        "<table><tr><td>表1</td><td>表2</td></tr><tr><td>a</td><td>b</td></tr></table>");
    item->PageRich = RtfOfHtml(html);
    item->PageText = Cp932::fromUnicode(QStringLiteral("x"));
    QTextDocument original;
    Rtf::load(item->PageRich, original);

    const QString md = exported();
    const qsizetype start = md.indexOf(QStringLiteral("\n\n")) + 2;
    QTextDocument again;
    again.setMarkdown(md.mid(start), QTextDocument::MarkdownDialectGitHub);
    EXPECT_EQ(again.toPlainText(), original.toPlainText()) << md.toStdString();
    EXPECT_EQ(runs(again), runs(original));
    int lists = 0;
    for (QTextBlock b = again.begin(); b.isValid(); b = b.next())
        lists += b.textList() ? 1 : 0;
    EXPECT_EQ(lists, 2);
    EXPECT_TRUE(md.contains(QStringLiteral("|")));
}

TEST_F(Markdown, HeadingsByDepthAndDeeperLevelsAsNestedListItems) {
    TOutlineNode* parent = nullptr;
    for (int depth = 0; depth < 8; ++depth)
        parent = AddItem(outline, parent, QStringLiteral("L%1").arg(depth).toUtf8().constData())
                     ->TreeNode;
    parent->item()->PageText = Cp932::fromUnicode(QStringLiteral("深い本文\r\n二行目"));
    const QString md = exported();
    EXPECT_TRUE(md.contains(QStringLiteral("\n## <a id=\"wren-x2\"></a>L1\n")));
    EXPECT_TRUE(md.contains(QStringLiteral("\n###### <a id=\"wren-x6\"></a>L5\n")));
    EXPECT_TRUE(md.contains(QStringLiteral("\n- <a id=\"wren-x7\"></a>L6\n")));
    EXPECT_TRUE(md.contains(QStringLiteral("\n  - <a id=\"wren-x8\"></a>L7\n")));
    EXPECT_TRUE(md.contains(QStringLiteral("\n    深い本文\\\n    二行目\n")));

    InsertInto(back, read("深い.md", md));
    TOutlineNode* n = back.topLevelCount() == 1 ? back.topLevel(0) : nullptr;
    for (int depth = 0; depth < 8 && n; ++depth) {
        EXPECT_EQ(Cp932::toUnicode(n->item()->Title), QStringLiteral("L%1").arg(depth));
        if (depth < 7) {
            ASSERT_EQ(n->childCount(), 1) << depth;
            n = n->child(0);
        }
    }
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(PageText(*n->item()), QStringLiteral("深い本文\n二行目"));
}

TEST_F(Markdown, LinksBecomeAnchorsWebAndFileLinks) {
    TLeafNote* a = AddItem(outline, nullptr, "目次");
    TLeafNote* b = AddItem(outline, nullptr, "詳細");
    b->NodeId = 42;
    a->PageText = Cp932::fromUnicode(QStringLiteral(
        "見る <node:詳細;42>\r\nweb https://example.com/a?b=1\r\n"
        "資料 <file:docs/仕様.txt>\r\n実行 <cmd:ls>\r\nsite <http://example.org/x>"));
    TExportOptions options;
    options.documentFolder = QStringLiteral("/home/u/メモ");
    const QString md = exported(options);
    EXPECT_TRUE(md.contains(QStringLiteral("[詳細](#wren-42)")));
    EXPECT_TRUE(md.contains(QStringLiteral("](https://example.com/a?b=1)")));
    EXPECT_TRUE(md.contains(QStringLiteral("[docs/仕様.txt](file:///home/u/%E3%83%A1%E3%83%A2/docs/"
                                           "%E4%BB%95%E6%A7%98.txt)")));
    // A command is no place to go: it stays words.
    EXPECT_TRUE(md.contains(QStringLiteral("\\<cmd:ls\\>")));
    // A web address in angle brackets is a link, not a link in brackets.
    EXPECT_TRUE(md.contains(QStringLiteral("site [http://example.org/x](http://example.org/x)")))
        << md.toStdString();

    InsertInto(back, read("links.md", md));
    ASSERT_EQ(back.topLevelCount(), 2);
    const QString page = PageText(*back.topLevel(0)->item());
    EXPECT_TRUE(page.contains(QStringLiteral("<node:詳細>"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("https://example.com/a?b=1")));
    EXPECT_TRUE(page.contains(QStringLiteral("<file:/home/u/メモ/docs/仕様.txt>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<cmd:ls>")));
}

TEST_F(Markdown, PlainWordsThatLookLikeMarkupStayWords) {
    TLeafNote* a = AddItem(outline, nullptr, "# 見出しではない *星*");
    a->PageText = Cp932::fromUnicode(
        QStringLiteral("# not a heading\r\n1. not a list\r\n- nor this\r\n    indented\r\n"
                       "a_b*c*[d](e) <tag> & \\"));
    InsertInto(back, read("escaped.md", exported()));
    ASSERT_EQ(back.topLevelCount(), 1);
    TLeafNote* item = back.topLevel(0)->item();
    EXPECT_EQ(Cp932::toUnicode(item->Title), QStringLiteral("# 見出しではない *星*"));
    EXPECT_TRUE(item->PageRich.isEmpty());
    EXPECT_EQ(PageText(*item), QStringLiteral("# not a heading\n1. not a list\n- nor this\n"
                                              "    indented\na_b*c*[d](e) <tag> & \\"));
}

TEST_F(Markdown, ReadsHeadingsPagesAndTextBeforeTheFirstHeading) {
    const QString md =
        QStringLiteral("Intro line.\n\n"
                       "# One\n\nplain text\nsecond line\n\n"
                       "## Two *rich*\n\nsome **bold** and a list:\n\n- a\n- b\n\n"
                       "#### Four (two levels down)\n\n```\n# not a heading in code\n```\n\n"
                       "Setext\n======\n\n"
                       "| h1 | h2 |\n|----|----|\n| x | y |\n");
    const TReadResult r = read("メモ.md", md);
    InsertInto(back, r);
    ASSERT_EQ(back.topLevelCount(), 3);
    TLeafNote* intro = back.topLevel(0)->item();
    EXPECT_EQ(Cp932::toUnicode(intro->Title), QStringLiteral("メモ"));
    EXPECT_EQ(PageText(*intro), QStringLiteral("Intro line."));
    TOutlineNode* one = back.topLevel(1);
    EXPECT_EQ(one->item()->Title, QByteArray("One"));
    EXPECT_TRUE(one->item()->PageRich.isEmpty());
    ASSERT_EQ(one->childCount(), 1);
    TOutlineNode* two = one->child(0);
    EXPECT_EQ(two->item()->Title, QByteArray("Two rich"));
    EXPECT_FALSE(two->item()->PageRich.isEmpty());
    // Two levels down is still one step below.
    ASSERT_EQ(two->childCount(), 1);
    TLeafNote* four = two->child(0)->item();
    EXPECT_EQ(four->Title, QByteArray("Four (two levels down)"));
    EXPECT_TRUE(PageText(*four).contains(QStringLiteral("# not a heading in code")));
    TLeafNote* setext = back.topLevel(2)->item();
    EXPECT_EQ(setext->Title, QByteArray("Setext"));
    EXPECT_FALSE(setext->PageRich.isEmpty()); // a table
}

// Only our own deep list items carry their page indented; a heading with our
// anchor keeps an indented code block as code.
TEST_F(Markdown, AnIndentedCodeBlockUnderOurHeadingStaysCode) {
    InsertInto(back, read("code.md", QStringLiteral("# <a id=\"wren-3\"></a>題\n\n"
                                                    "    x = 1\n    y = 2\n")));
    TLeafNote* item = back.topLevel(0)->item();
    EXPECT_FALSE(item->GetPage().isEmpty()) << "code, not a plain paragraph";
    EXPECT_EQ(PageText(*item), QStringLiteral("x = 1\ny = 2"));
}

TEST_F(Markdown, AFileWithoutHeadingsIsOneItem) {
    InsertInto(back, read("ただの文.md", QStringLiteral("just text\n\nand more")));
    ASSERT_EQ(back.topLevelCount(), 1);
    EXPECT_EQ(Cp932::toUnicode(back.topLevel(0)->item()->Title), QStringLiteral("ただの文"));
    EXPECT_EQ(PageText(*back.topLevel(0)->item()), QStringLiteral("just text\nand more"));
}

TEST_F(Markdown, BinaryDataIsRefused) {
    const TReadResult r =
        ReadFile(WriteFixture(home.path(), QStringLiteral("bin.md"), QByteArray("# a\0b", 5)));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("bin.md")));
}

// Pictures: a file beside the Markdown file and a data: URL are read as they
// are; a device, a missing file or a non-picture is left out and counted; a
// picture on the network stays a link.
TEST_F(Markdown, PicturesAreReadOnlyFromFilesAndDataWithinBounds) {
    const QByteArray png = TinyPng(4, 3);
    WriteFixture(home.path(), QStringLiteral("beside.png"), png);
    WriteFixture(home.path(), QStringLiteral("not.png"), "not a picture");
    const QString md = QStringLiteral("# 絵\n\n"
                                      "a ![p](beside.png) b ![p](data:image/png;base64,%1) c\n\n"
                                      "d ![p](/dev/zero) e ![p](missing.png) f ![p](not.png)\n\n"
                                      "g ![p](https://example.com/remote.png) h\n")
                           .arg(QString::fromLatin1(png.toBase64()));
    const TReadResult r = read("pictures.md", md);
    InsertInto(back, r);
    EXPECT_EQ(r.branch.droppedPictures, 3);
    TLeafNote* item = back.topLevel(0)->item();
    QTextDocument page;
    ASSERT_TRUE(Rtf::load(item->GetPage(), page).ok);
    int pictures = 0;
    for (QTextBlock b = page.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) {
                ++pictures;
                EXPECT_EQ(
                    it.fragment().charFormat().property(Rtf::PictureDataProperty).toByteArray(),
                    png);
            }
    EXPECT_EQ(pictures, 2);
    const QString text = page.toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("d  e  f ")));
    EXPECT_TRUE(text.contains(QStringLiteral("g <https://example.com/remote.png> h")));
}

} // namespace
