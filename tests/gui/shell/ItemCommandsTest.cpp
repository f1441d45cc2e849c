#include "GuiSupport.h"
#include "TestSupport.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"
#include "tree/OutlineModel.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

const QString kItem = QStringLiteral("新しい項目");
const QString kBook = QStringLiteral("新しいブック");

// Replaces the page as typing would (an edit, unlike setPlainText).
void typePage(QTextEdit* edit, const QString& text) {
    edit->selectAll();
    edit->textCursor().insertText(text);
}

// Books A, B, C and the trash; A holds A1, A2, A3; A2 holds A2a.
class ItemCommands : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        A = form.Outline->topLevel(0);
        for (const char* t : {"A1", "A2", "A3"})
            TLeafNote::Create(*form.Outline, InsertLastChild, A)->SetTitle(t);
        A2 = A->child(1);
        TLeafNote::Create(*form.Outline, InsertLastChild, A2)->SetTitle("A2a");
        trash = form.Outline->trashNode();
        QGuiApplication::clipboard()->clear();
    }

    void select(TOutlineNode* n) { form.GoToItem(n ? n->item() : nullptr); }
    TOutlineNode* selected() { return form.Outline->selectedNode(); }

    TestHome home;
    TFormMain form;
    TOutlineNode* A = nullptr;
    TOutlineNode* A2 = nullptr;
    TOutlineNode* trash = nullptr;
};

} // namespace

TEST_F(ItemCommands, TagsBecomePositionCodes) {
    TOptionDesc o;
    const int codes[7] = {2, 3, 2, 0, 1, 4, 5};
    for (int tag = 0; tag <= 6; ++tag)
        EXPECT_EQ(TItemCommands::TagToCode(tag, o), codes[tag]) << tag;
    o.SisterPos = 0;
    o.DaughterPos = 4;
    o.AuntPos = 3;
    o.ClipPos = 1;
    EXPECT_EQ(TItemCommands::TagToCode(7, o), 0);
    EXPECT_EQ(TItemCommands::TagToCode(8, o), 4);
    EXPECT_EQ(TItemCommands::TagToCode(9, o), 3);
    EXPECT_EQ(TItemCommands::TagToCode(10, o), 1);
    EXPECT_EQ(TItemCommands::TagToCode(11, o), 2);
}

