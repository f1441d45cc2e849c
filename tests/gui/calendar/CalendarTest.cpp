// The month calendar in the window, as a user and a screen reader meet it.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "calendar/CalEx.h"
#include "calendar/CalendarCommands.h"
#include "calendar/DayLists.h"
#include "common/Clock.h"
#include "common/DateFormat.h"
#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"

#include <QAccessible>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

double at(int y, int m, int d) {
    return WrenDate::fromDate(QDate(y, m, d));
}

class Calendar : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        form.SetCalendarVisible(true);
        form.resize(800, 600);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        cal = form.MonthlyCalendar1;
        cmd = TCalendarCommands::of(form);
        cmd->ListDueItems = [this](double day, const std::vector<TLeafNote*>& items) {
            listedDay = day;
            listed.clear();
            for (TLeafNote* i : items)
                listed << TitleOf(i);
            ++listings;
        };
        form.GoToItem(form.Outline->topLevel(0)->item());
    }
    void TearDown() override { cmd->ListDueItems = nullptr; }

    void show(int y, int m, int d) { cal->SetJuliusDay(DateToJulius(y, m, d)); }
    QPoint centreOf(int column, int row) { return cal->CellRect(column, row).center(); }
    // The cell a point lands in, through the control's own hit test.
    int32_t dayAt(const QPoint& p) {
        int column = -1, row = -1;
        int32_t day = 0;
        EXPECT_TRUE(cal->CellAt(p, column, row));
        EXPECT_TRUE(cal->CellDay(column, row, day));
        return day;
    }
    // Share of the cell's pixels in a strongly red colour.
    int redPixels(int32_t day) {
        const QImage img = cal->grab().toImage();
        const qreal dpr = img.devicePixelRatio();
        for (int r = 1; r < cal->RowCount(); ++r)
            for (int k = 0; k < 7; ++k) {
                int32_t d = 0;
                if (cal->CellDay(k, r, d) && d == day) {
                    const QRect c = cal->CellRect(k, r);
                    int n = 0;
                    for (int y = int(c.top() * dpr); y < int((c.bottom() + 1) * dpr); ++y)
                        for (int x = int(c.left() * dpr); x < int((c.right() + 1) * dpr); ++x) {
                            const QColor px = img.pixelColor(x, y);
                            n += px.red() > 180 && px.green() < 110 && px.blue() < 110;
                        }
                    return n;
                }
            }
        return -1;
    }

    TFormMain form;
    TMonthlyCalendar* cal = nullptr;
    TCalendarCommands* cmd = nullptr;
    double listedDay = 0;
    QStringList listed;
    int listings = 0;
};

} // namespace

TEST_F(Calendar, May2021CellByCellThroughTheHitTestAndTheAccessibleTable) {
    show(2021, 5, 20);
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("MonthCaption"))->text(), "2021 - 5");
    ASSERT_EQ(cal->RowCount(), 7); // header and six weeks: the 1st is a Saturday
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(cal);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    ASSERT_EQ(table->childCount(), 7 * 7);
    EXPECT_EQ(table->child(0)->text(QAccessible::Name), "日");
    const int32_t first = DateToJulius(2021, 4, 25);
    int selected = 0;
    for (int r = 1; r < 7; ++r)
        for (int k = 0; k < 7; ++k) {
            const int32_t expected = first + 7 * (r - 1) + k;
            EXPECT_EQ(dayAt(centreOf(k, r)), expected) << r << "," << k;
            QAccessibleInterface* cell = table->child(7 * r + k);
            EXPECT_EQ(cell->text(QAccessible::Name), QString::number(JuliusToDate(expected).Day));
            EXPECT_EQ(cell->rect().center(), cal->mapToGlobal(centreOf(k, r)));
            if (cell->state().selected) {
                ++selected;
                EXPECT_EQ(expected, DateToJulius(2021, 5, 20));
            }
        }
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(dayAt(centreOf(1, 6)), DateToJulius(2021, 5, 31));
    // Golden week and the Sundays in the holiday colour; a Thursday not.
    for (int d : {2, 3, 4, 5})
        EXPECT_GT(redPixels(DateToJulius(2021, 5, d)), 4) << d;
    EXPECT_EQ(redPixels(DateToJulius(2021, 5, 6)), 0);
}

