#include "GuiSupport.h"
#include "TestSupport.h"

#include "common/DateTime.h"
#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/DefaultsStore.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"

#include "search/FocusTray.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

void showNormal(TFormMain& form, int width, int height) {
    form.Options->FormState = 0;
    form.Options->FormLeft = 10;
    form.Options->FormTop = 20;
    form.Options->FormWidth = width;
    form.Options->FormHeight = height;
}

} // namespace

TEST(Layout, TreePaneIsCutToThreeQuartersOfTheWindow) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 1000, 600);
    form.Options->TreeWidth = 900;
    form.ApplySettings();
    EXPECT_EQ(form.Options->TreeWidth, 750);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(WaitFor([&] { return form.PanelLeft->width() == 750; }));
    form.CaptureSettings();
    EXPECT_EQ(form.Options->TreeWidth, 750);
    EXPECT_EQ(form.Options->FormWidth, 1000);
    EXPECT_EQ(form.Options->FormState, 0);
}

TEST(Layout, CaptureAndApplyRoundTrip) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 900, 700);
    TOptionDesc& o = *form.Options;
    o.TreeWidth = 300;
    o.StatusVisible = false;
    o.LinkPanelVisible = true;
    o.DatePanelVisible = true;
    o.ShowRuler = true;
    o.ShowCalendar = true;
    o.ListViewVisible = true;
    o.ListViewHeight = 80;
    o.WordWrap = false;
    o.TreeVisible = true;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.statusBar()->isHidden());
    EXPECT_FALSE(form.LinkBox->isHidden());
    EXPECT_FALSE(form.PanelAccessDate->isHidden());
    EXPECT_FALSE(form.KesRuler->isHidden());
    EXPECT_FALSE(form.PanelCalendar->isHidden());
    EXPECT_FALSE(form.ListViewFocus->isHidden());
    EXPECT_EQ(form.RichEdit->lineWrapMode(), QTextEdit::NoWrap);

    // Reset what the window should give back, then take it from the window.
    TOptionDesc fresh;
    o.TreeWidth = fresh.TreeWidth;
    o.StatusVisible = true;
    o.LinkPanelVisible = o.DatePanelVisible = o.ShowRuler = o.ShowCalendar = false;
    o.ListViewVisible = false;
    o.WordWrap = true;
    form.CaptureSettings();
    EXPECT_EQ(o.TreeWidth, 300);
    EXPECT_FALSE(o.StatusVisible);
    EXPECT_TRUE(o.LinkPanelVisible);
    EXPECT_TRUE(o.DatePanelVisible);
    EXPECT_TRUE(o.ShowRuler);
    EXPECT_TRUE(o.ShowCalendar);
    EXPECT_TRUE(o.ListViewVisible);
    EXPECT_EQ(o.ListViewHeight, 80);
    EXPECT_FALSE(o.WordWrap);
    EXPECT_FALSE(o.SplitVertical);
    EXPECT_EQ(o.FormWidth, 900);
    EXPECT_EQ(o.FormHeight, 700);
}

TEST(Layout, SplitDirectionFlipsBothSplitters) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 800, 800);
    form.Options->TreeHeight = 700;
    form.Options->SplitVertical = true;
    form.ApplySettings();
    EXPECT_EQ(form.Options->TreeHeight, 600);
    EXPECT_EQ(form.Splitter->orientation(), Qt::Vertical);
    EXPECT_EQ(form.Splitter2->orientation(), Qt::Horizontal);
    form.Commands->trigger(QStringLiteral("ItemChangeSplit"));
    EXPECT_EQ(form.Splitter->orientation(), Qt::Horizontal);
    EXPECT_EQ(form.Splitter2->orientation(), Qt::Vertical);
    form.CaptureSettings();
    EXPECT_FALSE(form.Options->SplitVertical);
}

