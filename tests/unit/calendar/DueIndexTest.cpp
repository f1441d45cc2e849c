// The due-date index follows the outline through its notifications.
#include "calendar/DueIndex.h"
#include "calendar/Julius.h"
#include "common/DateTime.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

double at(int y, int m, int d, double fraction = 0) {
    return WrenDate::fromDate(QDate(y, m, d)) + fraction;
}

int32_t day(int y, int m, int d) {
    return DateToJulius(y, m, d);
}

QStringList titles(const std::vector<TLeafNote*>& items) {
    QStringList out;
    for (const TLeafNote* i : items)
        out << QString::fromLatin1(i->Title);
    return out;
}

class DueIndexTest : public ::testing::Test {
protected:
    TLeafNote* add(const char* title, TOutlineNode* parent = nullptr, double due = 0) {
        TLeafNote* item = TLeafNote::Create(outline, InsertLastChild, parent);
        if (!parent)
            outline.moveNode(item->TreeNode, nullptr, outline.topLevelCount() - 1);
        item->SetTitle(title);
        if (due != 0)
            item->SetDate(DateDue, due);
        return item;
    }
    TOptionDesc options;
    TOutline outline{&options};
    TDueIndex index{outline};
};

} // namespace

TEST_F(DueIndexTest, ListsADaysOpenItemsInTreeOrderWhateverTheirTime) {
    TLeafNote* b = add("B", nullptr, at(2021, 5, 20, 0.75));
    TLeafNote* a = add("A", nullptr);
    outline.moveNode(a->TreeNode, nullptr, 0);
    add("A1", a->TreeNode, at(2021, 5, 20));
    add("A2", a->TreeNode, at(2021, 5, 21));
    TLeafNote* done = add("A3", a->TreeNode, at(2021, 5, 20, 0.5));
    done->SetProgress(ProgressDone);
    a->SetDate(DateDue, at(2021, 5, 20, 0.1));
    EXPECT_EQ(titles(index.ItemsDueOn(day(2021, 5, 20))), (QStringList{"A", "A1", "B"}));
    EXPECT_EQ(titles(index.ItemsDueOn(day(2021, 5, 20), false)),
              (QStringList{"A", "A1", "A3", "B"}));
    EXPECT_EQ(index.OpenCountOn(day(2021, 5, 20)), 3);
    EXPECT_EQ(index.OpenCountOn(day(2021, 5, 21)), 1);
    // Back to not started: listed again; on hold: not.
    done->SetProgress(ProgressNotStarted);
    b->SetProgress(ProgressOnHold);
    EXPECT_EQ(titles(index.ItemsDueOn(day(2021, 5, 20))), (QStringList{"A", "A1", "A3"}));
}

TEST_F(DueIndexTest, FollowsDateChangesMovesAndRemovals) {
    TLeafNote* a = add("A", nullptr, at(2015, 2, 1));
    TLeafNote* a1 = add("A1", a->TreeNode, at(2015, 2, 1));
    TLeafNote* b = add("B", nullptr);
    a1->SetDate(DateDue, at(2015, 2, 2));
    EXPECT_EQ(titles(index.ItemsDueOn(day(2015, 2, 2))), (QStringList{"A1"}));
    EXPECT_EQ(titles(index.ItemsDueOn(day(2015, 2, 1))), (QStringList{"A"}));
    a1->SetDate(DateDue, 0);
    EXPECT_TRUE(index.ItemsDueOn(day(2015, 2, 2)).empty());
    a1->SetDate(DateDue, at(2015, 2, 1));
    b->SetDate(DateDue, at(2015, 2, 1));
    outline.moveNode(b->TreeNode, nullptr, 0);
    EXPECT_EQ(titles(index.ItemsDueOn(day(2015, 2, 1))), (QStringList{"B", "A", "A1"}));
    outline.removeNode(a->TreeNode); // with its child
    EXPECT_EQ(titles(index.ItemsDueOn(day(2015, 2, 1))), (QStringList{"B"}));
    EXPECT_EQ(index.size(), 1);
}

TEST_F(DueIndexTest, ReadsItemsWhoseDatesArriveAfterTheirNodeAndAfterAReset) {
    // A pasted or loaded item gets its fields after the node is announced.
    TLeafNote* quiet = add("quiet");
    quiet->DueDate = at(2010, 3, 22);
    EXPECT_EQ(titles(index.ItemsDueOn(day(2010, 3, 22))), (QStringList{"quiet"}));
    {
        TOutlineResetScope reset(outline);
        TLeafNote* loaded = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        loaded->Title = "loaded";
        loaded->DueDate = at(2010, 3, 22);
    }
    EXPECT_EQ(titles(index.ItemsDueOn(day(2010, 3, 22))), (QStringList{"quiet", "loaded"}));
    QSignalSpy changed(&index, &TDueIndex::changed);
    quiet->SetDate(DateDue, at(2010, 3, 23));
    quiet->SetTitle("renamed"); // caption changes alone announce nothing new
    EXPECT_TRUE(QTest::qWaitFor([&] { return changed.count() > 0; }, 1000));
    QTest::qWait(20);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DueIndexTest, LeavesOutDatesNoDayNames) {
    add("huge", nullptr, 1.0e12);
    add("nan", nullptr, std::numeric_limits<double>::quiet_NaN());
    add("inf", nullptr, std::numeric_limits<double>::infinity());
    add("ok", nullptr, at(2021, 5, 20));
    EXPECT_EQ(index.size(), 1);
    int32_t d = 0;
    EXPECT_FALSE(TDueIndex::DayOf(1.0e12, d));
    EXPECT_FALSE(TDueIndex::DayOf(0, d));
    EXPECT_TRUE(TDueIndex::DayOf(at(2021, 5, 20, 0.99), d));
    EXPECT_EQ(d, day(2021, 5, 20));
}
