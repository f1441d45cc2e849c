// The page editor: modes, the format commands on the page and on other panes,
// its own keys, and the status texts.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "editor/PageCommands.h"
#include "editor/RichEditLink.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/FontList.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class PageEditor : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        A = form.Outline->topLevel(0)->item();
        B = form.Outline->topLevel(1)->item();
        page = qobject_cast<TRichEditLink*>(form.RichEdit);
        ASSERT_NE(page, nullptr);
    }
    void show(TLeafNote* item) {
        form.GoToItem(item);
        page->setFocus();
        form.CurrentPane = TFormMain::PanePage;
    }
    void type(const QString& text) {
        page->selectAll();
        page->textCursor().insertText(text);
    }
    void selectRange(int from, int to) {
        QTextCursor c = page->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        page->setTextCursor(c);
    }
    void run(const char* name) { form.Commands->trigger(QString::fromLatin1(name)); }
    QComboBox* box(const char* name) {
        return qobject_cast<QComboBox*>(form.Commands->widget(QString::fromLatin1(name)));
    }
    QTextCharFormat formatAt(int pos) {
        QTextCursor c(page->document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }

    TestHome home;
    TFormMain form;
    TLeafNote* A = nullptr;
    TLeafNote* B = nullptr;
    TRichEditLink* page = nullptr;
};

} // namespace

TEST_F(PageEditor, ModesFollowThePageAndFormattingKeepsOnlyInRichMode) {
    A->PageText = "plain";
    show(A);
    EXPECT_FALSE(form.PageIsRich());
    show(B);
    EXPECT_TRUE(form.PageIsRich()); // empty page
    form.Options->PreferText = true;
    show(form.Outline->topLevel(2)->item()); // the trash, empty too
    EXPECT_FALSE(form.PageIsRich());
    form.Options->PreferText = false;

    show(A);
    selectRange(0, 3);
    run("TBBold"); // the button toggles, then applies
    EXPECT_TRUE(form.PageIsRich());
    EXPECT_GE(formatAt(1).fontWeight(), QFont::Bold);
    EXPECT_LT(formatAt(4).fontWeight(), QFont::Bold);
    selectRange(3, 5);
    TPageCommands::of(form)->CBDefineColorClick(10); // 赤
    show(B);
    ASSERT_FALSE(A->PageRich.isEmpty());
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(A->PageRich, back).ok);
    QTextCursor c(&back);
    c.setPosition(2);
    EXPECT_GE(c.charFormat().fontWeight(), QFont::Bold);
    c.setPosition(5);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));

    // Plain mode drops the formatting when the item is left.
    show(A);
    form.IBHasStyleClick();
    EXPECT_FALSE(form.PageIsRich());
    show(B);
    EXPECT_TRUE(A->PageRich.isEmpty());
    EXPECT_EQ(A->PageText, QByteArray("plain"));
}

TEST_F(PageEditor, StylesFromTheMenuToggleTheButtonAndOtherPanesTakeTheirWholeFont) {
    show(A);
    type(QStringLiteral("text"));
    selectRange(0, 4);
    run("ItemItalic");
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("TBItalic")));
    EXPECT_TRUE(formatAt(0).fontItalic());
    run("ItemNormal");
    EXPECT_FALSE(formatAt(0).fontItalic());
    EXPECT_FALSE(form.Commands->isChecked(QStringLiteral("TBItalic")));

    // The title box: its font, not the page.
    form.CurrentPane = TFormMain::PaneTitle;
    run("ItemBold");
    EXPECT_TRUE(form.EditTitle->font().bold());
    EXPECT_LT(formatAt(0).fontWeight(), QFont::Bold);
    form.Commands->updateStates();
    EXPECT_FALSE(form.Commands->action(QStringLiteral("TBUpper"))->isEnabled());
    EXPECT_FALSE(form.Commands->action(QStringLiteral("TBAlignCenter"))->isEnabled());
    form.CurrentPane = TFormMain::PaneTree;
    form.Commands->updateStates();
    EXPECT_FALSE(form.Commands->action(QStringLiteral("TBColor"))->isEnabled());
    box("SizeBox")->setEditText(QStringLiteral("14"));
    form.Commands->trigger(QStringLiteral("SizeBox"));
    EXPECT_EQ(form.ExplorerView->font().pointSize(), 14);
}

