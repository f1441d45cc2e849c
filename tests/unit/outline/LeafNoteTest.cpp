#include "outline/LeafNote.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2024, 5, 7), QTime(9, 5, 3));

class LeafNoteTest : public ::testing::Test {
protected:
    ScopedFixedClock clock{kNow};
    TOptionDesc settings;
    TOutline outline{&settings};

    TLeafNote* book() { return TLeafNote::Create(outline, InsertBottomOfLevel, nullptr); }
    static QString title(const TLeafNote* item) { return Cp932::toUnicode(item->Title); }
};

} // namespace

TEST_F(LeafNoteTest, CreatePlacesAndTitlesByCode) {
    TLeafNote* r = book();
    TLeafNote* other = book();
    struct Case {
        int code;
        TOutlineNode* parent;
        int row;
        const char* title;
    };
    // Relative to r, a top-level item at row 0 (other at row 1).
    const Case cases[] = {
        {InsertTopOfLevel, nullptr, 0, "新しいブック"},
        {InsertBottomOfLevel, nullptr, -1, "新しいブック"},
        {InsertBelow, nullptr, -2, "新しいブック"},
        {InsertAbove, nullptr, -3, "新しいブック"},
        {InsertFirstChild, r->TreeNode, 0, "新しい項目"},
        {InsertLastChild, r->TreeNode, -1, "新しい項目"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const int rRowBefore = r->TreeNode->row();
        TLeafNote* item = TLeafNote::Create(outline, c.code, r->TreeNode);
        EXPECT_EQ(item->TreeNode->parent(), c.parent);
        EXPECT_EQ(title(item), QString::fromUtf8(c.title));
        EXPECT_EQ(item->NodeId, 0);
        EXPECT_EQ(item->CreatedDate, WrenDate::fromDateTime(kNow));
        const auto& level = outline.childrenOf(c.parent);
        if (c.row >= 0)
            EXPECT_EQ(item->TreeNode->row(), c.row);
        else if (c.row == -1)
            EXPECT_EQ(item->TreeNode->row(), int(level.size()) - 1);
        else if (c.row == -2)
            EXPECT_EQ(item->TreeNode->row(), r->TreeNode->row() + 1);
        else
            EXPECT_EQ(item->TreeNode->row(), rRowBefore);
    }
    EXPECT_EQ(other->TreeNode->parent(), nullptr);
}

TEST_F(LeafNoteTest, CreateWithoutReferenceUsesTopOrBottom) {
    book();
    TLeafNote* first = TLeafNote::Create(outline, InsertTopOfLevel, nullptr);
    TLeafNote* last = TLeafNote::Create(outline, InsertFirstChild, nullptr);
    EXPECT_EQ(first->TreeNode->row(), 0);
    EXPECT_EQ(last->TreeNode->row(), 2);
    EXPECT_TRUE(last->TreeNode->isTopLevel());
    EXPECT_EQ(title(last), QStringLiteral("新しいブック"));
}

TEST_F(LeafNoteTest, NestedReferenceGivesItemTitleAtEveryCode) {
    TLeafNote* r = TLeafNote::Create(outline, InsertLastChild, book()->TreeNode);
    for (int code = 0; code <= 5; ++code)
        EXPECT_EQ(title(TLeafNote::Create(outline, code, r->TreeNode)),
                  QStringLiteral("新しい項目"));
}

TEST_F(LeafNoteTest, DamagedPositionCodeStillCreatesTheItem) {
    TLeafNote* r = book();
    TLeafNote* item = TLeafNote::Create(outline, 9, r->TreeNode);
    EXPECT_EQ(item->TreeNode->row(), 1);
    EXPECT_EQ(outline.count(), 2);
}

TEST_F(LeafNoteTest, TrashIsCreatedOnce) {
    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    EXPECT_EQ(trash->NodeId, -1);
    EXPECT_EQ(title(trash), QStringLiteral("ごみ箱"));
    EXPECT_TRUE(trash->IsInTrash());
    TLeafNote* second = TLeafNote::CreateTrash(outline);
    EXPECT_EQ(second->NodeId, 0);
    EXPECT_EQ(title(second), QStringLiteral("新しいブック"));
    EXPECT_EQ(outline.trashNode(), trash->TreeNode);
}

TEST_F(LeafNoteTest, IconRule) {
    const double today = WrenDate::fromDate(kNow.date());
    TLeafNote* top = book();
    TLeafNote* child = TLeafNote::Create(outline, InsertLastChild, top->TreeNode);
    EXPECT_EQ(top->IconIndex(today), 0);
    outline.setExpanded(top->TreeNode, true);
    EXPECT_EQ(top->IconIndex(today), 1);
    EXPECT_EQ(child->IconIndex(today), 4);
    TLeafNote::Create(outline, InsertLastChild, child->TreeNode);
    EXPECT_EQ(child->IconIndex(today), 2);
    outline.setExpanded(child->TreeNode, true);
    EXPECT_EQ(child->IconIndex(today), 3);

    // Due today at any time of day is due; tomorrow is not yet.
    child->SetDueDate(today + 0.99);
    EXPECT_EQ(child->IconIndex(today), 7);
    EXPECT_TRUE(child->IsBold());
    child->SetDueDate(today + 1);
    EXPECT_EQ(child->IconIndex(today), 6);
    child->SetDueDate(today - 3);
    child->SetProgress(ProgressInProgress);
    EXPECT_EQ(child->IconIndex(today), 7);
    EXPECT_EQ(child->OverlayIndex(), 0);
    child->SetProgress(ProgressOnHold);
    EXPECT_EQ(child->IconIndex(today), 3);
    EXPECT_TRUE(child->IsBold());
    child->SetProgress(ProgressDone);
    EXPECT_FALSE(child->IsBold());
    EXPECT_EQ(child->OverlayIndex(), 1);
    child->SetProgress(ProgressNotStarted);
    EXPECT_EQ(child->OverlayIndex(), -1);

    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    EXPECT_EQ(trash->IconIndex(today), 11);
    TLeafNote::Create(outline, InsertLastChild, trash->TreeNode);
    EXPECT_EQ(trash->IconIndex(today), 12);
}

TEST_F(LeafNoteTest, CaptionModes) {
    TLeafNote* item = book();
    item->Title = Sjis("買い物");
    item->CreatedDate = WrenDate::fromDate(QDate(2024, 1, 2)) + 0.5;
    item->ModifiedDate = WrenDate::fromDate(QDate(2024, 3, 4));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(0)), QStringLiteral("買い物"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(1)), QStringLiteral("2024/01/02 - 買い物"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(2)), QStringLiteral("2024/03/04 - 買い物"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(3)), QStringLiteral("買い物")); // no due date
    item->DueDate = WrenDate::fromDate(QDate(2025, 12, 31));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(3)), QStringLiteral("2025/12/31 - 買い物"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(7)), QStringLiteral("買い物 - 2025/12/31"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(8)), QStringLiteral("買い物"));
    EXPECT_EQ(Cp932::toUnicode(item->Caption(5)), QStringLiteral("買い物 - 2024/01/02"));
}

