// TreeLine files as TreeLine 3 writes them; the HTML export.
#include "InterchangeFixtures.h"

#include "TestSupport.h"

#include "file/Cp932.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"

#include <QStringDecoder>

#include <QTextCursor>

#include <QTextDocument>

#include <QTextBlock>

#include <gtest/gtest.h>

using namespace Interchange;

namespace {

const char* const TreeLineFile = R"({
  "formats": [
    {"fields": [{"fieldname": "Name", "fieldtype": "Text"},
                {"fieldname": "Phone", "fieldtype": "Text"},
                {"fieldname": "Notes", "fieldtype": "Text", "lines": 4}],
     "formatname": "CONTACT", "titleline": "{*Name*}", "outputlines": ["{*Name*}"]},
    {"fields": [{"fieldname": "Name", "fieldtype": "Text"}],
     "formatname": "FOLDER", "titleline": "{*Name*}"}
  ],
  "nodes": [
    {"uid": "a1", "format": "FOLDER", "data": {"Name": "連絡先"}, "children": ["c2", "c1"]},
    {"uid": "c1", "format": "CONTACT",
     "data": {"Notes": "first line<br />second &amp; third", "Phone": "03-1234", "Name": "Ann &lt;A&gt;"},
     "children": []},
    {"uid": "c2", "format": "CONTACT", "data": {"Name": "Bob", "Phone": ""}, "children": []},
    {"uid": "t2", "format": "FOLDER", "data": {"Name": "Other"}, "children": []}
  ],
  "properties": {"tlversion": "3.1.5", "topnodes": ["a1", "t2"]}
}
)";

class TreeLine : public ::testing::Test {
protected:
    TestHome home;
    TOptionDesc settings;
    TOutline outline{&settings};
    ~TreeLine() override { outline.clear(); }
    TReadResult read(const char* name, const QByteArray& bytes) {
        return ReadFile(WriteFixture(home.path(), QString::fromUtf8(name), bytes));
    }
};

TEST_F(TreeLine, NodesChildrenOrderAndFields) {
    InsertInto(outline, read("住所録.trln", TreeLineFile));
    ASSERT_EQ(outline.topLevelCount(), 2);
    TOutlineNode* folder = outline.topLevel(0);
    EXPECT_EQ(Cp932::toUnicode(folder->item()->Title), QStringLiteral("連絡先"));
    ASSERT_EQ(folder->childCount(), 2);
    EXPECT_EQ(folder->child(0)->item()->Title, QByteArray("Bob"));
    TLeafNote* ann = folder->child(1)->item();
    EXPECT_EQ(ann->Title, QByteArray("Ann <A>"));
    // The first field is the title; the rest in the format's order, empty ones left out.
    EXPECT_EQ(PageText(*ann), QStringLiteral("Phone: 03-1234\nNotes: first line\nsecond & third"));
    EXPECT_TRUE(folder->child(0)->item()->PageText.isEmpty());
    EXPECT_EQ(outline.topLevel(1)->item()->Title, QByteArray("Other"));
}

TEST_F(TreeLine, NumbersKeepEveryDigit) {
    InsertInto(outline, read("数.trln", R"({"formats": {"F": {"fields": [{"fieldname": "N"},
                                                          {"fieldname": "V"}]}},
                      "nodes": [{"uid": "a", "format": "F",
                                 "data": {"N": 1234567, "V": 0.1}, "children": []}],
                      "properties": {"topnodes": ["a"]}})"));
    ASSERT_EQ(outline.topLevelCount(), 1);
    EXPECT_EQ(outline.topLevel(0)->item()->Title, QByteArray("1234567"));
    EXPECT_EQ(PageText(*outline.topLevel(0)->item()), QStringLiteral("V: 0.1"));
}

TEST_F(TreeLine, NodesNoListNamesAreKeptAtTheTop) {
    InsertInto(outline,
               read("迷い.trln", R"({"nodes": [{"uid": "a", "data": {"N": "一"}, "children": ["c"]},
                                             {"uid": "b", "data": {"N": "二"}},
                                             {"uid": "c", "data": {"N": "子"}}],
                                  "properties": {"topnodes": ["a"]}})"));
    ASSERT_EQ(outline.topLevelCount(), 2);
    EXPECT_EQ(Cp932::toUnicode(outline.topLevel(0)->item()->Title), QStringLiteral("一"));
    EXPECT_EQ(outline.topLevel(0)->childCount(), 1);
    EXPECT_EQ(Cp932::toUnicode(outline.topLevel(1)->item()->Title), QStringLiteral("二"));
}

