// The focus tray: listings, refining, sorting, row clicks, the level listing
// and the search dialog's failures.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "calendar/CalEx.h"
#include "calendar/CalendarCommands.h"
#include "calendar/Julius.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FindForm.h"
#include "search/FocusTray.h"
#include "search/FocusTrayModel.h"
#include "search/OutputForm.h"
#include "search/PageFind.h"
#include "search/SearchCommands.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2024, 5, 15), QTime(12, 0));

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("Book")});
        book = form.Outline->topLevel(0)->item();
        search = TSearchCommands::of(form);
        ASSERT_NE(search, nullptr);
        tray = form.ListViewFocus;
        model = tray->trayModel();
        tester = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        TFormFind::Runner = [](TFormFind& f) { return f.exec(); };
    }

    TLeafNote* add(const char* title, int progress = 0, double due = 0,
                   TLeafNote* parent = nullptr) {
        TLeafNote* item =
            TLeafNote::Create(*form.Outline, InsertLastChild, (parent ? parent : book)->TreeNode);
        item->SetTitle(Sjis(title));
        item->Progress = uint8_t(progress);
        item->DueDate = due;
        return item;
    }
    double day(int offset, int hour = 0) const {
        return WrenDate::fromDateTime(QDateTime(kNow.date().addDays(offset), QTime(hour, 0)));
    }
    QStringList rows() const {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << TitleOf(model->itemAt(r));
        return out;
    }
    QString cell(int row, int column) const {
        return model->data(model->index(row, column)).toString();
    }
    // Runs the search dialog as the user would fill it.
    void searchFor(const QString& text, int scope = 0) {
        TFormFind::Runner = [text, scope](TFormFind& f) {
            f.CheckOnString->setChecked(true);
            f.CheckOnStringClick();
            f.StringBox->setEditText(text);
            (scope == 2   ? f.FindTargetTray
             : scope == 1 ? f.FindTargetLevel
                          : f.FindTargetAll)
                ->setChecked(true);
            f.Button1Click();
            return int(QDialog::Accepted);
        };
        form.Commands->trigger(QStringLiteral("ItemFind"));
    }
    void clickRow(int row, bool ctrl = false) {
        tray->selectRow(row);
        search->ListViewFocusClick(ctrl);
    }

    ScopedFixedClock clock{kNow};
    TestHome home;
    TFormMain form;
    TLeafNote* book = nullptr;
    TSearchCommands* search = nullptr;
    TFocusTray* tray = nullptr;
    TFocusTrayModel* model = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(Tray, InProgressListingIgnoresDueDatesAndSortsUndatedLast) {
    form.SetFocusTrayVisible(false);
    add("undated", 1);
    add("later", 1, day(3));
    add("sooner", 1, day(1));
    add("not started", 0, day(1));
    add("done", 2, day(1));
    form.Commands->trigger(QStringLiteral("ItemListUpProcs"));
    EXPECT_EQ(rows(), (QStringList{"sooner", "later", "undated"}));
    // A listing that finds something opens the tray.
    EXPECT_FALSE(tray->isHidden());
    EXPECT_EQ(cell(0, 1), form.Options->labelName(0));
    EXPECT_EQ(cell(0, 2), QStringLiteral("進行中"));
    // A row goes with its item.
    TLeafNote* later = model->itemAt(1);
    EXPECT_NE(later->ListItem, nullptr);
    form.Outline->removeNode(later->TreeNode);
    model->PurgeDeadRows();
    EXPECT_EQ(rows(), (QStringList{"sooner", "undated"}));
}

TEST_F(Tray, OverdueIncludesTodayButNotTomorrowNorFinishedAndDayListingIgnoresTime) {
    add("yesterday", 0, day(-1, 9));
    add("today", 1, day(0, 23));
    add("tomorrow", 0, day(1));
    add("finished", 2, day(-2));
    add("on hold", 3, day(-2));
    form.Commands->trigger(QStringLiteral("ItemListUpOutOfDate"));
    EXPECT_EQ(rows(), (QStringList{"yesterday", "today"}));
    EXPECT_EQ(cell(0, 0), QStringLiteral("2024/05/14 - yesterday"));

    search->ListUpDueOn(day(0));
    EXPECT_EQ(rows(), (QStringList{"today"}));
    EXPECT_EQ(cell(0, 0), QStringLiteral("today")); // no date in front
}

TEST_F(Tray, ADayClickInTheCalendarListsThatDaysUnfinishedItems) {
    add("due", 0, day(0, 9));
    add("done", 2, day(0));
    add("other day", 0, day(1));
    add("due too", 1, day(0));
    form.MonthlyCalendar1->SetJuliusDay(DateToJulius(2024, 5, 15));
    TCalendarCommands::of(form)->MonthlyCalendar1Click();
    EXPECT_EQ(rows(), (QStringList{"due", "due too"}));
}