TEST_F(LeafNoteTest, SetDateRefreshesCaptionOnlyForTheShownDate) {
    TLeafNote* item = book();
    QSignalSpy changed(&outline, &TOutline::nodeChanged);
    settings.ItemView = 0;
    item->SetDate(DateModified, 1.0);
    EXPECT_EQ(changed.count(), 0);
    item->SetDate(DateFinished, 1.0); // mode 0 counts as the finish date
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(1).toInt(), int(TOutline::CaptionChanged));
    changed.clear();
    settings.ItemView = 7; // due date
    item->SetDate(DateDue, 2.0);
    EXPECT_EQ(changed.count(), 2); // icon and caption
}

TEST_F(LeafNoteTest, DeleteMovesIntoTrashThenDestroysWithConfirmation) {
    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    TLeafNote* a = book();
    TLeafNote* a1 = TLeafNote::Create(outline, InsertLastChild, a->TreeNode);
    TLeafNote* a2 = TLeafNote::Create(outline, InsertLastChild, a->TreeNode);
    outline.setExpanded(a->TreeNode, true);
    outline.setSelectedNode(a2->TreeNode);
    outline.setExpanded(trash->TreeNode, false);

    int asked = 0;
    EXPECT_EQ(a2->Delete([&](const QString&) { return ++asked, true; }), TLeafNote::MovedToTrash);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(a2->TreeNode->parent(), trash->TreeNode);
    EXPECT_FALSE(trash->TreeNode->expanded());
    EXPECT_TRUE(a2->IsInTrash());
    // The last visible sibling left: the previous visible node takes the selection.
    EXPECT_EQ(outline.selectedNode(), a1->TreeNode);

    QString question;
    EXPECT_EQ(a2->Delete([&](const QString& q) { return question = q, false; }),
              TLeafNote::Cancelled);
    EXPECT_EQ(question, QStringLiteral("\"新しい項目\"を削除しますか?"));
    EXPECT_EQ(outline.count(), 4);
    EXPECT_EQ(a2->Delete([](const QString&) { return true; }), TLeafNote::Destroyed);
    EXPECT_EQ(outline.count(), 3);
    EXPECT_FALSE(trash->TreeNode->hasChildren());

    settings.ConfirmDel = false;
    a1->Delete(nullptr);
    EXPECT_EQ(a1->TreeNode->parent(), trash->TreeNode);
    EXPECT_EQ(a1->Delete(nullptr), TLeafNote::Destroyed);
    EXPECT_EQ(trash->Delete(nullptr), TLeafNote::NothingDone);
    EXPECT_EQ(outline.count(), 2);
}