TEST_F(PageEditor, SizeBoxTakesNineForWhatIsNotANumber) {
    show(A);
    type(QStringLiteral("abc"));
    selectRange(0, 3);
    box("SizeBox")->setEditText(QStringLiteral("abc"));
    form.Commands->trigger(QStringLiteral("SizeBox"));
    EXPECT_EQ(box("SizeBox")->currentText(), QStringLiteral("9"));
    EXPECT_EQ(formatAt(1).fontPointSize(), 9);
}

TEST_F(PageEditor, ALatinFontChangesOnlyTheLatinRuns) {
    show(A);
    type(QStringLiteral("ab日本cd"));
    selectRange(0, 6);
    page->ApplyFontName(QStringLiteral("Latin Face"), 0);
    auto family = [this](int pos) {
        const QStringList f = formatAt(pos).fontFamilies().toStringList();
        return f.isEmpty() ? QString() : f.first();
    };
    EXPECT_EQ(family(0), QStringLiteral("Latin Face"));
    EXPECT_NE(family(2), QStringLiteral("Latin Face"));
    EXPECT_EQ(family(5), QStringLiteral("Latin Face"));
    page->ApplyFontName(QStringLiteral("和文"), 128);
    EXPECT_EQ(family(0), QStringLiteral("和文"));
    EXPECT_EQ(family(2), QStringLiteral("和文"));
    // One undo step for the whole change.
    page->undo();
    EXPECT_EQ(family(0), QStringLiteral("Latin Face"));
}

TEST_F(PageEditor, FontListNamesEachFamilyOnceWithoutItsFoundry) {
    EXPECT_EQ(PlainFamilyNames({QStringLiteral("C059 [UKWN]"), QStringLiteral("C059 [URW]"),
                                QStringLiteral("Noto Sans"), QStringLiteral("Odd [x] Name")}),
              (QStringList{"C059", "Noto Sans", "Odd [x] Name"}));
    for (const QString& f : InstalledFonts())
        EXPECT_FALSE(f.endsWith(QLatin1Char(']'))) << f.toStdString();
    // The box shows the page's font by the name it is stored under.
    form.Options->DefFont.Name = Sjis("ＭＳ Ｐゴシック");
    show(A);
    form.Commands->updateStates();
    EXPECT_EQ(box("FontBox")->currentText(), QStringLiteral("ＭＳ Ｐゴシック"));
}

