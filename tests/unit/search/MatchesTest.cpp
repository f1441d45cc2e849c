#include "search/FindDesc.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Fixed "now": 2024-05-07 15:30, a Tuesday.
const QDateTime kNow(QDate(2024, 5, 7), QTime(15, 30));

class Matches : public ::testing::Test {
protected:
    Matches() : clock(kNow), outline(&settings) {
        item = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        item->SetTitle(Sjis("買い物リスト"));
        item->PageText = Sjis("牛乳\r\nbread and butter\r\n");
    }

    static double Day(int y, int m, int d, int h = 0, int min = 0) {
        return WrenDate::fromDateTime(QDateTime(QDate(y, m, d), QTime(h, min)));
    }
    double today() const { return Day(2024, 5, 7); }

    ScopedFixedClock clock;
    TOptionDesc settings;
    TOutline outline;
    TLeafNote* item = nullptr;
    TFindDesc f;
};

} // namespace

TEST_F(Matches, NoConditionMatchesEverything) {
    EXPECT_TRUE(f.Matches(*item));
}

TEST_F(Matches, ProgressAndLabelAreIndices) {
    f.SetProgressCondition(false, true, false, true);
    item->Progress = 0;
    EXPECT_FALSE(f.Matches(*item));
    item->Progress = 3;
    EXPECT_TRUE(f.Matches(*item));
    item->Progress = 9; // damaged value: no entry, no match
    EXPECT_FALSE(f.Matches(*item));
    item->Progress = 1;

    f.SetLabelCondition({false, false, false, true, false, false, false, false});
    item->LabelIndex = 3;
    EXPECT_TRUE(f.Matches(*item));
    item->LabelIndex = 2;
    EXPECT_FALSE(f.Matches(*item));
    item->LabelIndex = 8;
    EXPECT_FALSE(f.Matches(*item));
    item->LabelIndex = -1;
    EXPECT_FALSE(f.Matches(*item));
}

TEST_F(Matches, RequiredDates) {
    f.SetHasDueDate();
    EXPECT_FALSE(f.Matches(*item));
    item->DueDate = today();
    EXPECT_TRUE(f.Matches(*item));
    f.SetHasFinishDate();
    EXPECT_FALSE(f.Matches(*item));
    item->FinishDate = today() - 1;
    EXPECT_TRUE(f.Matches(*item));
}

TEST_F(Matches, DueOnOrBeforeToday) {
    f.SetDateCondition(DateDue, true, false, true, 0, 0);
    item->DueDate = 0;
    EXPECT_FALSE(f.Matches(*item));
    item->DueDate = Day(2020, 1, 1);
    EXPECT_TRUE(f.Matches(*item));
    item->DueDate = Day(2024, 5, 7, 23, 59);
    EXPECT_TRUE(f.Matches(*item)) << "today, any time of day";
    item->DueDate = Day(2024, 5, 8);
    EXPECT_FALSE(f.Matches(*item));
}

TEST_F(Matches, BeforeWithinMaxDays) {
    f.SetDateCondition(DateDue, true, false, false, 7, 0);
    item->DueDate = Day(2024, 4, 30);
    EXPECT_TRUE(f.Matches(*item)) << "exactly 7 days ago at midnight";
    item->DueDate = Day(2024, 4, 29, 23, 0);
    EXPECT_FALSE(f.Matches(*item));
    item->DueDate = Day(2024, 4, 29);
    EXPECT_FALSE(f.Matches(*item));
    item->DueDate = Day(2024, 5, 7, 10, 0);
    EXPECT_FALSE(f.Matches(*item)) << "today is not before today's midnight";
}

TEST_F(Matches, AfterComparesTheTimeOfDay) {
    f.SetDateCondition(DateCreated, false, true, false, 0, 0);
    item->CreatedDate = Day(2024, 5, 7, 10, 0);
    EXPECT_TRUE(f.Matches(*item));
    item->CreatedDate = Day(2024, 5, 7);
    EXPECT_FALSE(f.Matches(*item));

    f.SetDateCondition(DateModified, false, true, false, 2, Day(2024, 1, 10));
    item->ModifiedDate = Day(2024, 1, 12);
    EXPECT_TRUE(f.Matches(*item));
    item->ModifiedDate = Day(2024, 1, 12, 0, 1);
    EXPECT_FALSE(f.Matches(*item));
}

TEST_F(Matches, OnTheDayUsesWholeDays) {
    f.SetDateCondition(DateFinished, false, false, true, 0, Day(2024, 2, 29, 18, 0));
    item->FinishDate = Day(2024, 2, 29, 1, 0);
    EXPECT_TRUE(f.Matches(*item));
    item->FinishDate = Day(2024, 3, 1);
    EXPECT_FALSE(f.Matches(*item));
    item->FinishDate = 0;
    EXPECT_FALSE(f.Matches(*item));
}

TEST_F(Matches, UnknownDateTypeOrNoAcceptanceFails) {
    f.SetDateCondition(4, true, true, true, 0, 0);
    EXPECT_FALSE(f.Matches(*item));
    f.SetDateCondition(DateCreated, false, false, false, 0, 0);
    EXPECT_FALSE(f.Matches(*item));
}

TEST_F(Matches, TextInTitleOrPage) {
    f.SetStringCondition(Sjis("リスト"), false, true, true, true);
    EXPECT_TRUE(f.Matches(*item));
    f.SetStringCondition("BREAD", false, false, true, true);
    EXPECT_TRUE(f.Matches(*item));
    f.SetStringCondition("BREAD", false, false, true, false);
    EXPECT_FALSE(f.Matches(*item));
    f.SetStringCondition(Sjis("乳bread"), false, false, true, false);
    EXPECT_TRUE(f.Matches(*item)) << "across the line break";
    f.SetStringCondition(Sjis("リスト"), false, false, true, true);
    EXPECT_FALSE(f.Matches(*item)) << "title not searched";
    f.SetStringCondition("bread", false, false, false, true);
    EXPECT_FALSE(f.Matches(*item)) << "neither title nor page";
    // The working strings do not outlive the test.
    EXPECT_TRUE(f.SearchText.isEmpty());
}

TEST_F(Matches, EarlierTestsDecideFirst) {
    f.SetStringCondition("bread", false, false, true, false);
    f.SetHasDueDate();
    EXPECT_FALSE(f.Matches(*item));
    item->DueDate = today();
    EXPECT_TRUE(f.Matches(*item));
    f.Reset();
    f.SetProgressCondition(false, false, false, false);
    EXPECT_FALSE(f.Matches(*item));
}