TEST_F(Tray, AnEmptyResultLeavesAHiddenTrayHidden) {
    form.SetFocusTrayVisible(false);
    add("nothing due");
    form.Commands->trigger(QStringLiteral("ItemListUpUnfinished"));
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(tray->isHidden());
}

TEST_F(Tray, RefiningKeepsTheOrderAndNeverAddsRows) {
    add("b apple", 1, day(2));
    add("a apple", 1, day(1));
    add("c pear", 1, day(3));
    form.Commands->trigger(QStringLiteral("ItemListUpProcs"));
    ASSERT_EQ(rows(), (QStringList{"a apple", "b apple", "c pear"}));
    add("d apple", 1);
    searchFor(QStringLiteral("apple"), 2);
    EXPECT_EQ(rows(), (QStringList{"a apple", "b apple"}));
}

TEST_F(Tray, ColumnClicksSortAscendingDescendingAscending) {
    add("b");
    add("C");
    add("a");
    searchFor(QString(), 0);         // an empty text lists everything
    ASSERT_EQ(model->rowCount(), 5); // the book and the trash too
    search->ListViewFocusColumnClick(1);
    EXPECT_EQ(rows().mid(0, 3), (QStringList{"a", "b", "Book"}));
    EXPECT_EQ(search->SortKind, 1);
    search->ListViewFocusColumnClick(1);
    EXPECT_EQ(rows().mid(2), (QStringList{"Book", "b", "a"}));
    EXPECT_EQ(search->SortKind, 0);
    // A click on the header does the same.
    QTest::mouseClick(tray->header()->viewport(), Qt::LeftButton, {},
                      QPoint(tray->header()->sectionPosition(0) + 5, 5));
    EXPECT_EQ(rows().mid(0, 3), (QStringList{"a", "b", "Book"}));
}

TEST_F(Tray, PagesSortCaseInsensitivelyInTheCodePagesOrder) {
    // ア is 83 41 in cp932: its trail byte is an "A" that must not be folded
    // into "a", which would make it ヂ (83 61).
    const char* pages[] = {"ヂ", "ア", "B", "a"};
    for (const char* p : pages)
        add(p)->PageText = Sjis(p);
    searchFor(QString(), 0);
    search->ListViewFocusColumnClick(8);
    QStringList order;
    for (int r = 0; r < model->rowCount(); ++r)
        if (!model->itemAt(r)->PageText.isEmpty())
            order << Cp932::toUnicode(model->itemAt(r)->PageText);
    EXPECT_EQ(order, (QStringList{"a", "B", "ア", "ヂ"}));
}

TEST_F(Tray, ClicksStepThroughThePageAndThenTheTitle) {
    TLeafNote* item = add("abc title");
    item->PageText = "abc 1 abc 2 abc";
    add("other");
    searchFor(QStringLiteral("abc"));
    ASSERT_EQ(rows(), (QStringList{"abc title"}));
    auto selection = [this] {
        const QTextCursor c = form.RichEdit->textCursor();
        return std::make_pair(c.selectionStart(), c.selectionEnd());
    };
    clickRow(0);
    EXPECT_EQ(form.CurrentItem, item);
    EXPECT_EQ(selection(), std::make_pair(0, 3));
    clickRow(0);
    EXPECT_EQ(selection(), std::make_pair(6, 9));
    clickRow(0);
    EXPECT_EQ(selection(), std::make_pair(12, 15));
    EXPECT_FALSE(form.EditTitle->hasSelectedText());
    clickRow(0);
    EXPECT_EQ(form.EditTitle->selectedText(), QStringLiteral("abc"));
    EXPECT_FALSE(form.RichEdit->document()->isModified());
}

TEST_F(Tray, CtrlClickPaintsEveryOccurrenceWithoutAnEdit) {
    TLeafNote* item = add("x");
    item->PageText = "abc x ABC";
    searchFor(QStringLiteral("abc"));
    clickRow(0, true);
    QTextCursor c(form.RichEdit->document());
    for (int at : {1, 7}) {
        c.setPosition(at);
        EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0)) << at;
        EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold) << at;
    }
    c.setPosition(5);
    EXPECT_NE(c.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(form.RichEdit->document()->isModified());
    EXPECT_EQ(form.RichEdit->textCursor().selectionStart(), 0);
    EXPECT_EQ(form.RichEdit->textCursor().selectionEnd(), 3); // then the first one selected
}

