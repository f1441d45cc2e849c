#include "links/LinkTarget.h"

#include "doc/WrenDoc.h"

#include <gtest/gtest.h>

using namespace LinkTarget;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TWrenDoc DocAt(const char* file) {
    TWrenDoc doc(QStringLiteral("/prog"));
    if (file)
        doc.SetFileName(U(file));
    return doc;
}

} // namespace

TEST(ParseNodeLink, TitleAndId) {
    TNodeLinkBody b = ParseNodeLink(U("企画書;12"));
    EXPECT_TRUE(b.ok());
    EXPECT_EQ(b.Title, U("企画書"));
    EXPECT_EQ(b.NodeId, 12);

    b = ParseNodeLink(U("企画書"));
    EXPECT_EQ(b.Title, U("企画書"));
    EXPECT_EQ(b.NodeId, 0);

    b = ParseNodeLink(U("企画書;0"));
    EXPECT_EQ(b.Title, U("企画書"));
    EXPECT_EQ(b.NodeId, 0);

    b = ParseNodeLink(U("a;b;7"));
    EXPECT_EQ(b.Title, U("a;b"));
    EXPECT_EQ(b.NodeId, 7);
}

TEST(ParseNodeLink, DigitsWithoutSemicolonAreTitle) {
    EXPECT_EQ(ParseNodeLink(U("2024")).Title, U("2024"));
    EXPECT_EQ(ParseNodeLink(U("2024")).NodeId, 0);
    EXPECT_EQ(ParseNodeLink(U("a;-5")).Title, U("a;-5"));
    EXPECT_EQ(ParseNodeLink(U("a;5x")).Title, U("a;5x"));
    // Full-width digits are no id.
    EXPECT_EQ(ParseNodeLink(U("a;１２")).NodeId, 0);
    const TNodeLinkBody empty = ParseNodeLink(QString());
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.Title.isEmpty());
    const TNodeLinkBody idOnly = ParseNodeLink(U(";42"));
    EXPECT_TRUE(idOnly.Title.isEmpty());
    EXPECT_EQ(idOnly.NodeId, 42);
    EXPECT_EQ(ParseNodeLink(U("x;007")).NodeId, 7);
    EXPECT_EQ(ParseNodeLink(U("x;2147483647")).NodeId, 2147483647);
}

TEST(ParseNodeLink, NumberThatIsNoneIsAnError) {
    const TNodeLinkBody noDigits = ParseNodeLink(U("企画書;"));
    EXPECT_FALSE(noDigits.ok());
    EXPECT_FALSE(ParseNodeLink(U(";")).ok());
    const TNodeLinkBody tooBig = ParseNodeLink(U("x;2147483648"));
    EXPECT_FALSE(tooBig.ok());
    EXPECT_TRUE(tooBig.Error.contains(U("2147483648")));
    EXPECT_FALSE(ParseNodeLink(U("x;99999999999999999999")).ok());
}

TEST(ParseLineLink, SplitAtFirstNodeMark) {
    TLineLinkBody b = ParseLineLink(U("目次/node:資料;3"));
    EXPECT_EQ(b.LineText, U("目次"));
    EXPECT_TRUE(b.HasNode);
    EXPECT_EQ(b.Node.Title, U("資料"));
    EXPECT_EQ(b.Node.NodeId, 3);

    b = ParseLineLink(U("目次"));
    EXPECT_EQ(b.LineText, U("目次"));
    EXPECT_FALSE(b.HasNode);

    b = ParseLineLink(U("a/node:b/node:c;4"));
    EXPECT_EQ(b.LineText, U("a"));
    EXPECT_EQ(b.Node.Title, U("b/node:c"));
    EXPECT_EQ(b.Node.NodeId, 4);

    b = ParseLineLink(U("/node:x;"));
    EXPECT_TRUE(b.LineText.isEmpty());
    EXPECT_FALSE(b.Node.ok());
    EXPECT_FALSE(ParseLineLink(U("a/Node:b")).HasNode);
}

TEST(ParseFileLink, RelativeAgainstTheDocumentFolder) {
    const TWrenDoc doc = DocAt("/w/x.wrn");
    TFileLinkTarget t = ParseFileLink(doc, U("doc\\a.txt"));
    ASSERT_TRUE(t.valid());
    EXPECT_EQ(t.Path, U("/w/doc/a.txt"));
    EXPECT_FALSE(t.IsOutline);
    EXPECT_EQ(t.Url, QUrl::fromLocalFile(U("/w/doc/a.txt")));

    t = ParseFileLink(doc, U("文書/予定.WRN"));
    EXPECT_EQ(t.Path, U("/w/文書/予定.WRN"));
    EXPECT_TRUE(t.IsOutline);
    EXPECT_FALSE(ParseFileLink(doc, U("a.wrn.txt")).IsOutline);
}

