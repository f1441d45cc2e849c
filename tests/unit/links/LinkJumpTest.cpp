#include "links/LinkJump.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace LinkJump;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// 資料 (id 3) > 企画書 (no id); 企画書 (id 12); trash > 企画書 (id 20).
class Jumps : public ::testing::Test {
protected:
    Jumps() : outline(&settings) {
        docs = add(nullptr, "資料", 3);
        firstPlan = add(docs, "企画書", 0);
        secondPlan = add(nullptr, "企画書", 12);
        TLeafNote* trash = TLeafNote::CreateTrash(outline);
        trashed = add(trash->TreeNode, "捨てた", 20);
    }

    TOutlineNode* add(TOutlineNode* parent, const char* title, int32_t id) {
        TLeafNote* item = TLeafNote::Create(
            outline, parent ? int(InsertLastChild) : int(InsertBottomOfLevel), parent);
        item->SetTitle(Sjis(title));
        item->NodeId = id;
        return item->TreeNode;
    }

    TOptionDesc settings;
    TOutline outline;
    TOutlineNode* docs = nullptr;
    TOutlineNode* firstPlan = nullptr;
    TOutlineNode* secondPlan = nullptr;
    TOutlineNode* trashed = nullptr;
};

} // namespace

TEST_F(Jumps, ByIdThenByTitleInTreeOrder) {
    EXPECT_EQ(JumpToNode(outline, U("企画書;12")).Node, secondPlan);
    // No item 99: the first titled 企画書 in tree order.
    EXPECT_EQ(JumpToNode(outline, U("企画書;99")).Node, firstPlan);
    EXPECT_EQ(JumpToNode(outline, U("企画書")).Node, firstPlan);
    EXPECT_EQ(JumpToNode(outline, U("企画書;0")).Node, firstPlan);
    // The id wins over a title naming another item.
    EXPECT_EQ(JumpToNode(outline, U("資料;12")).Node, secondPlan);
    // The trash is searched too.
    EXPECT_EQ(JumpToNode(outline, U("x;20")).Node, trashed);
}

TEST_F(Jumps, TitlesMatchExactly) {
    add(nullptr, "Plan;2024", 0);
    EXPECT_EQ(JumpToNode(outline, U("企画")).Node, nullptr);
    EXPECT_EQ(JumpToNode(outline, U("企画書 ")).Node, nullptr);
    EXPECT_NE(JumpToNode(outline, U("Plan;2024;0")).Node, nullptr);
    EXPECT_EQ(JumpToNode(outline, U("plan;2024;0")).Node, nullptr);
    // A title with a character beyond cp932 matches no stored "?".
    add(nullptr, "?", 0);
    EXPECT_EQ(JumpToNode(outline, U("é")).Node, nullptr);
    EXPECT_NE(JumpToNode(outline, U("?")).Node, nullptr);
}

TEST_F(Jumps, MissingTargetAndBadNumber) {
    const TNodeJump none = JumpToNode(outline, U("無い;77"));
    EXPECT_EQ(none.Node, nullptr);
    EXPECT_TRUE(none.Error.isEmpty());
    const TNodeJump bad = JumpToNode(outline, U("企画書;"));
    EXPECT_EQ(bad.Node, nullptr);
    EXPECT_FALSE(bad.Error.isEmpty());
    EXPECT_EQ(JumpToNode(outline, U("企画書;99999999999")).Node, nullptr);
}

TEST_F(Jumps, LineLinks) {
    TLineJump j = JumpToLine(outline, U("目次/node:資料;3"));
    EXPECT_TRUE(j.Go);
    EXPECT_EQ(j.Node, docs);
    EXPECT_EQ(j.LineText, U("目次"));

    j = JumpToLine(outline, U("目次/node:資料;999"));
    EXPECT_EQ(j.Node, docs);

    // Without "/node:": the page on show.
    j = JumpToLine(outline, U("目次"));
    EXPECT_TRUE(j.Go);
    EXPECT_EQ(j.Node, nullptr);

    // A named item that does not exist leads nowhere.
    j = JumpToLine(outline, U("目次/node:無い"));
    EXPECT_FALSE(j.Go);
    j = JumpToLine(outline, U("目次/node:資料;"));
    EXPECT_FALSE(j.Go);
    EXPECT_FALSE(j.Error.isEmpty());
}

TEST(FindLineStart, BeginningOfALineFirstWins) {
    const QString page = U("前書き\r\n目次です\r\n 目次\r\n目次\n");
    TLineHit hit = FindLineStart(page, U("目次"));
    EXPECT_EQ(hit.Start, 5);
    EXPECT_EQ(hit.Length, 2);
    EXPECT_EQ(FindLineStart(page, U("前書")).Start, 0);
    EXPECT_EQ(FindLineStart(page, QString()).Start, 0);
    EXPECT_FALSE(FindLineStart(page, U("書き")).found());
    EXPECT_FALSE(FindLineStart(page, U("目次ですか")).found());
    EXPECT_FALSE(FindLineStart(QString(), U("a")).found());
    // Editor text separates paragraphs with U+2029.
    const QString editor = U("a") + QChar(QChar::ParagraphSeparator) + U("b");
    EXPECT_EQ(FindLineStart(editor, U("b")).Start, 2);
    EXPECT_EQ(FindLineStart(U("a\nb"), U("b")).Start, 2);
}

TEST(FindLineStart, Cp932Bytes) {
    const QByteArray page = Sjis("前書き\r\n目次です\r\n");
    const TLineHit hit = FindLineStart(page, Sjis("目次"));
    EXPECT_EQ(hit.Start, 8);
    EXPECT_EQ(hit.Length, 4);
    EXPECT_FALSE(FindLineStart(page, Sjis("次")).found());
}