TEST(Layout, ViewCommandsToggleAndTheMenuShowsIt) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    form.ApplySettings();
    TCommandTable& t = *form.Commands;
    struct Toggle {
        const char* command;
        const char* entry;
        QWidget* widget;
    } toggles[] = {
        {"ItemShowExView", "ItemShowExView", form.PanelLeft},
        {"TBShowCalendar", "ItemShowCalendar", form.PanelCalendar},
        {"TBShowFocusTray", "ItemShowFocusTray", form.ListViewFocus},
        {"ItemShowTitlePanel", "ItemShowTitlePanel", form.PanelTitle},
        {"TBShowDate", "ItemShowDatePanel", form.PanelAccessDate},
        {"ItemShowRuler", "ItemShowRuler", form.KesRuler},
        {"TBShowLinkPanel", "ItemShowLinkPanel", form.LinkBox},
        {"ItemShowStatusBar", "ItemShowStatusBar", form.statusBar()},
    };
    for (const Toggle& tg : toggles) {
        SCOPED_TRACE(tg.command);
        const bool was = !tg.widget->isHidden();
        t.trigger(QString::fromLatin1(tg.command));
        EXPECT_EQ(!tg.widget->isHidden(), !was);
        t.trigger(QStringLiteral("MenuView"));
        EXPECT_EQ(t.isChecked(QString::fromLatin1(tg.entry)), !was);
        t.trigger(QString::fromLatin1(tg.command));
        EXPECT_EQ(!tg.widget->isHidden(), was);
    }
    // Toolbars by tag.
    const char* bars[6] = {"TBRStandard", "TBRMakeNode", "TBRMoveNode",
                           "TBRStyle",    "TBRFind",     "TBRView"};
    const char* entries[6] = {"ItemShowTBRStandard", "ItemShowTBRMakeNode", "ItemShowTBRMoveNode",
                              "ItemShowTBRStyle",    "ItemShowTBRFind",     "ItemShowTBRView"};
    for (int i = 0; i < 6; ++i) {
        QToolBar* bar = t.toolBar(QString::fromLatin1(bars[i]));
        ASSERT_FALSE(bar->isHidden());
        t.trigger(QString::fromLatin1(entries[i]));
        EXPECT_TRUE(bar->isHidden()) << bars[i];
        t.trigger(QStringLiteral("MenuView"));
        EXPECT_FALSE(t.isChecked(QString::fromLatin1(entries[i])));
    }
    // Word wrap is shown in the Edit menu.
    t.trigger(QStringLiteral("ItemWordWrap"));
    t.trigger(QStringLiteral("MenuEdit"));
    EXPECT_EQ(t.isChecked(QStringLiteral("ItemWordWrap")),
              form.RichEdit->lineWrapMode() != QTextEdit::NoWrap);
}

TEST(Layout, TheTitlePanelGoesBackOnTopOfThePageArea) {
    TestHome home;
    TFormMain form;
    form.SetDatePanelVisible(true);
    form.SetRulerVisible(true);
    form.SetTitlePanelVisible(false);
    form.SetTitlePanelVisible(true);
    QLayout* l = form.PanelAccess->layout();
    EXPECT_EQ(l->indexOf(form.PanelTitle), 0);
    EXPECT_LT(l->indexOf(form.PanelAccessDate), l->indexOf(form.KesRuler));
    EXPECT_LT(l->indexOf(form.KesRuler), l->indexOf(form.RichEdit));
}

TEST(Layout, CaptionModesRenameEveryItem) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    TLeafNote* a = form.Outline->topLevel(0)->item();
    a->CreatedDate = WrenDate::fromDate(QDate(2024, 5, 7));
    a->DueDate = 0;
    const QModelIndex i = form.TreeModel->indexFromNode(a->TreeNode);
    form.Commands->trigger(QStringLiteral("ItemCreateTitle"));
    EXPECT_EQ(form.Options->ItemView, 1);
    EXPECT_EQ(i.data().toString(), QStringLiteral("2024/05/07 - A"));
    form.Commands->trigger(QStringLiteral("ItemTitleCreate"));
    EXPECT_EQ(i.data().toString(), QStringLiteral("A - 2024/05/07"));
    form.Commands->trigger(QStringLiteral("ItemLimitTitle"));
    EXPECT_EQ(i.data().toString(), QStringLiteral("A"));
    form.Commands->trigger(QStringLiteral("MenuView"));
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("ItemLimitTitle")));
    EXPECT_FALSE(form.Commands->isChecked(QStringLiteral("ItemTitle")));
    // Titles are edited in place only in the title-only form.
    EXPECT_FALSE(form.TreeModel->flags(i) & Qt::ItemIsEditable);
    form.Commands->trigger(QStringLiteral("ItemTitle"));
    EXPECT_TRUE(form.TreeModel->flags(i) & Qt::ItemIsEditable);
}

