// Tree editing through the window's commands, as a user reaches them.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "common/Clock.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"
#include "tree/TreeCommands.h"

#include "search/FocusTray.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Books A, B, C and the trash; A holds A1, A2, A3; A2 holds A2a.
class TreeCommands : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        A = form.Outline->topLevel(0);
        for (const char* t : {"A1", "A2", "A3"})
            TLeafNote::Create(*form.Outline, InsertLastChild, A)->SetTitle(t);
        A2 = A->child(1);
        TLeafNote::Create(*form.Outline, InsertLastChild, A2)->SetTitle("A2a");
        trash = form.Outline->trashNode();
        QGuiApplication::clipboard()->clear();
        form.ExplorerView->setFocus();
    }
    void TearDown() override { MessageBox::clearAnswers(); }

    void select(TOutlineNode* n) {
        form.GoToItem(n ? n->item() : nullptr);
        form.ExplorerView->setFocus();
    }
    void run(const char* name) { form.Commands->trigger(QString::fromLatin1(name)); }
    QStringList titles(TOutlineNode* parent) { return ChildTitles(form, parent); }
    bool enabled(const char* name) {
        return form.Commands->action(QString::fromLatin1(name))->isEnabled();
    }
    TOutlineNode* selected() { return form.Outline->selectedNode(); }

    TestHome home;
    TFormMain form;
    TOutlineNode* A = nullptr;
    TOutlineNode* A2 = nullptr;
    TOutlineNode* trash = nullptr;
};

} // namespace

TEST_F(TreeCommands, MovesAtTheEdgesOfALevel) {
    select(A2);
    run("TBDown"); // second-to-last goes to the bottom
    EXPECT_EQ(titles(A), (QStringList{"A1", "A3", "A2"}));
    EXPECT_FALSE(enabled("TBDown"));
    run("ItemNodeDown"); // at the edge: nothing
    EXPECT_EQ(titles(A), (QStringList{"A1", "A3", "A2"}));
    run("ItemTVUp");
    run("ItemTVUp");
    EXPECT_EQ(titles(A), (QStringList{"A2", "A1", "A3"}));
    EXPECT_FALSE(enabled("TBUp"));
    EXPECT_FALSE(enabled("TBRight"));
    // Right: last child of the item above, which opens; the moved one stays
    // selected, collapsed, with its subtree.
    select(A->child(1));
    form.Outline->setExpanded(A2, true);
    select(A2);
    QTest::keyClick(form.ExplorerView, Qt::Key_Down, Qt::ControlModifier);
    select(A2);
    QTest::keyClick(form.ExplorerView, Qt::Key_Right, Qt::ControlModifier);
    TOutlineNode* A1 = A->child(0);
    EXPECT_EQ(A2->parent(), A1);
    EXPECT_TRUE(A1->expanded());
    EXPECT_FALSE(A2->expanded());
    EXPECT_EQ(titles(A2), (QStringList{"A2a"}));
    EXPECT_EQ(selected(), A2);
    // Left twice: out to the top level, just after A; a top-level item stays.
    QTest::keyClick(form.ExplorerView, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_FALSE(A1->expanded()); // left without children
    QTest::keyClick(form.ExplorerView, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "A2", "B", "C", "ごみ箱"}));
    QTest::keyClick(form.ExplorerView, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(A2->parent(), nullptr);
    EXPECT_FALSE(enabled("TBLeft"));
    EXPECT_FALSE(enabled("TBNewAunt"));
}

