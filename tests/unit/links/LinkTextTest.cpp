#include "links/LinkText.h"

#include "doc/WrenDoc.h"
#include "links/LinkJump.h"
#include "links/LinkScan.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace LinkText;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class Texts : public ::testing::Test {
protected:
    Texts() : outline(&settings) {
        settings.NextNodeId = 5;
        item = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        item->SetTitle(Sjis("企画書"));
    }

    // Follows a produced link the way a click would: hit test, click text,
    // then the node jump.
    TOutlineNode* follow(const QString& text) {
        const TLinkMatch m = LinkScan::LinkAtIndex(text, text.indexOf(QLatin1Char('<')) + 2);
        const QString body = LinkScan::ClickText(text, m);
        if (m.kind == LinkNode)
            return LinkJump::JumpToNode(outline, body).Node;
        const TLineJump j = LinkJump::JumpToLine(outline, body);
        return j.Go ? j.Node : nullptr;
    }

    TOptionDesc settings;
    TOutline outline;
    TLeafNote* item = nullptr;
};

} // namespace

TEST_F(Texts, NodeLinkAssignsTheNextId) {
    EXPECT_EQ(NodeLinkText(*item), Sjis("<node:企画書;5>"));
    EXPECT_EQ(item->NodeId, 5);
    EXPECT_EQ(settings.NextNodeId, 6);
    // Once given, the id stays.
    EXPECT_EQ(NodeLinkClipboardText(*item), Sjis(" <node:企画書;5> "));
    EXPECT_EQ(settings.NextNodeId, 6);
}

TEST_F(Texts, TitlesThatWouldBreakTheLink) {
    item->SetTitle(Sjis("A -> B\tC"));
    const QByteArray link = NodeLinkText(*item);
    EXPECT_EQ(link, Sjis("<node:A -＞ B C;5>"));
    EXPECT_EQ(follow(FromSjis(link)), item->TreeNode);
    // A title ending in ";" and digits keeps its id apart.
    item->SetTitle(Sjis("Plan;2024"));
    EXPECT_EQ(follow(FromSjis(NodeLinkText(*item))), item->TreeNode);
}

TEST_F(Texts, TrashLinkFindsTheTrash) {
    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    const QByteArray link = NodeLinkText(*trash);
    EXPECT_EQ(link, "<node:" + trash->Title + ";0>");
    EXPECT_EQ(follow(FromSjis(link)), trash->TreeNode);
}

TEST_F(Texts, LineLinks) {
    EXPECT_EQ(LineLinkInside(U("目次")), U("<line:目次>"));
    EXPECT_EQ(LineLinkOutside(U("目次"), *item), U("<line:目次/node:企画書;5>"));
    EXPECT_EQ(item->NodeId, 5);
    EXPECT_EQ(follow(LineLinkOutside(U("目次"), *item)), item->TreeNode);
}

TEST_F(Texts, LineTextIsCutWhereTheLinkWouldEnd) {
    EXPECT_EQ(LineLinkInside(U("a > b")), U("<line:a >"));
    EXPECT_EQ(LineLinkInside(U("項目\tメモ")), U("<line:項目>"));
    EXPECT_EQ(LineLinkInside(U("x/node:y")), U("<line:x>"));
    EXPECT_EQ(LineLinkOutside(U("see a/node:b"), *item), U("<line:see a/node:企画書;5>"));
    // The whole body fits in what a click hands on, so the item part survives.
    const QString longLine(1000, QLatin1Char('w'));
    const QString link = LineLinkOutside(longLine, *item);
    EXPECT_EQ(link.size(), 600 + 7);
    EXPECT_TRUE(link.endsWith(U("/node:企画書;5>")));
    EXPECT_EQ(follow(link), item->TreeNode);
    EXPECT_EQ(LineLinkInside(longLine).size(), 600 + 7);
}

TEST(FileLinks, OneAloneSeveralOnLines) {
    TWrenDoc doc(QStringLiteral("/prog"));
    doc.SetFileName(U("/w/x.wrn"));
    EXPECT_EQ(FileLinksText(doc, {U("/w/doc/a.txt")}), U("<file:doc/a.txt>"));
    EXPECT_EQ(FileLinksText(doc, {U("/wx/a.txt")}), U("<file:/wx/a.txt>"));
    EXPECT_EQ(FileLinksText(doc, {U("/w/a"), U("/w/b c"), U("/v/d")}),
              U("\r\n<file:a>\r\n<file:b c>\r\n<file:/v/d>\r\n"));
    EXPECT_EQ(FileLinkText(U("予定.wrn")), U("<file:予定.wrn>"));
}