TEST_F(Tray, RowsKeepTheirTextsButFollowTheImages) {
    TLeafNote* item = add("before", 1);
    form.Commands->trigger(QStringLiteral("ItemListUpProcs"));
    item->SetTitle("after");
    EXPECT_EQ(cell(0, 0), QStringLiteral("before"));
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    item->SetProgress(2);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(Tray, TheLevelListingFollowsTheCurrentItemAndBackspaceGoesUp) {
    TLeafNote* a = add("a");
    TLeafNote* a1 = add("a1", 0, 0, a);
    add("a2", 0, 0, a);
    add("b");
    form.GoToItem(a);
    form.Commands->trigger(QStringLiteral("TBListUpCurrentNodes"));
    ASSERT_TRUE(form.Commands->isChecked(QStringLiteral("TBListUpCurrentNodes")));
    EXPECT_EQ(rows(), (QStringList{"a", "b"}));
    // A double click on an item with children descends.
    tray->selectRow(0);
    search->ListViewFocusDblClick();
    EXPECT_EQ(form.CurrentItem, a1);
    EXPECT_EQ(rows(), (QStringList{"a1", "a2"}));
    search->ListViewFocusBackspace();
    EXPECT_EQ(form.CurrentItem, a);
    EXPECT_EQ(rows(), (QStringList{"a", "b"}));
    // Another listing releases the button; moving then lists nothing new.
    form.Commands->trigger(QStringLiteral("ItemListUpProcs"));
    EXPECT_FALSE(form.Commands->isChecked(QStringLiteral("TBListUpCurrentNodes")));
}

TEST_F(Tray, ANumberOfDaysThatIsNoNumberStopsWithTheMessage) {
    add("kept", 1);
    form.Commands->trigger(QStringLiteral("ItemListUpProcs"));
    TFormFind::Runner = [](TFormFind& f) {
        f.CheckOnDate->setChecked(true);
        f.CheckOnDateClick();
        f.CheckUseMaxDays->setChecked(true);
        f.CheckUseMaxDaysClick();
        EXPECT_TRUE(f.EditMaxDays->isEnabled());
        f.EditMaxDays->setText(QStringLiteral("七"));
        return int(QDialog::Accepted);
    };
    const int boxes = MessageBox::count();
    form.Commands->trigger(QStringLiteral("ItemFind"));
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("'七' は整数ではありません"));
    EXPECT_EQ(rows(), (QStringList{"kept"}));
}

TEST_F(Tray, TheDialogKeepsItsHistoryAndEnablesByItsSwitches) {
    searchFor(QStringLiteral("one"));
    searchFor(QStringLiteral("two"));
    searchFor(QStringLiteral("one"));
    TFormFind* f = search->FindForm();
    ASSERT_EQ(f->StringBox->count(), 2);
    EXPECT_EQ(f->StringBox->itemText(0), QStringLiteral("one"));
    f->CheckOnLabel->setChecked(false);
    f->CheckOnLabelClick();
    EXPECT_FALSE(f->CheckLabels[3]->isEnabled());
    f->CheckOnDate->setChecked(false);
    f->CheckOnDateClick();
    EXPECT_FALSE(f->KeyDatePicker->isEnabled());
    EXPECT_FALSE(f->EditMaxDays->isEnabled());
    EXPECT_TRUE(f->CheckHasLimitDate->isEnabled());
    // A long phrase is searched like any other.
    searchFor(QString(10000, QLatin1Char('x')));
    EXPECT_EQ(model->rowCount(), 0);
}

// Types text into the search box key by key and ends it with Enter, as a
// user does (the history's drop-down must not change what was typed).
void typeSearch(TFormMain& form, const QString& text, bool ignoreCase) {
    TFormFind::Runner = [text, ignoreCase](TFormFind& f) {
        f.show();
        f.CheckOnString->setChecked(true);
        f.CheckOnStringClick();
        f.CheckIgnoreCase->setChecked(ignoreCase);
        f.StringBox->lineEdit()->clear();
        QTest::keyClicks(f.StringBox->lineEdit(), text);
        QTest::keyClick(f.StringBox->lineEdit(), Qt::Key_Return);
        return f.result();
    };
    form.Commands->trigger(QStringLiteral("ItemFind"));
}

TEST_F(Tray, TheSearchBoxSearchesWhatWasTypedNeverAnOlderEntry) {
    add("brownfox");
    add("brown bear");
    add("abc");
    add("ABC");
    typeSearch(form, QStringLiteral("brownfox"), true);
    EXPECT_EQ(rows(), (QStringList{"brownfox"}));
    // A prefix of an older entry is not completed to that entry.
    typeSearch(form, QStringLiteral("brown"), true);
    EXPECT_EQ(rows(), (QStringList{"brownfox", "brown bear"}));
    // Nor is a text swapped for an entry that differs only in case.
    typeSearch(form, QStringLiteral("abc"), false);
    EXPECT_EQ(rows(), (QStringList{"abc"}));
    typeSearch(form, QStringLiteral("ABC"), false);
    EXPECT_EQ(rows(), (QStringList{"ABC"}));
    TFormFind* f = search->FindForm();
    ASSERT_EQ(f->StringBox->count(), 4);
    EXPECT_EQ(f->StringBox->itemText(0), QStringLiteral("ABC"));
    EXPECT_EQ(f->StringBox->itemText(1), QStringLiteral("abc"));
    EXPECT_EQ(f->StringBox->itemText(2), QStringLiteral("brown"));
}