TEST_F(TreeCommands, DeleteIntoTheTrashThenForGoodThenRestore) {
    select(A2);
    const int asked = MessageBox::count();
    QTest::keyClick(form.ExplorerView, Qt::Key_Delete);
    EXPECT_EQ(MessageBox::count(), asked); // never asked
    EXPECT_EQ(titles(trash), (QStringList{"A2"}));
    EXPECT_EQ(titles(A2), (QStringList{"A2a"}));
    EXPECT_FALSE(trash->expanded());    // keeps its look
    EXPECT_EQ(selected(), A->child(1)); // A3, the next visible one
    EXPECT_EQ(form.CurrentItem, A->child(1)->item());

    // Inside the trash: asked; No keeps it, Yes destroys it with its subtree.
    select(A2->child(0));
    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::keyClick(form.ExplorerView, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("\"A2a\"を削除しますか?"));
    EXPECT_EQ(titles(A2), (QStringList{"A2a"}));
    select(A2);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    run("ItemTVDelete");
    EXPECT_FALSE(trash->hasChildren());
    EXPECT_EQ(form.Outline->count(), 6);

    // The trash itself cannot be deleted.
    select(trash);
    EXPECT_FALSE(enabled("ItemTVDelete"));
    run("TBDelete");
    EXPECT_EQ(form.Outline->trashNode(), trash);

    // Undo with the tree focused brings it back, with its subtree, just
    // above the selection.
    select(form.Outline->topLevel(1));
    run("MenuEdit");
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemUndo"))->text(),
              QStringLiteral("削除した項目を復活させる(&U)"));
    EXPECT_TRUE(enabled("ItemUndo"));
    run("ItemUndo");
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "A2", "B", "C", "ごみ箱"}));
    EXPECT_EQ(titles(selected()), (QStringList{"A2a"}));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("A2"));
    run("ItemUndo"); // nothing left: nothing happens
    EXPECT_EQ(form.Outline->count(), 8);
}

TEST_F(TreeCommands, EmptyingTheTrashIsRecordedNewestFirst) {
    form.Options->ConfirmDel = false;
    for (TOutlineNode* n : {A->child(0), A->child(2), form.Outline->topLevel(1)}) {
        select(n);
        run("ItemDelete");
    }
    EXPECT_EQ(titles(trash), (QStringList{"A1", "A3", "B"}));
    select(A2);
    run("PopupMenuExplorer");
    EXPECT_TRUE(enabled("ItemTVEmptyTrash"));
    const int asked = MessageBox::count();
    run("ItemTVEmptyTrash");
    EXPECT_EQ(MessageBox::count(), asked);
    EXPECT_FALSE(trash->hasChildren());
    run("PopupMenuExplorer");
    EXPECT_FALSE(enabled("ItemTVEmptyTrash"));
    EXPECT_TRUE(enabled("ItemTVUndo"));

    select(A2);
    run("ItemTVUndo");
    EXPECT_EQ(titles(A), (QStringList{"B", "A2"}));
    run("ItemTVUndo"); // above the one restored before, which is selected
    EXPECT_EQ(titles(A), (QStringList{"A3", "B", "A2"}));

    // With confirmation: declined changes nothing.
    form.Options->ConfirmDel = true;
    select(A->child(0));
    run("ItemDelete");
    MessageBox::setNextAnswer(QMessageBox::No);
    run("ItemTVEmptyTrash");
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("ごみ箱を空にしてよろしいですか?"));
    EXPECT_EQ(titles(trash), (QStringList{"A3"}));

    // Another document: nothing to restore.
    form.Outline->clear();
    run("PopupMenuExplorer");
    EXPECT_FALSE(enabled("ItemTVUndo"));
}

TEST_F(TreeCommands, LeavingTheTrashRestoresAnItem) {
    select(A2);
    run("ItemDelete");
    select(A2);
    run("ItemNodeLeft");
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "C", "ごみ箱", "A2"}));
    EXPECT_FALSE(A2->item()->IsInTrash());
}

TEST_F(TreeCommands, CutPastesAnyNumberOfTimesAsFreshCopies) {
    A2->item()->AssignNodeId();
    select(A2);
    run("ItemCut");
    EXPECT_EQ(titles(trash), (QStringList{"A2"}));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(mime->hasFormat(TTreeCommands::ItemMimeType()));
    EXPECT_FALSE(mime->hasText());
    select(form.Outline->topLevel(1)); // B
    for (int i = 0; i < 3; ++i)
        run("ItemPaste");
    // ClipPos 2: each just below the selection, which is the newest copy.
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "A2", "A2", "A2", "C", "ごみ箱"}));
    for (int r = 2; r <= 4; ++r) {
        TOutlineNode* copy = form.Outline->topLevel(r);
        EXPECT_EQ(copy->item()->NodeId, 0);
        EXPECT_EQ(titles(copy), (QStringList{"A2a"}));
    }
    EXPECT_EQ(form.Outline->findByNodeId(A2->item()->NodeId), A2);
}