TEST(Layout, ToolbarPositionsPersistInTheSettingsStore) {
    TestHome home;
    {
        TFormMain form;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.Commands->toolBar(QStringLiteral("TBRView"))->hide();
    }
    {
        QSettings store(DefaultsStorePath(), QSettings::IniFormat);
        EXPECT_EQ(store.value(QStringLiteral("TBRView/Rev")).toString(), QStringLiteral("2"));
        EXPECT_EQ(store.value(QStringLiteral("TBRView/Visible")).toString(), QStringLiteral("0"));
        EXPECT_EQ(store.value(QStringLiteral("TBRStyle/Visible")).toString(), QStringLiteral("1"));
        EXPECT_EQ(store.value(QStringLiteral("TBRStyle/DockedTo")).toString(),
                  QStringLiteral("DockTop"));
        for (const char* key : {"DockRow", "DockPos", "FloatLeft", "FloatTop"})
            EXPECT_TRUE(store.contains(QStringLiteral("TBRStyle/") + QLatin1String(key))) << key;
        // A section of another revision is ignored.
        store.setValue(QStringLiteral("TBRFind/Rev"), QStringLiteral("1"));
        store.setValue(QStringLiteral("TBRFind/Visible"), QStringLiteral("0"));
        // Rows are kept: the style bar alone on a second row.
        store.setValue(QStringLiteral("TBRStyle/DockRow"), QStringLiteral("1"));
        store.setValue(QStringLiteral("TBRStyle/DockPos"), QStringLiteral("0"));
        store.sync();
    }
    TFormMain again;
    EXPECT_TRUE(again.Commands->toolBar(QStringLiteral("TBRView"))->isHidden());
    EXPECT_FALSE(again.Commands->toolBar(QStringLiteral("TBRFind"))->isHidden());
    EXPECT_TRUE(again.toolBarBreak(again.Commands->toolBar(QStringLiteral("TBRStyle"))));
}

TEST(Layout, SettingsCommandsGoThroughTheStore) {
    TestHome home;
    TFormMain form;
    showNormal(form, 700, 500);
    form.Options->TreeWidth = 222;
    form.Options->ShowCalendar = true;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(WaitFor([&] { return form.PanelLeft->width() == 222; }));
    form.Commands->trigger(QStringLiteral("N44"));
    form.Options->ShowCalendar = false;
    form.SetCalendarVisible(false);
    form.Commands->trigger(QStringLiteral("N47"));
    EXPECT_TRUE(form.Options->ShowCalendar);
    EXPECT_FALSE(form.PanelCalendar->isHidden());
    EXPECT_EQ(form.Options->TreeWidth, 222);
}

TEST(Layout, PanesWithoutASizeOfTheirOwnKeepTheStoredOne) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 900, 700);
    TOptionDesc& o = *form.Options;
    o.TreeWidth = 300;
    o.ListViewVisible = true;
    o.ListViewHeight = 80;
    o.ShowCalendar = true;
    o.CalendarHeight = 120;
    form.ApplySettings();
    // A window kept in the tray from the start was never laid out.
    form.CaptureSettings();
    EXPECT_EQ(o.TreeWidth, 300);
    EXPECT_EQ(o.ListViewHeight, 80);
    EXPECT_EQ(o.CalendarHeight, 120);

    // Hidden panes: their sizes come back when they are shown again.
    o.TreeVisible = false;
    o.ListViewVisible = false;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.CaptureSettings();
    EXPECT_FALSE(o.TreeVisible);
    EXPECT_EQ(o.TreeWidth, 300);
    EXPECT_EQ(o.ListViewHeight, 80);
    form.Commands->trigger(QStringLiteral("ItemChangeSplit"));
    form.Commands->trigger(QStringLiteral("ItemChangeSplit"));
    EXPECT_EQ(o.TreeWidth, 300);
    form.Commands->trigger(QStringLiteral("ItemShowExView"));
    EXPECT_TRUE(WaitFor([&] { return form.PanelLeft->width() == 300; }));
}

TEST(Layout, TheManualIsTheFirstManualFileOfTheProgramFolder) {
    TestHome home;
    TFormMain form;
    const int before = MessageBox::count();
    form.Commands->trigger(QStringLiteral("ItemOpenManual"));
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("マニュアルが見つかりませんでした。"));

    for (const char* name : {"Manual_b.wrn", "Manual_a.wrn", "Guide.wrn", "Manual_c.txt"}) {
        QFile f(home.file(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList opened;
    const auto saved = TDocumentCommands::StartInstance;
    TDocumentCommands::StartInstance = [&opened](const QStringList& args) {
        opened << args;
        return true;
    };
    const int boxes = MessageBox::count();
    form.Commands->trigger(QStringLiteral("ItemOpenManual"));
    TDocumentCommands::StartInstance = saved;
    EXPECT_EQ(opened, QStringList{home.file(QStringLiteral("Manual_a.wrn"))});
    EXPECT_EQ(MessageBox::count(), boxes);
}

TEST(Layout, TheShippedManualIsCopiedIntoTheProgramFolderAndOpened) {
    TestHome home;
    ASSERT_TRUE(QDir().mkpath(home.file(QStringLiteral("shipped"))));
    QFile shipped(home.file(QStringLiteral("shipped/Manual.wrn")));
    ASSERT_TRUE(shipped.open(QIODevice::WriteOnly));
    shipped.write("manual bytes");
    shipped.close();
    shipped.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    TFormMain form;
    QStringList opened;
    const auto saved = TDocumentCommands::StartInstance;
    TDocumentCommands::StartInstance = [&opened](const QStringList& args) {
        opened << args;
        return false;
    };
    const int boxes = MessageBox::count();
    form.Commands->trigger(QStringLiteral("ItemOpenManual"));
    TDocumentCommands::StartInstance = saved;
    const QString copy = home.file(QStringLiteral("Manual.wrn"));
    EXPECT_EQ(opened, QStringList{copy});
    QFile copied(copy);
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("manual bytes"));
    EXPECT_TRUE(QFileInfo(copy).isWritable());
    // A program that cannot be started is said, not passed over.
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("マニュアルを開けませんでした。"));
}

