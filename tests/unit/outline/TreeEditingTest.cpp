// Headless rules of tree editing: filing by progress, the record of destroyed
// items, sorting a level, pastes that fail, and character counts.
#include "TestSupport.h"

#include "common/CharCount.h"
#include "file/ByteStream.h"
#include "file/OutlineFile.h"
#include "outline/DeletionRecord.h"
#include "outline/ItemFiling.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class TreeEditing : public ::testing::Test {
protected:
    TLeafNote* add(TOutlineNode* parent, const char* title) {
        TLeafNote* item =
            TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel, parent);
        item->SetTitle(Sjis(title));
        return item;
    }
    QStringList titles(const TOutlineNode* parent) const {
        QStringList out;
        for (const TOutlineNode* n : outline.childrenOf(parent))
            out << FromSjis(n->item()->Title);
        return out;
    }

    TOptionDesc settings;
    TOutline outline{&settings};
};

} // namespace

TEST_F(TreeEditing, FilingCreatesTheFolderOnceAndReusesIt) {
    TLeafNote* book = add(nullptr, "本");
    TLeafNote* a = add(book->TreeNode, "a");
    TLeafNote* b = add(book->TreeNode, "b");
    add(book->TreeNode, "c");

    a->Progress = ProgressDone;
    EXPECT_TRUE(ItemFiling::FileItem(*a));
    EXPECT_EQ(titles(book->TreeNode), (QStringList{"b", "c", "完了項目"}));
    TOutlineNode* folder = book->TreeNode->child(2);
    EXPECT_EQ(folder->item()->Progress, ProgressDone);
    EXPECT_TRUE(folder->expanded());

    b->Progress = ProgressDone;
    EXPECT_TRUE(ItemFiling::FileItem(*b));
    EXPECT_EQ(titles(book->TreeNode), (QStringList{"c", "完了項目"}));
    // The newest first.
    EXPECT_EQ(titles(folder), (QStringList{"b", "a"}));
}

TEST_F(TreeEditing, FilingFromOneFolderToItsNeighbourAndBackOut) {
    TLeafNote* book = add(nullptr, "本");
    add(book->TreeNode, "x");
    TLeafNote* proc = add(book->TreeNode, "進行中項目");
    TLeafNote* done = add(book->TreeNode, "完了項目");
    TLeafNote* a = add(proc->TreeNode, "a");

    a->Progress = ProgressDone;
    EXPECT_TRUE(ItemFiling::FileItem(*a));
    EXPECT_EQ(a->TreeNode->parent(), done->TreeNode);
    EXPECT_FALSE(proc->TreeNode->hasChildren());

    // Back to 未着手: out of the folder, to the top of the folder's level.
    a->Progress = ProgressNotStarted;
    EXPECT_TRUE(ItemFiling::FileItem(*a));
    EXPECT_EQ(titles(book->TreeNode), (QStringList{"a", "x", "進行中項目", "完了項目"}));

    // Outside a folder, 未着手 and 保留 leave it where it is.
    a->Progress = ProgressOnHold;
    EXPECT_FALSE(ItemFiling::FileItem(*a));
    EXPECT_EQ(a->TreeNode->row(), 0);
}

TEST_F(TreeEditing, FilingSearchesDownThenUpAndNeverFilesAFolder) {
    TLeafNote* above = add(nullptr, "完了項目");
    TLeafNote* x = add(nullptr, "x");
    x->Progress = ProgressDone;
    EXPECT_TRUE(ItemFiling::FileItem(*x));
    EXPECT_EQ(x->TreeNode->parent(), above->TreeNode);
    EXPECT_EQ(outline.topLevelCount(), 1);

    // A folder completed is left alone, and so is an untitled item set back.
    above->Progress = ProgressDone;
    EXPECT_FALSE(ItemFiling::FileItem(*above));
    TLeafNote* untitled = add(nullptr, "");
    EXPECT_FALSE(ItemFiling::FileItem(*untitled));
    // A folder renamed is no longer found: a new one is made.
    above->SetTitle("old");
    TLeafNote* y = add(nullptr, "y");
    y->Progress = ProgressInProgress;
    EXPECT_TRUE(ItemFiling::FileItem(*y));
    EXPECT_EQ(FromSjis(y->TreeNode->parent()->item()->Title), QStringLiteral("進行中項目"));
}