TEST_F(TreeCommands, PasteOfPlainTextClipsAndDamagedItemsPasteNothing) {
    select(form.Outline->topLevel(1));
    QGuiApplication::clipboard()->setText(QStringLiteral("切り抜き\n本文"));
    run("ItemPaste");
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("切り抜き"));

    form.statusBar()->show();
    const int count = form.Outline->count();
    const QByteArray damaged = ByteBuilder().u8(0).u8(4).str("x").u8(11).i32(3).u8(1).bytes();
    for (const QByteArray& bytes : {damaged, QByteArray("\0\4\xff\xff\xff\x7f", 6)}) {
        auto* mime = new QMimeData;
        mime->setData(TTreeCommands::ItemMimeType(), bytes);
        QGuiApplication::clipboard()->setMimeData(mime);
        select(form.Outline->topLevel(1));
        run("ItemPaste");
        EXPECT_EQ(form.Outline->count(), count);
        EXPECT_TRUE(form.statusPanel(0)->text().startsWith(QStringLiteral("貼り付けられません")))
            << form.statusPanel(0)->text().toStdString();
    }
}

TEST_F(TreeCommands, SortFollowsTheCaptionsAsShown) {
    const char* names[] = {"b", "C", "a", "B"};
    const double created[] = {3, 1, 4, 2};
    TOutlineNode* B = form.Outline->topLevel(1);
    for (int i = 0; i < 4; ++i) {
        TLeafNote* item = TLeafNote::Create(*form.Outline, InsertLastChild, B);
        item->SetTitle(names[i]);
        item->CreatedDate = 40000 + created[i];
    }
    TLeafNote::Create(*form.Outline, InsertLastChild, B->child(0))->SetTitle("z");
    select(B);
    run("PopupMenuExplorer");
    EXPECT_TRUE(enabled("ItemTVSort"));
    run("ItemTVSort");
    EXPECT_EQ(titles(B), (QStringList{"a", "b", "B", "C"}));
    EXPECT_EQ(titles(B->child(1)), (QStringList{"z"}));
    form.ItemTitleClick(1); // creation date first: by date
    run("ItemTVSort");
    EXPECT_EQ(titles(B), (QStringList{"C", "B", "b", "a"}));
    select(B->child(0));
    run("PopupMenuExplorer");
    EXPECT_FALSE(enabled("ItemTVSort"));
}

