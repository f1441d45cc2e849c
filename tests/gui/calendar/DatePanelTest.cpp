// The date panel: the current item's four dates, edited in place.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "calendar/DateAccessPanel.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DatePanel : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        form.Options->DateAuto = false;
        form.SetDatePanelVisible(true);
        form.resize(800, 600);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        panel = form.PanelAccessDate;
        a = form.Outline->topLevel(0)->item();
        b = form.Outline->topLevel(1)->item();
        form.GoToItem(a);
    }
    void clickLabel(int i) {
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->FieldRect(i, true).center());
    }
    void clickDate(int i) {
        QTest::mouseClick(panel, Qt::LeftButton, {}, panel->FieldRect(i, false).center());
    }
    QString shown(int i) {
        return QAccessible::queryAccessibleInterface(panel)->child(2 * i + 1)->text(
            QAccessible::Name);
    }

    ScopedFixedClock clock{QDateTime(QDate(2024, 5, 17), QTime(9, 30, 0))};
    TFormMain form;
    TDateAccessPanel* panel = nullptr;
    TLeafNote* a = nullptr;
    TLeafNote* b = nullptr;
};

} // namespace

TEST_F(DatePanel, LabelClicksToggleTheDatesAndTheItemIsStampedModified) {
    const double today = Clock::today();
    a->DueDate = 0;
    clickLabel(2);
    EXPECT_EQ(a->DueDate, today);
    EXPECT_TRUE(form.DateChanged);
    EXPECT_EQ(shown(2), "2024/05/17");
    clickLabel(2);
    EXPECT_EQ(a->DueDate, 0);
    EXPECT_EQ(shown(2), "----/--/--");
    a->CreatedDate = 100;
    clickLabel(0);
    EXPECT_EQ(a->CreatedDate, today);
    clickLabel(0); // created and modified only ever become today
    EXPECT_EQ(a->CreatedDate, today);
    a->ModifiedDate = 5;
    form.GoToItem(b); // StorePage stamps the item it leaves
    EXPECT_EQ(a->ModifiedDate, Clock::now());
    EXPECT_FALSE(form.DateChanged);
}

TEST_F(DatePanel, FollowsTheCurrentItemAndShowsWhatNoDayNamesAsEmpty) {
    b->DueDate = WrenDate::fromDate(QDate(2021, 5, 20)) + 0.25;
    b->FinishDate = 1.0e12; // beyond any calendar
    form.GoToItem(b);
    EXPECT_EQ(shown(2), "2021/05/20");
    EXPECT_EQ(shown(3), "----/--/--");
    EXPECT_FALSE(form.DateChanged);
    // Another command sets a date of the item shown: the panel follows.
    b->SetDate(DateDue, WrenDate::fromDate(QDate(2021, 5, 21)));
    EXPECT_EQ(shown(2), "2021/05/21");
    // DateAuto: shown exactly while a due or finish date is set.
    form.Options->DateAuto = true;
    form.GoToItem(a);
    EXPECT_TRUE(panel->isHidden());
    form.GoToItem(b);
    EXPECT_FALSE(panel->isHidden());
    // Nothing current: nothing to edit.
    form.Outline->removeNode(b->TreeNode);
    EXPECT_FALSE(panel->isEnabled());
}

TEST_F(DatePanel, PickerSetsTheDayAndItsUntickedBoxClearsTheFinishDate) {
    clickDate(2);
    QFrame* picker = panel->DatePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(panel->PickerCheck()->isVisible());
    EXPECT_EQ(panel->PickerDate()->date(), QDate(2024, 5, 17)); // today for no date
    panel->PickerDate()->setDate(QDate(2021, 5, 20));
    QTest::keyClick(panel->PickerDate(), Qt::Key_Return);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(a->DueDate, WrenDate::fromDate(QDate(2021, 5, 20)));

    a->SetDate(DateFinished, WrenDate::fromDate(QDate(2021, 5, 22)) + 0.5);
    clickDate(3);
    EXPECT_EQ(panel->PickerDate()->date(), QDate(2021, 5, 22));
    EXPECT_TRUE(panel->PickerCheck()->isChecked());
    panel->PickerCheck()->setChecked(false);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(a->FinishDate, 0);

    // Created has no box; leaving the picker for another control commits it.
    clickDate(0);
    EXPECT_FALSE(panel->PickerCheck()->isVisible());
    panel->PickerDate()->setDate(QDate(2020, 1, 2));
    form.EditTitle->setFocus();
    EXPECT_TRUE(WaitFor([&] { return !picker->isVisible(); }));
    EXPECT_EQ(a->CreatedDate, WrenDate::fromDate(QDate(2020, 1, 2)));
}

TEST_F(DatePanel, AnOpenPickerStaysInsideItsOwnFieldWhateverTheFont) {
    for (const int size : {9, 16, 24}) {
        QFont f = panel->font();
        f.setPointSize(size);
        panel->setFont(f);
        panel->setFixedHeight(QFontMetrics(f).height() + 4);
        form.resize(panel->sizeHint().width() + 800, 600);
        QApplication::processEvents();
        ASSERT_GE(panel->width(), panel->sizeHint().width());
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(size * 10 + i);
            clickDate(i);
            QFrame* picker = panel->DatePicker();
            ASSERT_TRUE(picker && picker->isVisible());
            const QRect field(
                panel->mapTo(picker->parentWidget(), panel->FieldRect(i, true).topLeft()),
                QSize(panel->FieldWidth(), panel->height()));
            EXPECT_GE(picker->geometry().left(), field.left());
            EXPECT_LE(picker->geometry().right(), field.right());
            // The field's own label stays in sight.
            EXPECT_GE(picker->geometry().left(), field.left() + panel->DateLeft() - 1);
            panel->CancelDatePicker();
        }
    }
}