TEST_F(ItemCommands, SisterAndDaughterAtEveryTag) {
    struct Case {
        int tag;
        bool inA2;
        QStringList expected;
    } cases[] = {
        {1, false, {"A1", kItem, "A2", "A3"}},
        {2, false, {"A1", "A2", kItem, "A3"}},
        {3, false, {kItem, "A1", "A2", "A3"}},
        {4, false, {"A1", "A2", "A3", kItem}},
        {5, true, {kItem, "A2a"}},
        {6, true, {"A2a", kItem}},
        {7, false, {"A1", "A2", kItem, "A3"}},
        {8, true, {"A2a", kItem}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        select(A2);
        form.ItemSisterClick(c.tag);
        EXPECT_EQ(ChildTitles(form, c.inA2 ? A2 : A), c.expected);
        ASSERT_NE(form.CurrentItem, nullptr);
        EXPECT_EQ(selected(), form.CurrentItem->TreeNode);
        EXPECT_EQ(TitleOf(form.CurrentItem), kItem);
        EXPECT_EQ(form.EditTitle->text(), kItem);
        form.Outline->removeNode(form.CurrentItem->TreeNode);
    }
}

TEST_F(ItemCommands, BelowTheLastOfALevelLandsAtItsBottom) {
    select(A->child(2));
    form.ItemSisterClick(2);
    EXPECT_EQ(ChildTitles(form, A), (QStringList{"A1", "A2", "A3", kItem}));
}

TEST_F(ItemCommands, WithoutSelectionEveryCommandMakesATopLevelBook) {
    for (int tag : {1, 2, 3, 4, 5, 6, 7, 8}) {
        SCOPED_TRACE(tag);
        select(nullptr);
        ASSERT_EQ(selected(), nullptr);
        const int before = form.Outline->topLevelCount();
        form.ItemSisterClick(tag);
        ASSERT_EQ(form.Outline->topLevelCount(), before + 1);
        TOutlineNode* made = selected();
        EXPECT_EQ(made->parent(), nullptr);
        EXPECT_EQ(TitleOf(made), kBook);
        EXPECT_EQ(made->row(), tag == 3 ? 0 : before);
        form.Outline->removeNode(made);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    select(nullptr);
    form.ItemClippingClick(3);
    EXPECT_EQ(form.Outline->topLevel(0), selected());
    EXPECT_EQ(TitleOf(selected()), QStringLiteral("clip"));
}

TEST_F(ItemCommands, NextToATopLevelItemABookBelowItAnItem) {
    select(A);
    form.ItemSisterClick(2);
    EXPECT_EQ(ChildTitles(form, nullptr), (QStringList{"A", kBook, "B", "C", "ごみ箱"}));
    select(A);
    form.ItemSisterClick(5);
    EXPECT_EQ(TitleOf(A->child(0)), kItem);
}

TEST_F(ItemCommands, NextToAndUnderTheTrash) {
    select(trash);
    form.ItemSisterClick(2);
    EXPECT_EQ(ChildTitles(form, nullptr).last(), kBook);
    EXPECT_FALSE(form.CurrentItem->IsInTrash());
    select(trash);
    const QModelIndex ti = form.TreeModel->indexFromNode(trash);
    EXPECT_EQ(ti.data(TOutlineModel::NodeImageRole).toInt(), 11);
    form.ItemSisterClick(6);
    EXPECT_TRUE(form.CurrentItem->IsInTrash());
    EXPECT_EQ(form.CurrentItem->TreeNode->parent(), trash);
    EXPECT_EQ(TitleOf(form.CurrentItem), kItem);
    EXPECT_EQ(form.TreeModel->indexFromNode(trash).data(TOutlineModel::NodeImageRole).toInt(), 12);
}

TEST_F(ItemCommands, AuntGoesOneLevelUp) {
    select(A2->child(0));
    form.ItemAuntClick(1);
    EXPECT_EQ(ChildTitles(form, A), (QStringList{"A1", kItem, "A2", "A3"}));
    select(A2);
    form.ItemAuntClick(2);
    EXPECT_EQ(ChildTitles(form, nullptr), (QStringList{"A", kBook, "B", "C", "ごみ箱"}));
}

TEST_F(ItemCommands, AuntOfATopLevelItemMakesATopLevelBook) {
    TOutlineNode* B = form.Outline->topLevel(1);
    select(B);
    // The menu entry is disabled then, but the key still works.
    form.Commands->updateStates();
    EXPECT_FALSE(form.Commands->action(QStringLiteral("TBNewAunt"))->isEnabled());
    form.ItemAuntClick(2);
    EXPECT_EQ(ChildTitles(form, nullptr).last(), kBook);
    select(B);
    form.ItemAuntClick(3);
    EXPECT_EQ(ChildTitles(form, nullptr).first(), kBook);
    select(A2);
    form.Commands->updateStates();
    EXPECT_TRUE(form.Commands->action(QStringLiteral("TBNewAunt"))->isEnabled());
}

TEST_F(ItemCommands, AChildUnderALeafMakesItAFolderAtOnce) {
    TOutlineNode* A1 = A->child(0);
    auto image = [&] {
        return form.TreeModel->indexFromNode(A1).data(TOutlineModel::NodeImageRole).toInt();
    };
    EXPECT_EQ(image(), 4);
    select(A1);
    form.ItemSisterClick(6);
    // Selecting the new child opened A1.
    EXPECT_EQ(image(), 3);
    form.Outline->setExpanded(A1, false);
    EXPECT_EQ(image(), 2);
}

TEST_F(ItemCommands, LeavingAnUntitledItemTitlesItFromItsPage) {
    select(A2);
    form.ItemSisterClick(2);
    TLeafNote* first = form.CurrentItem;
    typePage(form.RichEdit, QStringLiteral("\n   \n  最初の行  \n二行目"));
    select(A);
    EXPECT_EQ(TitleOf(first), QStringLiteral("最初の行"));

    // An empty page keeps the default title.
    select(A2);
    form.ItemSisterClick(2);
    TLeafNote* empty = form.CurrentItem;
    select(A);
    EXPECT_EQ(TitleOf(empty), kItem);

    // A title typed by the user stays.
    select(A2);
    form.ItemSisterClick(2);
    TLeafNote* typed = form.CurrentItem;
    form.EditTitle->setText(kItem);
    form.EditTitle->setModified(true);
    typePage(form.RichEdit, QStringLiteral("本文"));
    select(A);
    EXPECT_EQ(TitleOf(typed), kItem);
}

TEST_F(ItemCommands, StoringStampsTheModifiedDateOnlyWhenSomethingChanged) {
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 7), QTime(9, 5, 3)));
    TLeafNote* b = form.Outline->topLevel(1)->item();
    b->ModifiedDate = 1.0;
    select(form.Outline->topLevel(1));
    clock.clock().advanceSeconds(60);
    select(A);
    EXPECT_EQ(b->ModifiedDate, 1.0);

    select(form.Outline->topLevel(1));
    typePage(form.RichEdit, QStringLiteral("書いた"));
    clock.clock().advanceSeconds(60);
    select(A);
    EXPECT_DOUBLE_EQ(b->ModifiedDate, Clock::now());
    EXPECT_EQ(b->PageText, Sjis("書いた"));
}