TEST(Layout, TheCalendarKeepsItsHeightAndCanBeDraggedToAnother) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 800, 700);
    TOptionDesc& o = *form.Options;
    o.ShowCalendar = true;
    o.MaxCalendar = true;
    o.CalendarHeight = 150;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(WaitFor([&] { return form.MonthlyCalendar1->height() == 150; }));
    // The splitter above the calendar moved by the user.
    const QList<int> s = form.Splitter2->sizes();
    form.Splitter2->setSizes({s[0] + 40, s[1] - 40});
    EXPECT_TRUE(WaitFor([&] { return form.MonthlyCalendar1->height() == 110; }));
    form.CaptureSettings();
    EXPECT_EQ(o.CalendarHeight, 110);
}

TEST(Layout, TheLinkPanelStartsLowUnderThePage) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 900, 600);
    form.Options->LinkPanelVisible = false;
    // With LinkAuto the panel would follow the entries of the item shown.
    form.Options->LinkAuto = false;
    form.ApplySettings();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Commands->trigger(QStringLiteral("ItemShowLinkPanel"));
    ASSERT_FALSE(form.LinkBox->isHidden());
    EXPECT_TRUE(WaitFor([&] { return form.LinkBox->height() == 41; }));
    EXPECT_GT(form.RichEdit->height(), 200);

    TFormMain shown;
    showNormal(shown, 900, 600);
    shown.Options->LinkPanelVisible = true;
    shown.Options->LinkAuto = false;
    shown.ApplySettings();
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    EXPECT_TRUE(WaitFor([&] { return shown.LinkBox->height() == 41; }));
}

TEST(Layout, ViewButtonsFollowThePanesWhateverShowsThem) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    form.Options->ShowCalendar = false;
    form.ApplySettings();
    TCommandTable& t = *form.Commands;
    EXPECT_TRUE(t.isChecked(QStringLiteral("TBShowExView")));
    t.trigger(QStringLiteral("ItemShowExView"));
    EXPECT_FALSE(t.isChecked(QStringLiteral("TBShowExView")));
    t.trigger(QStringLiteral("ItemShowCalendar"));
    EXPECT_TRUE(t.isChecked(QStringLiteral("TBShowCalendar")));
    t.trigger(QStringLiteral("ItemShowFocusTray"));
    EXPECT_EQ(t.isChecked(QStringLiteral("TBShowFocusTray")), !form.ListViewFocus->isHidden());
    t.trigger(QStringLiteral("ItemShowDatePanel"));
    EXPECT_EQ(t.isChecked(QStringLiteral("TBShowDate")), !form.PanelAccessDate->isHidden());
    t.trigger(QStringLiteral("ItemShowLinkPanel"));
    EXPECT_EQ(t.isChecked(QStringLiteral("TBShowLinkPanel")), !form.LinkBox->isHidden());
    // Ctrl+Enter in the page brings the tree back.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.RichEdit, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(form.PanelLeft->isHidden());
    EXPECT_TRUE(t.isChecked(QStringLiteral("TBShowExView")));
}

TEST(Layout, EveryStatusPanelShowsItsWholeTextAtAThousandPixels) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    showNormal(form, 1024, 700);
    form.ApplySettings();
    form.statusBar()->show();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.statusPanel(0)->setText(QStringLiteral("12345番目 / 全100000項目"));
    form.statusPanel(3)->setText(QStringLiteral("1234 : 567 - 1234 : 890"));
    const QString count = QStringLiteral(" 123456 文字　< 308.6 枚分 >　（ 1234567 バイト ）");
    form.statusPanel(4)->setText(count);
    QApplication::processEvents();
    for (int i : {3, 4}) {
        QLabel* p = form.statusPanel(i);
        SCOPED_TRACE(i);
        EXPECT_GE(p->contentsRect().width(), p->fontMetrics().horizontalAdvance(p->text()));
        EXPECT_LE(p->mapTo(&form, QPoint(p->width(), 0)).x(), form.width());
    }
}