TEST_F(Calendar, February2015RowsFollowTheRowOptions) {
    show(2015, 2, 10);
    EXPECT_EQ(cal->RowCount(), 5); // four full weeks, the 1st in the first cell
    EXPECT_EQ(dayAt(centreOf(0, 1)), DateToJulius(2015, 2, 1));
    cal->FirstRowFirstDay = false;
    cal->LastRowLastDay = false;
    cal->update();
    EXPECT_EQ(cal->RowCount(), 7);
    EXPECT_EQ(dayAt(centreOf(0, 1)), DateToJulius(2015, 1, 25));
    EXPECT_EQ(dayAt(centreOf(6, 6)), DateToJulius(2015, 3, 7));
    cal->SetMainWindowStyle();
}

TEST_F(Calendar, SubstituteHolidayIsPaintedInTheHolidayFont) {
    show(2010, 3, 1);
    EXPECT_EQ(cal->GetDayFont(2010, 3, 22), TCalExFont::Holiday);
    EXPECT_EQ(cal->GetDayNames(2010, 3, 22), QStringList{"振替休日"});
    EXPECT_GT(redPixels(DateToJulius(2010, 3, 22)), 4);
    EXPECT_EQ(redPixels(DateToJulius(2010, 3, 23)), 0);
}

TEST_F(Calendar, ClickInTheLastPixelsSelectsTheCellDrawnThere) {
    show(2021, 5, 20);
    const QPoint corner(cal->width() - 1, cal->height() - 1);
    const int32_t drawn = dayAt(corner);
    EXPECT_EQ(drawn, DateToJulius(2021, 6, 5));
    QTest::mouseClick(cal, Qt::LeftButton, {}, corner);
    EXPECT_EQ(cal->JuliusDay(), drawn); // a neighbour's day: the calendar jumps
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("MonthCaption"))->text(), "2021 - 6");
    // The header row selects nothing.
    QTest::mouseClick(cal, Qt::LeftButton, {}, QPoint(cal->width() - 1, 1));
    EXPECT_EQ(cal->JuliusDay(), drawn);
}

TEST_F(Calendar, DayClickListsTheOpenItemsDueThatDay) {
    TOutlineNode* b = form.Outline->topLevel(1);
    TLeafNote::Create(*form.Outline, InsertLastChild, b)->SetTitle("due");
    b->child(0)->item()->SetDate(DateDue, at(2021, 5, 20) + 0.5);
    TLeafNote* done = TLeafNote::Create(*form.Outline, InsertLastChild, b);
    done->SetDate(DateDue, at(2021, 5, 20));
    done->SetProgress(ProgressDone);
    form.Outline->topLevel(0)->item()->SetDate(DateDue, at(2021, 5, 20));
    show(2021, 5, 1);
    QTest::mouseClick(cal, Qt::LeftButton, {}, centreOf(4, 4)); // Thursday the 20th
    EXPECT_EQ(listings, 1);
    EXPECT_EQ(listedDay, at(2021, 5, 20));
    EXPECT_EQ(listed, (QStringList{"A", "due"}));
    QTest::keyClick(cal, Qt::Key_Right); // arrows list as well
    EXPECT_EQ(listings, 2);
    EXPECT_TRUE(listed.isEmpty());
    // The day's mark and its reading.
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(cal)->child(7 * 4 + 4);
    EXPECT_TRUE(cell->text(QAccessible::Description).contains("期日の項目 2 件"));
}