TEST_F(ItemCommands, PlainPagesStayPlainAndEmptyOnesStartRich) {
    TLeafNote* b = form.Outline->topLevel(1)->item();
    b->PageText = Sjis("一行目\r\n二行目");
    select(form.Outline->topLevel(1));
    EXPECT_FALSE(form.PageIsRich());
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("一行目\n二行目"));
    EXPECT_FALSE(form.RichEdit->document()->isModified());
    form.RichEdit->append(QStringLiteral("三行目"));
    select(A);
    EXPECT_EQ(b->PageText, Sjis("一行目\r\n二行目\r\n三行目"));
    EXPECT_TRUE(b->PageRich.isEmpty());

    TLeafNote* c = form.Outline->topLevel(2)->item();
    select(form.Outline->topLevel(2));
    EXPECT_TRUE(form.PageIsRich());
    typePage(form.RichEdit, QStringLiteral("装飾つき"));
    select(A);
    EXPECT_EQ(c->PageText, Sjis("装飾つき"));
    EXPECT_TRUE(c->PageRich.startsWith("{\\rtf"));
    // Shown again: from the rich form.
    select(form.Outline->topLevel(2));
    EXPECT_TRUE(form.PageIsRich());
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("装飾つき"));

    form.Options->PreferText = true;
    select(A2);
    EXPECT_FALSE(form.PageIsRich());
}

TEST_F(ItemCommands, CharactersTheCodePageLacksAreKeptInTheRichForm) {
    TLeafNote* b = form.Outline->topLevel(1)->item();
    b->PageText = "plain";
    select(form.Outline->topLevel(1));
    ASSERT_FALSE(form.PageIsRich());
    typePage(form.RichEdit, QStringLiteral("café ☃"));
    select(A);
    EXPECT_EQ(b->PageText, QByteArray("caf? ?"));
    ASSERT_FALSE(b->PageRich.isEmpty());
    select(form.Outline->topLevel(1));
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("café ☃"));
}

TEST_F(ItemCommands, ATitleWithCharactersTheCodePageLacksIsStoredWithQuestionMarks) {
    select(A);
    form.statusBar()->show();
    form.EditTitle->setText(QStringLiteral("naïve"));
    EXPECT_EQ(A->item()->Title, QByteArray("na?ve"));
    EXPECT_FALSE(form.statusPanel(0)->text().isEmpty());
    EXPECT_EQ(form.EditTitle->text(), QStringLiteral("naïve"));
}