TEST_F(PageEditor, PageKeys) {
    show(A);
    type(QStringLiteral("  x\ny\n z"));
    selectRange(1, 7);
    QTest::keyClick(page, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(page->toPlainText(), QStringLiteral(" x\ny\nz"));
    EXPECT_EQ(page->textCursor().selectedText(),
              QStringLiteral(" x") + QChar::ParagraphSeparator + QStringLiteral("y") +
                  QChar::ParagraphSeparator + QStringLiteral("z"));

    type(QStringLiteral("abc"));
    page->moveCursor(QTextCursor::End);
    QTest::keyClick(page, Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("ab"));
    QTest::keyClick(page, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(page->textCursor().position(), 1);
    QTest::keyClick(page, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(page->textCursor().position(), 2);
    QTest::keyClick(page, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("ab\t"));
    EXPECT_EQ(page->toPlainText().size(), 3); // nothing else typed
}

TEST_F(PageEditor, OverwriteUndoesATypedCharacterInOneStep) {
    show(A);
    type(QStringLiteral("ABC"));
    page->document()->clearUndoRedoStacks();
    page->moveCursor(QTextCursor::Start);
    page->setOverwriteMode(true);
    QTest::keyClicks(page, QStringLiteral("Z"));
    EXPECT_EQ(page->toPlainText(), QStringLiteral("ZBC"));
    page->undo();
    EXPECT_EQ(page->toPlainText(), QStringLiteral("ABC"));
}

TEST_F(PageEditor, StatusTextsCountCharactersAndShowTheCaret) {
    form.statusBar()->show();
    show(A);
    QApplication::processEvents();
    EXPECT_EQ(form.statusPanel(4)->text(), QStringLiteral(" 0 文字　< 0 枚分 >　（ 0 バイト ）"));
    EXPECT_EQ(form.statusPanel(3)->text(), QStringLiteral("0 : 0"));
    type(QStringLiteral("ab\nd"));
    QApplication::processEvents();
    EXPECT_EQ(form.statusPanel(4)->text(), QStringLiteral(" 3 文字　< 0 枚分 >　（ 5 バイト ）"));
    type(QString(400, QChar(u'字')));
    QApplication::processEvents();
    EXPECT_TRUE(form.statusPanel(4)->text().contains(QStringLiteral("< 1 枚分 >")));
    type(QStringLiteral("0\n1\nabcdef\nx\nlast"));
    const int from = page->document()->findBlockByNumber(2).position() + 3;
    const int to = page->document()->findBlockByNumber(4).position();
    selectRange(from, to);
    QApplication::processEvents();
    EXPECT_EQ(form.statusPanel(3)->text(), QStringLiteral("2 : 3 - 4 : 0"));
    // Another item's page is counted as it is shown.
    B->PageText = "xyz";
    show(B);
    QApplication::processEvents();
    EXPECT_EQ(form.statusPanel(4)->text(), QStringLiteral(" 3 文字　< 0 枚分 >　（ 3 バイト ）"));
}

TEST_F(PageEditor, ColourPanelPressesTheCurrentColourAndAppliesTheChosenOne) {
    show(A);
    type(QStringLiteral("red"));
    selectRange(0, 3);
    run("TBColor");
    QFrame* panel = TPageCommands::of(form)->colorPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->findChild<QToolButton*>(QStringLiteral("CBBlack"))->isChecked());
    panel->findChild<QToolButton*>(QStringLiteral("CBRed"))->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(formatAt(0).foreground().color(), QColor(255, 0, 0));
    // The dialog, answered for the test; cancelled changes nothing.
    const auto dialog = TPageCommands::ColorDialog;
    TPageCommands::ColorDialog = [](const QColor&, QWidget*) { return QColor(); };
    run("ItemColor");
    EXPECT_EQ(formatAt(0).foreground().color(), QColor(255, 0, 0));
    TPageCommands::ColorDialog = [](const QColor&, QWidget*) { return QColor(1, 2, 3); };
    form.CurrentPane = TFormMain::PaneTitle;
    run("ItemColor");
    EXPECT_EQ(form.EditTitle->palette().color(QPalette::Text), QColor(1, 2, 3));
    EXPECT_EQ(form.Options->TitleFont.Color, 0x030201);
    TPageCommands::ColorDialog = dialog;
}

TEST_F(PageEditor, ADamagedRichPageShowsItsWordsAndStaysAsStored) {
    form.statusBar()->show();
    A->PageText = "kept words";
    A->PageCompressed = QByteArray("not a zlib stream");
    A->PageCompressedValid = true;
    B->PageText = "b";
    B->PageRich = "{\\rtf1 unclosed {\\b bold";
    show(A);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("kept words"));
    EXPECT_TRUE(form.statusPanel(0)->text().startsWith(QStringLiteral("書式が壊れたページです")));
    show(B);
    EXPECT_FALSE(page->toPlainText().isEmpty());
    show(A);
    show(B);
    EXPECT_EQ(A->PageCompressed, QByteArray("not a zlib stream"));
    EXPECT_TRUE(A->PageCompressedValid);
}