TEST(ParseFileLink, AbsoluteAndWebAddressesStay) {
    const TWrenDoc doc = DocAt("/w/x.wrn");
    TFileLinkTarget t = ParseFileLink(doc, U("/wx/a b.txt"));
    EXPECT_EQ(t.Path, U("/wx/a b.txt"));
    EXPECT_EQ(t.Url.toLocalFile(), U("/wx/a b.txt"));
    t = ParseFileLink(doc, U("http://example.com/a.wrn"));
    EXPECT_TRUE(t.valid());
    EXPECT_FALSE(t.IsOutline);
    EXPECT_EQ(t.Url.scheme(), U("http"));
    // An empty body is the document's folder.
    EXPECT_EQ(ParseFileLink(doc, QString()).Path, U("/w"));
}

TEST(ParseFileLink, RelativeWithoutDocumentFileCannotBeFollowed) {
    const TWrenDoc unnamed = DocAt(nullptr);
    EXPECT_FALSE(ParseFileLink(unnamed, U("doc/a.txt")).valid());
    EXPECT_TRUE(ParseFileLink(unnamed, U("/etc/hosts")).valid());
}

TEST(ParseCommandLine, NeverAShell) {
    TCommandLine c = ParseCommandLine(U("\"/usr/bin/my prog\" \"a b\" c"));
    EXPECT_EQ(c.Program, U("/usr/bin/my prog"));
    EXPECT_EQ(c.Arguments, QStringList({U("a b"), U("c")}));

    c = ParseCommandLine(U("echo \"say \"\"\"hi\"\"\"\" $HOME;rm x|y"));
    EXPECT_EQ(c.Program, U("echo"));
    EXPECT_EQ(c.Arguments, QStringList({U("say \"hi\""), U("$HOME;rm"), U("x|y")}));

    c = ParseCommandLine(U("  gedit   メモ.txt  "));
    EXPECT_EQ(c.Program, U("gedit"));
    EXPECT_EQ(c.Arguments, QStringList({U("メモ.txt")}));
    EXPECT_FALSE(ParseCommandLine(U("   ")).valid());
    EXPECT_FALSE(ParseCommandLine(QString()).valid());
}

TEST(SystemOpenUrl, SchemesPathsAndRelativeNames) {
    const TWrenDoc doc = DocAt("/w/x.wrn");
    EXPECT_EQ(SystemOpenUrl(doc, U("mailto:a@b.jp")).scheme(), U("mailto"));
    EXPECT_EQ(SystemOpenUrl(doc, U("/d/他.wrn")), QUrl::fromLocalFile(U("/d/他.wrn")));
    EXPECT_EQ(SystemOpenUrl(doc, U("sub\\b.wrn")), QUrl::fromLocalFile(U("/w/sub/b.wrn")));
    // A drive letter is no scheme.
    EXPECT_TRUE(SystemOpenUrl(doc, U("C:\\a.txt")).isLocalFile());
    EXPECT_FALSE(SystemOpenUrl(doc, QString()).isValid());
    EXPECT_FALSE(SystemOpenUrl(DocAt(nullptr), U("b.wrn")).isValid());
}

TEST(ClickAction, EachKind) {
    const TWrenDoc doc = DocAt("/w/x.wrn");
    TLinkClick c = ClickAction(doc, LinkHttps, U("https://a/b?c=1"));
    EXPECT_EQ(c.Action, LinkAction::OpenWithSystem);
    EXPECT_EQ(c.Url, QUrl(U("https://a/b?c=1")));
    c = ClickAction(doc, LinkNewWren, U("/d/y.wrn"));
    EXPECT_EQ(c.Action, LinkAction::OpenWithSystem);
    EXPECT_TRUE(c.Url.isLocalFile());
    c = ClickAction(doc, LinkFile, U("sub\\a.wrn"));
    EXPECT_EQ(c.Action, LinkAction::FollowFile);
    EXPECT_EQ(c.File.Path, U("/w/sub/a.wrn"));
    EXPECT_TRUE(c.File.IsOutline);
    EXPECT_EQ(ClickAction(DocAt(nullptr), LinkFile, U("a.txt")).Action, LinkAction::None);
    EXPECT_EQ(ClickAction(doc, LinkNode, U("a;1")).Action, LinkAction::FollowNode);
    EXPECT_EQ(ClickAction(doc, LinkLine, U("a")).Action, LinkAction::FollowLine);
    c = ClickAction(doc, LinkCmd, U("ls \"-l a\""));
    EXPECT_EQ(c.Action, LinkAction::RunCommand);
    EXPECT_EQ(c.Command.Program, U("ls"));
    EXPECT_EQ(c.Command.Arguments, QStringList{U("-l a")});
    EXPECT_EQ(ClickAction(doc, LinkCmd, QString()).Action, LinkAction::None);
    EXPECT_EQ(ClickAction(doc, LinkNone, U("x")).Action, LinkAction::None);
}