TEST_F(TreeEditing, DeletionRecordKeepsTheNewestTwentyAndRestoresNewestFirst) {
    TLeafNote* book = add(nullptr, "本");
    TDeletionRecord record;
    for (int i = 0; i < 22; ++i) {
        TLeafNote* item = add(book->TreeNode, QByteArray::number(i).constData());
        add(item->TreeNode, "child");
        record.remember(item->TreeNode);
        outline.removeNode(item->TreeNode);
    }
    EXPECT_EQ(record.count(), TDeletionRecord::Capacity);
    TLeafNote* anchor = add(nullptr, "anchor");
    TLeafNote* first = record.restore(outline, InsertAbove, anchor->TreeNode);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Title, QByteArray("21"));
    EXPECT_EQ(first->TreeNode->row() + 1, anchor->TreeNode->row());
    ASSERT_EQ(first->TreeNode->childCount(), 1);
    EXPECT_EQ(record.restore(outline, InsertAbove, anchor->TreeNode)->Title, QByteArray("20"));
    EXPECT_EQ(record.count(), 18);
    while (!record.isEmpty())
        record.restore(outline, InsertAbove, anchor->TreeNode);
    // "0" and "1" fell out of the record.
    EXPECT_EQ(outline.topLevel(1)->item()->Title, QByteArray("21"));
    EXPECT_EQ(anchor->TreeNode->prevSibling()->item()->Title, QByteArray("2"));
    EXPECT_EQ(record.restore(outline, InsertAbove, nullptr), nullptr);
}

TEST_F(TreeEditing, DeletionRecordKeepsIdsSoLinksFindTheItemAgain) {
    TLeafNote* item = add(nullptr, "linked");
    const int32_t id = item->AssignNodeId();
    TDeletionRecord record;
    record.remember(item->TreeNode);
    outline.removeNode(item->TreeNode);
    EXPECT_EQ(outline.findByNodeId(id), nullptr);
    TLeafNote* back = record.restore(outline, InsertAbove, nullptr);
    EXPECT_EQ(outline.findByNodeId(id), back->TreeNode);
}

TEST_F(TreeEditing, DamagedPasteLeavesNothingBehind) {
    TLeafNote* book = add(nullptr, "本");
    TLeafNote* a = add(book->TreeNode, "a");
    // A record that claims two children and holds one, then ends.
    const QByteArray payload =
        ByteBuilder().u8(0).u8(4).str("p").u8(11).i32(2).u8(1).u8(0).u8(4).str("q").u8(1).bytes();
    const int before = outline.count();
    for (int cut = 1; cut <= payload.size(); ++cut) {
        const OutlineFile::ReadResult r =
            OutlineFile::readItems(payload.left(cut), outline, InsertBelow, a->TreeNode, true);
        EXPECT_FALSE(r.ok) << cut;
        EXPECT_EQ(r.selected, nullptr);
        EXPECT_EQ(outline.count(), before) << cut;
    }
    EXPECT_EQ(titles(book->TreeNode), (QStringList{"a"}));
    // Without the all-or-nothing rule what was read stays, as loading wants.
    EXPECT_FALSE(OutlineFile::readItems(payload, outline, InsertBelow, a->TreeNode).ok);
    EXPECT_GT(outline.count(), before + 1);
}

TEST_F(TreeEditing, SortingALevelIsStableAndTellsViewsOnce) {
    TLeafNote* book = add(nullptr, "本");
    for (const char* t : {"b", "a", "B", "a", "c"})
        add(book->TreeNode, t);
    TOutlineNode* firstA = book->TreeNode->child(1);
    TOutlineNode* grandchildParent = book->TreeNode->child(0);
    add(grandchildParent, "z");
    add(grandchildParent, "y");
    QSignalSpy about(&outline, &TOutline::childrenAboutToBeReordered);
    QSignalSpy done(&outline, &TOutline::childrenReordered);
    outline.sortChildren(book->TreeNode, [](const TOutlineNode* x, const TOutlineNode* y) {
        return x->item()->Title < y->item()->Title;
    });
    EXPECT_EQ(titles(book->TreeNode), (QStringList{"B", "a", "a", "b", "c"}));
    EXPECT_EQ(book->TreeNode->child(1), firstA);
    EXPECT_EQ(titles(grandchildParent), (QStringList{"z", "y"})); // one level only
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(book->TreeNode->child(r)->row(), r);
    EXPECT_EQ(about.count(), 1);
    EXPECT_EQ(done.count(), 1);
    // Already in order: nothing to tell.
    outline.sortChildren(book->TreeNode, [](const TOutlineNode* x, const TOutlineNode* y) {
        return x->item()->Title < y->item()->Title;
    });
    EXPECT_EQ(done.count(), 1);
}

TEST(CharCount, CountsCharactersNotBlanksAndSheetsToOneDecimal) {
    EXPECT_EQ(CharCount::CountCharacters(Sjis("ab c\r\n\tあ　い")), 6); // full-width space counts
    EXPECT_EQ(CharCount::CountCharacters(QByteArray()), 0);
    // A lead byte at the very end counts once and reads nothing past the end.
    EXPECT_EQ(CharCount::CountCharacters(QByteArray("a\x82", 2)), 2);
    EXPECT_EQ(CharCount::CharCountText(1234, 2600),
              QStringLiteral(" 1234 文字　< 3.1 枚分 >　（ 2600 バイト ）"));
    EXPECT_EQ(CharCount::CharCountText(800, 1600),
              QStringLiteral(" 800 文字　< 2 枚分 >　（ 1600 バイト ）"));
    EXPECT_EQ(CharCount::CharCountText(0, 0),
              QStringLiteral(" 0 文字　< 0 枚分 >　（ 0 バイト ）"));
}