TEST_F(TreeCommands, ProgressCycleFinishDateAndFiling) {
    ScopedFixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    form.Options->FinishAuto = true;
    form.Options->ProceedAuto = true;
    form.Options->DateAuto = false;
    select(A->child(0));
    TLeafNote* a1 = form.CurrentItem;
    QTest::keyClick(form.ExplorerView, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(a1->Progress, ProgressInProgress);
    EXPECT_EQ(titles(A), (QStringList{"A2", "A3", "進行中項目"}));
    EXPECT_EQ(a1->TreeNode->parent(), A->child(2));
    EXPECT_EQ(selected(), a1->TreeNode);
    QTest::keyClick(form.ExplorerView, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(a1->Progress, ProgressDone);
    EXPECT_EQ(a1->FinishDate, Clock::today());
    EXPECT_EQ(titles(A), (QStringList{"A2", "A3", "進行中項目", "完了項目"}));
    EXPECT_EQ(a1->TreeNode->parent(), A->child(3));
    QTest::keyClick(form.ExplorerView, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(a1->Progress, ProgressNotStarted);
    EXPECT_EQ(a1->FinishDate, 0);
    EXPECT_EQ(titles(A), (QStringList{"A1", "A2", "A3", "進行中項目", "完了項目"}));

    // A second item reuses the folders.
    select(A->child(1));
    run("ItemFinishedM");
    EXPECT_EQ(titles(A->child(3)), (QStringList{"A2"}));
    EXPECT_EQ(A->childCount(), 4);

    // 保留 from the title panel's menu keeps the finish date and the place;
    // then Ctrl+M leaves it alone.
    TLeafNote* a2 = A2->item();
    select(A2);
    run("ItemStop");
    EXPECT_EQ(a2->Progress, ProgressOnHold);
    EXPECT_NE(a2->FinishDate, 0);
    EXPECT_EQ(A2->parent(), A->child(3));
    QTest::keyClick(form.ExplorerView, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(a2->Progress, ProgressOnHold);
    // 保留 from the tree menu clears it.
    run("ItemTVStopped");
    EXPECT_EQ(a2->FinishDate, 0);
}

TEST_F(TreeCommands, LabelsAndTheirMenus) {
    select(A2);
    run("ItemLabelCM");
    EXPECT_EQ(A2->item()->LabelIndex, 3);
    run("MenuLabel");
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("ItemLabelC")));
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemTVLabelC"))->text(),
              QStringLiteral("重要(&C)"));
    EXPECT_EQ(form.IBLabel->toolTip(), QStringLiteral("重要"));
    select(nullptr);
    run("MenuTree");
    EXPECT_FALSE(enabled("ItemLabelCM"));
}

TEST_F(TreeCommands, CharacterCountsIncludeChildren) {
    A2->item()->PageText = Cp932::fromUnicode(QStringLiteral("あい u\r\n"));
    A2->child(0)->item()->PageText = "abc";
    select(A2->child(0));
    run("PopupMenuExplorer");
    run("N41");
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemSelfCharNums"))->text(),
              QStringLiteral(" 3 文字　< 0 枚分 >　（ 3 バイト ）"));
    EXPECT_FALSE(form.Commands->action(QStringLiteral("ItemNodeCharNums"))->isVisible());
    select(A2);
    run("PopupMenuExplorer");
    run("N41");
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemNodeCharNums"))->text(),
              QStringLiteral(" 6 文字　< 0 枚分 >　（ 11 バイト ）：　子項目含む "));
}

TEST_F(TreeCommands, SpaceReadsThroughIntoChildren) {
    select(A);
    QTest::keyClick(form.ExplorerView, Qt::Key_Space);
    EXPECT_EQ(form.CurrentItem, A->child(0)->item());
    select(A2);
    QTest::keyClick(form.ExplorerView, Qt::Key_Space);
    EXPECT_EQ(form.CurrentItem, A2->child(0)->item());
    QTest::keyClick(form.ExplorerView, Qt::Key_Space);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("A3"));
    // A long page scrolls first.
    form.resize(600, 300);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.RichEdit->setPlainText(QString(QStringLiteral("行\n")).repeated(300));
    form.RichEdit->document()->setModified(false);
    form.ExplorerView->setFocus();
    QScrollBar* bar = form.RichEdit->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QTest::keyClick(form.ExplorerView, Qt::Key_Space);
    EXPECT_GT(bar->value(), 0);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("A3"));
}

TEST_F(TreeCommands, EditRoutingFollowsTheFocus) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    select(A2);
    form.RichEdit->setFocus();
    form.RichEdit->setPlainText(QStringLiteral("page"));
    form.RichEdit->selectAll();
    run("MenuEdit");
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemUndo"))->text(),
              QStringLiteral("元に戻す(&U)"));
    EXPECT_TRUE(enabled("ItemCut"));
    EXPECT_FALSE(enabled("ItemSelectAll")); // all of it is selected
    run("ItemCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("page"));
    run("ItemDelete");
    EXPECT_TRUE(form.RichEdit->toPlainText().isEmpty());
    EXPECT_EQ(titles(A), (QStringList{"A1", "A2", "A3"})); // the item stays
    // Anywhere else: nothing on offer.
    form.statusBar()->show();
    form.ListViewFocus->show();
    form.ListViewFocus->setFocus();
    run("MenuEdit");
    for (const char* name : {"ItemUndo", "ItemCut", "ItemCopy", "ItemPaste", "ItemDelete"})
        EXPECT_FALSE(enabled(name)) << name;
}