TEST_F(Tray, TheSpecifiedDateStartsAtTodayAndKeepsTheLastValue) {
    TFormFind::Runner = [](TFormFind& f) {
        EXPECT_EQ(f.KeyDatePicker->date(), kNow.date());
        f.KeyDatePicker->setDate(QDate(2023, 1, 2));
        return int(QDialog::Rejected);
    };
    form.Commands->trigger(QStringLiteral("ItemFind"));
    // Another day later in the same run: the value chosen stays.
    clock.clock().advanceSeconds(3 * 86400);
    QDate seen;
    TFormFind::Runner = [&seen](TFormFind& f) {
        seen = f.KeyDatePicker->date();
        return int(QDialog::Rejected);
    };
    form.Commands->trigger(QStringLiteral("ItemFind"));
    EXPECT_EQ(seen, QDate(2023, 1, 2));
}

TEST_F(Tray, TheLastColumnKeepsTheWidthTheUserGaveIt) {
    form.Options->ColumnCount = 3;
    form.Options->Columns[1].Kind = 2;
    form.Options->Columns[2].Kind = 6;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(tray->columnCount(), 3);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("期日"));
    tray->header()->resizeSection(2, 90);
    form.CaptureSettings();
    EXPECT_EQ(form.Options->Columns[2].Width, 90);
    EXPECT_EQ(form.Options->Columns[0].Width, 200);
}

TEST_F(Tray, TheStartUpListingListsTheUnfinishedItems) {
    add("due", 0, day(5));
    add("in progress", 1);
    form.Options->CheckOutOfDate = true;
    TDocumentCommands::of(form)->FirstIdle();
    EXPECT_EQ(rows(), (QStringList{"due"}));
    EXPECT_EQ(cell(0, 0), QStringLiteral("2024/05/20 - due"));
    form.Options->CheckOutOfDate = false;
    form.Options->ShowProcs = true;
    TDocumentCommands::of(form)->FirstIdle();
    EXPECT_EQ(rows(), (QStringList{"in progress"}));
}

TEST(Dialogs, CarryATitleAndACloseBoxButNoMinimiseOrMaximise) {
    TFormFind find;
    TFormOutput output;
    TFindReplaceDialog replace(true, nullptr);
    const std::unique_ptr<QMessageBox> box = MessageBox::create(
        QMessageBox::Question, nullptr, QStringLiteral("WrenNOTE"), QStringLiteral("?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    for (QWidget* w : std::initializer_list<QWidget*>{&find, &output, &replace, box.get()}) {
        SCOPED_TRACE(w->metaObject()->className());
        const Qt::WindowFlags f = w->windowFlags();
        EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_TRUE(f & Qt::CustomizeWindowHint); // only the hints asked for below
        EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    }
}

TEST_F(Tray, DateColumnsFitAWholeDateInTheTraysFontAndRowImagesKeepTheirSize) {
    form.Options->ColumnCount = 3;
    form.Options->Columns[1].Kind = 6;
    form.Options->Columns[2].Kind = 4;
    QFont big = tray->font();
    big.setPointSize(24);
    tray->setFont(big);
    tray->RebuildColumns(*form.Options);
    const QFontMetrics fm(tray->font());
    for (int column : {1, 2})
        EXPECT_GT(tray->columnWidth(column), fm.horizontalAdvance(QStringLiteral("2026/12/31")))
            << column;
    EXPECT_EQ(tray->iconSize(), QSize(34, 16));
}

TEST_F(Tray, AFontWithoutJapaneseIsFollowedByOneWithIt) {
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    ASSERT_FALSE(japanese.isEmpty()) << "no Japanese font (scripts/deps.sh build installs one)";
    tray->setFont(QFont(QStringLiteral("DejaVu Sans")));
    if (QFontDatabase::writingSystems(tray->font().family()).contains(QFontDatabase::Japanese))
        GTEST_SKIP() << "the Latin font was matched by a Japanese one";
    // Every row then takes kana and kanji from one family, whatever the
    // script of the text beside them.
    ASSERT_EQ(tray->font().families().size(), 2);
    EXPECT_TRUE(japanese.contains(tray->font().families().at(1)));
}