TEST_F(ItemCommands, ATitleThatLosesCharactersIsReportedWhateverMadeIt) {
    const QString notice = QStringLiteral("保存できない文字を「?」に置き換えました");
    form.statusBar()->show();
    select(A2);
    QGuiApplication::clipboard()->setText(QStringLiteral("naïve\nbody"));
    form.ItemClippingClick(2);
    EXPECT_EQ(form.CurrentItem->Title, QByteArray("na?ve"));
    EXPECT_EQ(form.statusPanel(0)->text(), notice);

    // Titled from the page on leaving it.
    QTest::qWait(0);
    select(A2);
    form.ItemSisterClick(2);
    TLeafNote* made = form.CurrentItem;
    typePage(form.RichEdit, QStringLiteral("café au lait"));
    select(A);
    EXPECT_EQ(made->Title, QByteArray("caf? au lait"));
    EXPECT_EQ(form.statusPanel(0)->text(), notice);

    // Later commands show the position again.
    QTest::qWait(0);
    select(A2);
    EXPECT_EQ(form.statusPanel(0)->text(), QStringLiteral("3番目 / 全10項目"));
}

TEST_F(ItemCommands, ClippingTakesTheFirstNonBlankLineAsTitle) {
    select(A2);
    QGuiApplication::clipboard()->setText(QStringLiteral("\n \t\n  見出し  \n本文"));
    form.ItemClippingClick(2);
    EXPECT_EQ(ChildTitles(form, A), (QStringList{"A1", "A2", QStringLiteral("見出し"), "A3"}));
    EXPECT_TRUE(form.RichEdit->toPlainText().contains(QStringLiteral("本文")));
    EXPECT_TRUE(form.RichEdit->document()->isModified());
    TLeafNote* clipped = form.CurrentItem;
    select(A);
    EXPECT_EQ(clipped->PageText, Sjis("\r\n \t\r\n  見出し  \r\n本文"));

    QGuiApplication::clipboard()->setText(QStringLiteral("   \n\t\n"));
    form.ItemClippingClick(2);
    EXPECT_EQ(TitleOf(form.CurrentItem), QString());

    QGuiApplication::clipboard()->clear();
    const int before = form.Outline->count();
    form.ItemClippingClick(10);
    EXPECT_EQ(form.Outline->count(), before);
}

TEST_F(ItemCommands, AutoClippingClipsOnceWhenSwitchedOnAndOnEveryChange) {
    select(A2);
    QGuiApplication::clipboard()->setText(QStringLiteral("one"));
    const int before = form.Outline->count();
    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    EXPECT_TRUE(form.AutoClipping);
    EXPECT_EQ(form.Outline->count(), before + 1);
    EXPECT_FALSE(form.statusPanel(1)->pixmap().isNull());
    QGuiApplication::clipboard()->setText(QStringLiteral("two"));
    EXPECT_TRUE(WaitFor([&] { return form.Outline->count() == before + 2; }));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("two"));
    form.Commands->trigger(QStringLiteral("ItemTrayAutoClipping"));
    EXPECT_FALSE(form.AutoClipping);
    EXPECT_TRUE(form.statusPanel(1)->pixmap().isNull());
    QGuiApplication::clipboard()->setText(QStringLiteral("three"));
    QTest::qWait(50);
    EXPECT_EQ(form.Outline->count(), before + 2);
    // The menus show the state when they open.
    form.Commands->trigger(QStringLiteral("PopupMenuTray"));
    EXPECT_FALSE(form.Commands->isChecked(QStringLiteral("ItemTrayAutoClipping")));
}

TEST_F(ItemCommands, CutFromTheCaretToTheEndIntoANewItem) {
    TLeafNote* b = form.Outline->topLevel(1)->item();
    b->PageText = Sjis("先頭\r\n続き");
    select(form.Outline->topLevel(1));
    form.RichEdit->moveCursor(QTextCursor::Start);
    form.ItemSelectBelowClick(3);
    TLeafNote* made = form.CurrentItem;
    ASSERT_NE(made, b);
    EXPECT_EQ(TitleOf(made), QStringLiteral("先頭"));
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("先頭\n続き"));
    select(A);
    EXPECT_TRUE(b->PageText.isEmpty());
}

TEST_F(ItemCommands, SelectionBecomesTitleAndClipsIntoANewItem) {
    select(form.Outline->topLevel(1));
    typePage(form.RichEdit, QStringLiteral("abc 選択部分 xyz"));
    QTextCursor c = form.RichEdit->textCursor();
    c.setPosition(4);
    c.setPosition(8, QTextCursor::KeepAnchor);
    form.RichEdit->setTextCursor(c);
    form.ItemSelectionToNodeTitleClick();
    EXPECT_EQ(TitleOf(form.Outline->topLevel(1)), QStringLiteral("選択部分"));
    form.ItemClipSelctionClick(2);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("選択部分"));
    EXPECT_EQ(form.CurrentItem->TreeNode->parent(), nullptr);
}