TEST_F(TreeCommands, TheDeleteButtonStaysUsableInAPageWithoutASelection) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    select(A2);
    form.RichEdit->setPlainText(QStringLiteral("abc"));
    form.RichEdit->setFocus();
    form.RichEdit->moveCursor(QTextCursor::Start);
    form.Commands->updateStates();
    EXPECT_EQ(form.CurrentPane, int(TFormMain::PanePage));
    EXPECT_TRUE(enabled("TBDelete"));
    // The page routing: the character after the caret, as the Delete key.
    run("TBDelete");
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("bc"));
    EXPECT_EQ(titles(A), (QStringList{"A1", "A2", "A3"}));
    EXPECT_TRUE(enabled("TBDelete"));
    // With a selection it goes, and nothing more.
    form.RichEdit->selectAll();
    run("TBDelete");
    EXPECT_TRUE(form.RichEdit->toPlainText().isEmpty());
    EXPECT_EQ(titles(A), (QStringList{"A1", "A2", "A3"}));
}

TEST_F(TreeCommands, AMenuHoldingTheFocusRoutesToThePaneLastEntered) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    select(A2);
    ASSERT_EQ(form.CurrentPane, int(TFormMain::PaneTree));
    // As a screen reader opens the Edit menu: the menu bar takes the focus.
    form.menuBar()->setFocus();
    ASSERT_EQ(form.focusWidget(), form.menuBar());
    run("MenuEdit");
    for (const char* name : {"ItemCut", "ItemCopy", "ItemDelete"})
        EXPECT_TRUE(enabled(name)) << name;
    run("ItemCopy");
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(TTreeCommands::ItemMimeType()));
    // The page last entered: its commands.
    form.RichEdit->setFocus();
    form.RichEdit->setPlainText(QStringLiteral("page"));
    form.RichEdit->selectAll();
    form.menuBar()->setFocus();
    run("MenuEdit");
    EXPECT_EQ(form.Commands->action(QStringLiteral("ItemUndo"))->text(),
              QStringLiteral("元に戻す(&U)"));
    EXPECT_TRUE(enabled("ItemCut"));
    EXPECT_EQ(TTreeCommands::TargetOfPane(TFormMain::PaneTray, false), TTreeCommands::TargetOther);
}

TEST_F(TreeCommands, NamingAnItemInPlaceGoesOnIntoThePage) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    select(A2);
    form.ItemSisterClick(2);
    ASSERT_TRUE(form.ExplorerView->isEditing());
    QLineEdit* editor = form.ExplorerView->labelEditor();
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("Plan"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return form.RichEdit->hasFocus(); }));
    QTest::keyClicks(form.RichEdit, QStringLiteral("body"));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("Plan"));
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("body"));
}

TEST_F(TreeCommands, OpenAndCloseEveryItemKeepTheViewAndTheOutlineAlike) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    select(A->child(0));
    auto alike = [this] {
        bool same = true;
        form.Outline->forEach([&](TOutlineNode* n) {
            // The view may count a leaf as open; only branches are compared.
            if (n->hasChildren()) {
                const bool v = form.ExplorerView->isExpanded(form.TreeModel->indexFromNode(n));
                if (v != n->expanded())
                    ADD_FAILURE() << TitleOf(n).toStdString() << " view " << v;
                same = same && v == n->expanded();
            }
            return true;
        });
        return same;
    };
    run("ItemFullExpand");
    EXPECT_TRUE(A->expanded());
    EXPECT_TRUE(A2->expanded());
    EXPECT_TRUE(alike());
    run("ItemFullCollapse");
    // Closed, but for the way down to the selected item, which stays selected.
    EXPECT_FALSE(A2->expanded());
    EXPECT_FALSE(form.Outline->topLevel(1)->expanded());
    EXPECT_EQ(selected(), A->child(0));
    EXPECT_EQ(form.ExplorerView->selectedNode(), A->child(0));
    EXPECT_TRUE(alike());
    select(A2->child(0));
    run("ItemFullCollapse");
    EXPECT_EQ(form.ExplorerView->selectedNode(), A2->child(0));
    EXPECT_TRUE(alike());
}