TEST_F(LeafNoteTest, DeletingAnExpandedSelectedBranchSelectsOutsideIt) {
    TLeafNote::CreateTrash(outline);
    TLeafNote* a = book();
    TLeafNote::Create(outline, InsertLastChild, a->TreeNode);
    TLeafNote* b = TLeafNote::Create(outline, InsertBelow, a->TreeNode);
    outline.setExpanded(a->TreeNode, true);
    outline.setSelectedNode(a->TreeNode);
    a->Delete(nullptr);
    EXPECT_EQ(outline.selectedNode(), b->TreeNode);
}

TEST_F(LeafNoteTest, DeleteWithoutTrashMakesOne) {
    TLeafNote* a = book();
    a->Delete(nullptr);
    ASSERT_NE(outline.trashNode(), nullptr);
    EXPECT_EQ(a->TreeNode->parent(), outline.trashNode());
}

TEST_F(LeafNoteTest, MovesAtTheEdgesDoNothing) {
    TLeafNote* a = book();
    TLeafNote* b = book();
    TLeafNote* c = book();
    b->MoveDown();
    EXPECT_EQ(b->TreeNode->row(), 2);
    b->MoveDown();
    EXPECT_EQ(b->TreeNode->row(), 2);
    a->MoveUp();
    EXPECT_EQ(a->TreeNode->row(), 0);
    c->MoveUp();
    EXPECT_EQ(c->TreeNode->row(), 0);
    EXPECT_FALSE(c->CanIndent());
    a->Indent();
    EXPECT_EQ(a->TreeNode->parent(), c->TreeNode);
    EXPECT_FALSE(c->CanOutdent());
    c->Outdent();
    EXPECT_TRUE(c->TreeNode->isTopLevel());
    a->Outdent();
    EXPECT_TRUE(a->TreeNode->isTopLevel());
    EXPECT_EQ(a->TreeNode->row(), 1); // just after its old parent
    EXPECT_EQ(b->TreeNode->row(), 2);
}

TEST_F(LeafNoteTest, AssignNodeIdOnlyOnce) {
    settings.NextNodeId = 5;
    TLeafNote* a = book();
    EXPECT_EQ(a->AssignNodeId(), 5);
    EXPECT_EQ(a->AssignNodeId(), 5);
    EXPECT_EQ(settings.NextNodeId, 6);
    EXPECT_EQ(TLeafNote::CreateTrash(outline)->AssignNodeId(), -1);
    EXPECT_EQ(settings.NextNodeId, 6);
}