TEST_F(TreeLine, BrokenFilesAreRefusedWithTheirPlace) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"途中.trln", "{\n  \"nodes\": [\n    {\"uid\": \"a\"", "3 行"},
        {"別物.trln", "{\"items\": []}", "TreeLine の文書ではありません"},
        {"循環.trln",
         R"({"nodes": [{"uid": "a", "data": {"N": "a"}, "children": ["b"]},
                       {"uid": "b", "data": {"N": "b"}, "children": ["a"]}],
             "properties": {"topnodes": ["a"]}})",
         "循環"},
        {"迷子.trln", R"({"nodes": [{"uid": "a", "children": ["zz"]}]})", "zz"},
        {"重複.trln", R"({"nodes": [{"uid": "a"}, {"uid": "a"}]})", "重なって"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TReadResult r = read(c.name, c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.name))) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.expected))) << r.error.toStdString();
    }
}

TEST_F(TreeLine, DepthIsLimited) {
    QByteArray json = "{\"nodes\": [";
    for (int i = 0; i <= MaxDepth; ++i) {
        if (i)
            json += ',';
        json += QStringLiteral("{\"uid\": \"n%1\", \"data\": {\"N\": \"x\"}, \"children\": [%2]}")
                    .arg(i)
                    .arg(i < MaxDepth ? QStringLiteral("\"n%1\"").arg(i + 1) : QString())
                    .toUtf8();
    }
    json += "], \"properties\": {\"topnodes\": [\"n0\"]}}";
    const TReadResult r = read("deep.trln", json);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("深すぎ"))) << r.error.toStdString();
}

class Html : public ::testing::Test {
protected:
    TOptionDesc settings;
    TOutline outline{&settings};
    ~Html() override { outline.clear(); }

    // The HTML of an outline of one item whose page is given as HTML.
    QString exportPage(const QString& page) {
        TLeafNote* a = AddItem(outline, nullptr, "頁");
        a->PageRich = RtfOfHtml(page);
        a->PageText = "x";
        const TExportResult r = ExportHtml(outline, TExportOptions());
        EXPECT_TRUE(r.ok);
        return QString::fromUtf8(r.bytes);
    }
};

TEST_F(Html, OneSelfContainedPageWithTreeFormattingPicturesAndAnchors) {
    TLeafNote* a = AddItem(outline, nullptr, "本 & <節>");
    TLeafNote* b = AddItem(outline, a->TreeNode, "詳細");
    b->NodeId = 7;
    b->Progress = ProgressInProgress;
    a->PageText =
        Cp932::fromUnicode(QStringLiteral("see <node:詳細;7> and http://example.com/\r\n"));
    const QByteArray png = TinyPng(3, 2);
    b->PageRich = RtfOfHtml(QStringLiteral("<p><b>太字</b> <span style=\"color:#ff0000\">赤</span>"
                                           " <img src=\"data:image/png;base64,%1\"></p>")
                                .arg(QString::fromLatin1(png.toBase64())));
    b->PageText = Cp932::fromUnicode(QStringLiteral("太字 赤"));
    TExportOptions options;
    options.title = QStringLiteral("見本");
    const TExportResult r = ExportHtml(outline, options);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString html = utf8.decode(r.bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("prefers-color-scheme: dark")));
    EXPECT_TRUE(html.contains(QStringLiteral("<summary>本 &amp; &lt;節&gt;</summary>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<details id=\"wren-7\" open><summary>詳細"
                                             "<span class=\"meta\">進行中</span>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"#wren-7\">詳細</a>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<a href=\"http://example.com/\">http://example.com/</a>")));
    EXPECT_TRUE(html.contains(QStringLiteral("font-weight:")));
    EXPECT_TRUE(html.contains(QStringLiteral("color:#ff0000")));
    EXPECT_TRUE(html.contains(QStringLiteral("src=\"data:image/png;base64,")));
    EXPECT_FALSE(html.contains(QStringLiteral("-qt-")));
    EXPECT_FALSE(html.contains(QStringLiteral("rtfimage:")));
    EXPECT_FALSE(html.contains(QStringLiteral("<script")));
    EXPECT_EQ(html.count(QStringLiteral("<details")), html.count(QStringLiteral("</details>")));
}

TEST_F(Html, LinksOfOtherSchemesInAPageLeadNowhere) {
    // Pages of paragraphs, and pages with lists that Qt's writer writes.
    for (const QString& list : {QString(), QStringLiteral("<ul><li>一</li></ul>")}) {
        const QString html = exportPage(QStringLiteral("<a href=\"javascript:alert(1)\">x</a> "
                                                       "<a href=\"https://example.com/\">y</a>") +
                                        list);
        EXPECT_FALSE(html.contains(QStringLiteral("javascript:")));
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"https://example.com/\"")));
        outline.clear();
    }
}