TEST_F(ItemCommands, RenameStepAfterCreation) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    select(A2);
    form.ItemSisterClick(2);
    EXPECT_TRUE(form.ExplorerView->isEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    form.ItemTitleClick(1);
    select(A2);
    form.ItemSisterClick(2);
    EXPECT_FALSE(form.ExplorerView->isEditing());
    EXPECT_TRUE(WaitFor([&] { return form.EditTitle->hasFocus(); }));
    EXPECT_EQ(form.EditTitle->selectedText(), kItem);
}

TEST_F(ItemCommands, CreationKeysInTreeTitleAndPage) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.ItemTitleClick(1); // no in-place editor in the way
    select(A2);
    QTest::keyClick(form.ExplorerView, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ChildTitles(form, A), (QStringList{"A1", "A2", kItem, "A3"}));
    select(A2);
    QTest::keyClick(form.EditTitle, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(ChildTitles(form, A2), (QStringList{"A2a", kItem}));
    select(A2);
    QTest::keyClick(form.RichEdit, Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ChildTitles(form, nullptr), (QStringList{"A", kBook, "B", "C", "ごみ箱"}));
    EXPECT_TRUE(form.RichEdit->toPlainText().isEmpty()); // the key typed nothing
    // Ctrl+O drops down the file box's menu.
    QMenu* box = form.Commands->menu(QStringLiteral("PopupMenuWrenBox"));
    QTest::keyClick(form.RichEdit, Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([box] { return box->isVisible(); }));
    box->hide();
    QGuiApplication::clipboard()->setText(QStringLiteral("キーで"));
    select(A2);
    QTest::keyClick(form.ExplorerView, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("キーで"));
}

TEST_F(ItemCommands, ThePageFollowsTheTreeSelection) {
    select(A);
    form.Outline->setSelectedNode(form.Outline->topLevel(2));
    EXPECT_TRUE(WaitFor([&] { return form.CurrentItem == form.Outline->topLevel(2)->item(); }));
    EXPECT_EQ(form.EditTitle->text(), QStringLiteral("C"));
}

TEST_F(ItemCommands, StatusBarShowsThePosition) {
    form.statusBar()->show();
    select(A2->child(0));
    EXPECT_EQ(form.statusPanel(0)->text(), QStringLiteral("4番目 / 全8項目"));
    select(form.Outline->topLevel(1));
    EXPECT_EQ(form.statusPanel(0)->text(), QStringLiteral("6番目 / 全8項目"));
    select(trash);
    EXPECT_EQ(form.statusPanel(0)->text(), QStringLiteral("8番目 / 全8項目"));
}

TEST_F(ItemCommands, InsertKeySwitchesThePageBetweenInsertAndOverwrite) {
    select(A2);
    QLabel* mode = form.statusPanel(2);
    EXPECT_EQ(mode->text(), QStringLiteral("挿入"));
    QTest::keyClick(form.RichEdit, Qt::Key_Insert);
    EXPECT_TRUE(form.RichEdit->overwriteMode());
    EXPECT_EQ(mode->text(), QStringLiteral("上書"));
    QTest::keyClick(form.RichEdit, Qt::Key_Insert);
    EXPECT_FALSE(form.RichEdit->overwriteMode());
    EXPECT_EQ(mode->text(), QStringLiteral("挿入"));
    // With a modifier the key is the editor's own.
    QTest::keyClick(form.RichEdit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(mode->text(), QStringLiteral("挿入"));
}

TEST_F(ItemCommands, ClearingTheOutlineForgetsTheCurrentItem) {
    select(A2);
    typePage(form.RichEdit, QStringLiteral("消える"));
    form.Outline->clear();
    EXPECT_EQ(form.CurrentItem, nullptr);
    EXPECT_TRUE(form.EditTitle->text().isEmpty());
    form.StorePage(); // nothing to store into
    TLeafNote::CreateTrash(*form.Outline);
    form.GoToItem(form.Outline->topLevel(0)->item());
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("ごみ箱"));
}