TEST_F(LeafNoteTest, LazyPageExpandsOnceAndClearDropsTheCopy) {
    TLeafNote* a = book();
    const QByteArray rtf("{\\rtf1\\ansi hello}");
    a->PageCompressed = PageZip::compress(rtf);
    a->PageCompressedValid = true;
    EXPECT_TRUE(a->PageRich.isEmpty());
    EXPECT_EQ(a->GetPage(), rtf);
    EXPECT_TRUE(a->PageExpanded);
    a->ClearPage();
    EXPECT_FALSE(a->PageCompressedValid);
    EXPECT_TRUE(a->PageCompressed.isEmpty());
    EXPECT_TRUE(a->GetPage().isEmpty());
}

TEST_F(LeafNoteTest, DamagedCompressedPageFailsWhenNeeded) {
    TLeafNote* a = book();
    QByteArray z = PageZip::compress(QByteArray(5000, 'x'));
    for (const QByteArray& bad : {QByteArray("not zlib at all"), z.left(z.size() / 2)}) {
        a->PageCompressed = bad;
        a->PageCompressedValid = true;
        a->PageExpanded = false;
        EXPECT_THROW(a->GetPage(), EReadError);
    }
}

TEST_F(LeafNoteTest, ListRowIsToldWhenTheItemGoes) {
    struct Row : TListRow {
        int destroyed = 0, changed = 0;
        void itemDestroyed() override { ++destroyed; }
        void itemChanged(int) override { ++changed; }
    } row;
    TLeafNote* a = book();
    a->SetListItem(&row);
    a->SetProgress(ProgressDone);
    EXPECT_EQ(row.changed, 1);
    outline.removeNode(a->TreeNode);
    EXPECT_EQ(row.destroyed, 1);
}

TEST_F(LeafNoteTest, DefaultTitles) {
    TLeafNote* a = book();
    EXPECT_TRUE(a->HasDefaultTitle());
    a->SetTitle(Sjis("新しい項目"));
    EXPECT_TRUE(a->HasDefaultTitle());
    a->SetTitle(Sjis("新しい項目 "));
    EXPECT_FALSE(a->HasDefaultTitle());
}

TEST(PageZip, LimitIsExactAndRefusesLargerPages) {
    const QByteArray page(100000, 'x');
    const QByteArray z = PageZip::compress(page);
    EXPECT_EQ(PageZip::decompress(z, page.size()), page);
    EXPECT_THROW(PageZip::decompress(z, page.size() - 1), EReadError);
    const QByteArray big(5 << 20, 'y');
    EXPECT_EQ(PageZip::decompress(PageZip::compress(big), 6 << 20).size(), big.size());
}

TEST_F(LeafNoteTest, CompressedPageTextThatExpandsBeyondReasonIsAReadError) {
    const QByteArray bomb = PageZip::compress(QByteArray((64 << 20) + 1, 'a'));
    ByteBuilder record;
    record.u8(0).u8(19).str(bomb).u8(1);
    TLeafNote* item = book();
    TByteReader in(record.bytes());
    TOutlineNode* selected = nullptr;
    EXPECT_THROW(item->ReadFromStream(in, selected), EReadError);
    EXPECT_TRUE(item->PageText.isEmpty());
}

// At exit the items are left as they are: nothing is destroyed, not even
// when the outline itself goes, and the outline is usable and empty.
TEST_F(LeafNoteTest, AbandonedItemsAreNeverDestroyed) {
    struct Row : TListRow {
        int destroyed = 0;
        void itemDestroyed() override { ++destroyed; }
        void itemChanged(int) override {}
    };
    static Row row; // outlives the abandoned item
    {
        TOptionDesc own;
        TOutline tree(&own);
        TLeafNote* a = TLeafNote::Create(tree, InsertBottomOfLevel, nullptr);
        TLeafNote::Create(tree, InsertLastChild, a->TreeNode)->SetListItem(&row);
        TLeafNote::CreateTrash(tree);
        ASSERT_NE(own.TrashNode, nullptr);
        tree.abandonForExit();
        EXPECT_EQ(tree.count(), 0);
        EXPECT_EQ(tree.topLevelCount(), 0);
        EXPECT_EQ(tree.trashNode(), nullptr);
        EXPECT_EQ(own.TrashNode, nullptr);
        TLeafNote::Create(tree, InsertBottomOfLevel, nullptr);
        EXPECT_EQ(tree.count(), 1);
    }
    EXPECT_EQ(row.destroyed, 0);
}