// The page as a browser would read it back: the text and the look of each
// character are those of the page.
TEST_F(Html, APageReadsBackWithItsTextAndLook) {
    const QString source = QStringLiteral(
        "<p align=\"center\"><b>太字</b> <i>斜体</i> <u>下線</u> <s>取消</s></p>"
        "<p><span style=\"color:#ff0000; font-size:18pt\">赤 &amp; &lt;大&gt;</span>"
        "  二つの空白\tタブ <a href=\"https://example.com/?a=1&amp;b=2\">リンク</a></p>"
        "<p></p><p style=\"line-height:150%\">行間</p><p>最後</p>"
        "<p>行き先 <span style=\"color:#0000ff\">&lt;node:頁;5&gt;</span> と "
        "http://ex<b>ample.com/</b>"
        " の終わり</p>");
    TLeafNote* a = AddItem(outline, nullptr, "頁");
    a->NodeId = 5;
    a->PageRich = RtfOfHtml(source);
    a->PageText = "x";
    const TExportResult r = ExportHtml(outline, TExportOptions());
    ASSERT_TRUE(r.ok);
    const QString html = QString::fromUtf8(r.bytes);
    const qsizetype from = html.indexOf(QStringLiteral("<div class=\"page\">"));
    const qsizetype to = html.indexOf(QStringLiteral("</div>"), from);
    ASSERT_GT(from, 0);
    QTextDocument page, back;
    Rtf::load(a->PageRich, page);
    back.setHtml(html.mid(from, to + 6 - from));
    // The page's links show as links, their labels once.
    EXPECT_EQ(back.toPlainText(),
              page.toPlainText().replace(QStringLiteral("<node:頁;5>"), QStringLiteral("頁")));
    EXPECT_EQ(back.blockCount(), page.blockCount());
    const QTextBlock last = back.lastBlock();
    EXPECT_EQ(last.text(), QStringLiteral("行き先 頁 と http://example.com/ の終わり"));
    QTextCursor node(last);
    node.setPosition(last.position() + 5);
    EXPECT_EQ(node.charFormat().anchorHref(), QStringLiteral("#wren-5"));
    EXPECT_EQ(node.charFormat().foreground().color(), QColor(0, 0, 255));
    QTextCursor web(last);
    web.setPosition(last.position() + 12);
    EXPECT_EQ(web.charFormat().anchorHref(), QStringLiteral("http://example.com/"));
    EXPECT_EQ(html.count(QStringLiteral("example.com/</span></a>")), 1);
    EXPECT_EQ(back.firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    auto lookAt = [](QTextDocument& doc, const QString& word) {
        QTextCursor c = doc.find(word);
        EXPECT_FALSE(c.isNull()) << word.toStdString();
        return c.charFormat();
    };
    EXPECT_EQ(lookAt(back, QStringLiteral("太字")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(lookAt(back, QStringLiteral("斜体")).fontItalic());
    EXPECT_TRUE(lookAt(back, QStringLiteral("下線")).fontUnderline());
    EXPECT_TRUE(lookAt(back, QStringLiteral("取消")).fontStrikeOut());
    EXPECT_FALSE(lookAt(back, QStringLiteral("最後")).fontItalic());
    const QTextBlockFormat spaced = back.find(QStringLiteral("行間")).block().blockFormat();
    EXPECT_EQ(spaced.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    EXPECT_EQ(spaced.lineHeight(), 150);
    const QTextCharFormat red = lookAt(back, QStringLiteral("大"));
    EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(red.fontPointSize(), 18);
    const QTextCharFormat link = lookAt(back, QStringLiteral("リンク"));
    EXPECT_EQ(link.anchorHref(), QStringLiteral("https://example.com/?a=1&b=2"));
    EXPECT_FALSE(html.contains(QStringLiteral("-qt-")));
}

// Lists and tables are written by Qt's own writer, cleaned as any page.
TEST_F(Html, ListsAndTablesKeepTheirShape) {
    const QString html = exportPage(QStringLiteral(
        "<ul><li>一</li><li>二</li></ul><table><tr><td>甲</td><td>乙</td></tr></table>"));
    EXPECT_TRUE(html.contains(QStringLiteral("<li")));
    EXPECT_TRUE(html.contains(QStringLiteral("<td")));
    EXPECT_TRUE(html.contains(QStringLiteral("乙")));
    EXPECT_FALSE(html.contains(QStringLiteral("-qt-")));
}

} // namespace