TEST_F(Calendar, DoubleClickCreatesAnItemDueThatDayAndStartsRenamingIt) {
    TLeafNote* a = form.Outline->topLevel(0)->item();
    show(2021, 5, 1);
    QTest::mouseDClick(cal, Qt::LeftButton, {}, centreOf(4, 4));
    TLeafNote* item = form.CurrentItem;
    ASSERT_NE(item, a);
    EXPECT_EQ(item->TreeNode->row(), a->TreeNode->row() + 1); // just below
    EXPECT_EQ(item->DueDate, at(2021, 5, 20));
    EXPECT_EQ(TitleOf(item),
              FormatWrenDate(Cp932::toUnicode(form.Options->DateFormat), at(2021, 5, 20)));
    EXPECT_TRUE(form.ExplorerView->isEditing());
    EXPECT_EQ(listed, QStringList{TitleOf(item)});
    // Enter on the calendar does the same.
    cal->setFocus();
    QTest::keyClick(cal, Qt::Key_Return);
    EXPECT_NE(form.CurrentItem, item);
    EXPECT_EQ(form.CurrentItem->DueDate, at(2021, 5, 20));
}

TEST_F(Calendar, MonthBarStepsMonthsAndShrinksToAClock) {
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 17), QTime(9, 30, 0)));
    auto button = [this](const char* name) {
        return form.PanelMonth->findChild<QToolButton*>(QString::fromLatin1(name));
    };
    QLabel* caption = form.findChild<QLabel*>(QStringLiteral("MonthCaption"));
    show(2021, 1, 31);
    QTest::mouseClick(button("IBNextMonth"), Qt::LeftButton);
    EXPECT_EQ(cal->JuliusDay(), DateToJulius(2021, 2, 28));
    QTest::mouseClick(button("IBPrevMonth"), Qt::LeftButton);
    EXPECT_EQ(caption->text(), "2021 - 1");
    QTest::mouseClick(button("IBToday"), Qt::LeftButton);
    EXPECT_EQ(caption->text(), "2024 - 5");
    for (const char* name : {"IBPrevMonth", "IBToday", "IBNextMonth", "IBMinCalendar"})
        EXPECT_GE(button(name)->width(), button(name)->sizeHint().width()) << name;

    QTest::mouseClick(button("IBMinCalendar"), Qt::LeftButton);
    EXPECT_TRUE(cal->isHidden());
    QToolButton* clockButton = button("CFBMaxCalendar");
    EXPECT_TRUE(clockButton->isVisible());
    EXPECT_TRUE(WaitFor([&] { return clockButton->width() >= form.PanelMonth->width() - 4; }));
    const QString format = Cp932::toUnicode(form.Options->DateViewFormat);
    EXPECT_EQ(clockButton->text(), FormatWrenDate(format, Clock::now()));
    EXPECT_TRUE(cmd->Timer1()->isActive());
    clock.clock().advanceSeconds(1);
    EXPECT_TRUE(
        WaitFor([&] { return clockButton->text() == FormatWrenDate(format, Clock::now()); }, 2500));
    show(2021, 1, 1);
    QTest::mouseClick(clockButton, Qt::LeftButton);
    EXPECT_TRUE(cal->isVisible());
    EXPECT_FALSE(cmd->Timer1()->isActive());
    EXPECT_EQ(cal->JuliusDay(), DateToJulius(2024, 5, 17)); // back on today
}

TEST_F(Calendar, MalformedHolidayLinesAreSkippedAndToldOnce) {
    form.SetStatusVisible(true);
    QFile list(DayLists::HolidayFile());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    list.write("5,3,a\nbad line\n5,x,b\n");
    list.close();
    cmd->LoadDayLists();
    EXPECT_TRUE(
        WaitFor([&] { return form.statusPanel(0)->text().contains("Holiday.txt の 2, 3 行目"); }));
    EXPECT_EQ(cal->HolidayList(), QStringList{"5,3,a"});
    form.ShowStatusMessage(QString());
    cal->update();
    QTest::qWait(50);
    EXPECT_TRUE(form.statusPanel(0)->text().isEmpty());
    QFile::remove(DayLists::HolidayFile()); // the shipped list again next time
    cmd->LoadDayLists();
}
