#include "outline/Outline.h"
#include "common/Clock.h"
#include "outline/LeafNote.h"
#include "settings/OptionDesc.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

struct Fixture {
    TOptionDesc settings;
    TOutline outline{&settings};

    TOutlineNode* add(TOutlineNode* parent) {
        return outline.insertNew(parent, int(outline.childrenOf(parent).size()));
    }
};

std::vector<int> rowsOf(const TOutline& o, const TOutlineNode* parent) {
    std::vector<int> rows;
    for (const TOutlineNode* n : o.childrenOf(parent))
        rows.push_back(n->row());
    return rows;
}

} // namespace

TEST(Outline, InsertKeepsRowsAndParents) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* b = f.outline.insertNew(nullptr, 0);
    TOutlineNode* c = f.outline.insertNew(nullptr, 1);
    EXPECT_EQ(f.outline.topLevel(0), b);
    EXPECT_EQ(f.outline.topLevel(1), c);
    EXPECT_EQ(f.outline.topLevel(2), a);
    EXPECT_EQ(rowsOf(f.outline, nullptr), (std::vector<int>{0, 1, 2}));
    TOutlineNode* child = f.add(a);
    EXPECT_EQ(child->parent(), a);
    EXPECT_TRUE(a->isTopLevel());
    EXPECT_EQ(child->level(), 1);
    EXPECT_EQ(f.outline.count(), 4);
    EXPECT_EQ(f.outline.depth(), 2);
    EXPECT_EQ(child->item()->TreeNode, child);
}

TEST(Outline, MoveRenumbersBothLevelsAndRefusesOwnSubtree) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* b = f.add(nullptr);
    TOutlineNode* c = f.add(nullptr);
    TOutlineNode* a1 = f.add(a);
    EXPECT_FALSE(f.outline.moveNode(a, a1, 0));
    EXPECT_FALSE(f.outline.moveNode(a, a, 0));
    ASSERT_TRUE(f.outline.moveNode(a, nullptr, 2));
    EXPECT_EQ(f.outline.topLevel(2), a);
    EXPECT_EQ(rowsOf(f.outline, nullptr), (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(f.outline.moveNode(b, a1, 0));
    EXPECT_EQ(b->parent(), a1);
    EXPECT_EQ(f.outline.topLevel(0), c);
    EXPECT_EQ(c->row(), 0);
    EXPECT_EQ(a->row(), 1);
    EXPECT_EQ(f.outline.count(), 4);
}

TEST(Outline, SignalsBracketEveryChange) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* b = f.add(nullptr);
    QSignalSpy aboutInsert(&f.outline, &TOutline::nodeAboutToBeInserted);
    QSignalSpy inserted(&f.outline, &TOutline::nodeInserted);
    QSignalSpy aboutMove(&f.outline, &TOutline::nodeAboutToBeMoved);
    QSignalSpy moved(&f.outline, &TOutline::nodeMoved);
    QSignalSpy aboutRemove(&f.outline, &TOutline::nodeAboutToBeRemoved);
    QSignalSpy removed(&f.outline, &TOutline::nodeRemoved);

    TOutlineNode* a1 = f.add(a);
    ASSERT_EQ(aboutInsert.count(), 1);
    EXPECT_EQ(aboutInsert.at(0).at(0).value<TOutlineNode*>(), a);
    EXPECT_EQ(aboutInsert.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.count(), 1);

    f.outline.moveNode(a1, b, 0);
    ASSERT_EQ(aboutMove.count(), 1);
    EXPECT_EQ(aboutMove.at(0).at(1).value<TOutlineNode*>(), b);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(1).value<TOutlineNode*>(), a);
    EXPECT_EQ(moved.at(0).at(2).toInt(), 0);

    f.outline.removeNode(b);
    EXPECT_EQ(aboutRemove.count(), 1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(0).value<TOutlineNode*>(), nullptr);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(f.outline.count(), 1);
}

TEST(Outline, ResetSuppressesStepSignals) {
    Fixture f;
    QSignalSpy inserted(&f.outline, &TOutline::nodeInserted);
    QSignalSpy reset(&f.outline, &TOutline::resetDone);
    f.outline.beginReset();
    f.add(f.add(nullptr));
    f.outline.endReset();
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(reset.count(), 1);
}

TEST(Outline, RemovingSelectionAndTrashForgetsThem) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* a1 = f.add(a);
    TLeafNote* trash = TLeafNote::CreateTrash(f.outline);
    f.outline.setSelectedNode(a1);
    f.outline.removeNode(a);
    EXPECT_EQ(f.outline.selectedNode(), nullptr);
    EXPECT_EQ(f.outline.trashNode(), trash->TreeNode);
    f.outline.removeNode(trash->TreeNode);
    EXPECT_EQ(f.outline.trashNode(), nullptr);
    EXPECT_EQ(f.settings.TrashNode, nullptr);
}

TEST(Outline, VisibleOrderFollowsExpansion) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* a1 = f.add(a);
    TOutlineNode* a2 = f.add(a);
    TOutlineNode* b = f.add(nullptr);
    EXPECT_EQ(f.outline.nextVisible(a), b);
    f.outline.setExpanded(a, true);
    EXPECT_EQ(f.outline.nextVisible(a), a1);
    EXPECT_EQ(f.outline.nextVisible(a2), b);
    EXPECT_EQ(f.outline.prevVisible(b), a2);
    EXPECT_EQ(f.outline.prevVisible(a1), a);
    EXPECT_EQ(f.outline.nextVisible(b), nullptr);
    EXPECT_TRUE(a2->isVisible());
    f.outline.setExpanded(a, false);
    EXPECT_FALSE(a2->isVisible());
}

TEST(Outline, VeryDeepOutlineIsWalkedAndFreedWithoutRecursion) {
    Fixture f;
    TOutlineNode* n = f.add(nullptr);
    for (int i = 0; i < 300000; ++i)
        n = f.add(n);
    EXPECT_EQ(f.outline.depth(), 300001);
    EXPECT_EQ(f.outline.findByNodeId(77), nullptr);
    f.outline.removeNode(f.outline.topLevel(0));
    EXPECT_EQ(f.outline.count(), 0);
}

TEST(Outline, ItemsOfOneBulkLoadShareTheLoadMoment) {
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 7), QTime(9, 0)));
    Fixture f;
    f.outline.beginReset();
    TOutlineNode* a = f.add(nullptr);
    clock.clock().advanceSeconds(3600);
    TOutlineNode* b = f.add(nullptr);
    f.outline.endReset();
    EXPECT_EQ(a->item()->CreatedDate, b->item()->CreatedDate);
    TOutlineNode* c = f.add(nullptr);
    EXPECT_NEAR(c->item()->CreatedDate - a->item()->CreatedDate, 1.0 / 24, 1e-9);
}

TEST(Outline, SelectionMadeWhileFollowingARemovalStands) {
    Fixture f;
    TOutlineNode* a = f.add(nullptr);
    TOutlineNode* b = f.add(nullptr);
    f.outline.setSelectedNode(a);
    // As a view does: it moves its current row to the neighbour once the row is gone.
    QObject::connect(&f.outline, &TOutline::nodeRemoved,
                     [&](TOutlineNode*, int) { f.outline.setSelectedNode(b); });
    QSignalSpy changed(&f.outline, &TOutline::selectionChanged);
    f.outline.removeNode(a);
    EXPECT_EQ(f.outline.selectedNode(), b);
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).value<TOutlineNode*>(), b);
}
