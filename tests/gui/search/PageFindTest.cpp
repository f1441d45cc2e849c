// Find and replace in the page with the scanner's rule.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/PageFind.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

class PageFind : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A")});
        form.GoToItem(form.Outline->topLevel(0)->item());
        find = TPageFind::of(form);
        ASSERT_NE(find, nullptr);
    }
    void setPage(const QString& text) {
        form.RichEdit->setPlainText(text);
        form.RichEdit->moveCursor(QTextCursor::Start);
    }
    std::pair<int, int> selection() const {
        const QTextCursor c = form.RichEdit->textCursor();
        return {c.selectionStart(), c.selectionEnd()};
    }

    TestHome home;
    TFormMain form;
    TPageFind* find = nullptr;
};

} // namespace

TEST_F(PageFind, FindsAcrossBlanksAndDoubleByteTextAndSaysWhenThereIsNoMore) {
    setPage(QStringLiteral("日本語 a\nb のab"));
    form.Commands->trigger(QStringLiteral("N30"));
    TFindReplaceDialog* d = find->FindDialog1();
    ASSERT_TRUE(d->isVisible());
    EXPECT_FALSE(d->Down->parentWidget()->isEnabled()); // downwards only
    d->FindText->setText(QStringLiteral("AB"));
    find->FindDialog1Find(d);
    EXPECT_EQ(selection(), std::make_pair(4, 7)); // 'a', line break, 'b'
    find->FindDialog1Find(d);
    EXPECT_EQ(selection(), std::make_pair(9, 11));
    const int boxes = MessageBox::count();
    find->FindDialog1Find(d);
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("検索文字列は見つかりませんでした。"));
    EXPECT_FALSE(d->isVisible());
    // With the case kept, 'AB' is not 'ab'.
    form.RichEdit->moveCursor(QTextCursor::Start);
    EXPECT_FALSE(TPageFind::FindNextInPage(form.RichEdit, QStringLiteral("AB"), true, false));
}

TEST_F(PageFind, ReplaceAllDoesNotReplaceWhatItInserted) {
    setPage(QStringLiteral("aaa"));
    form.Commands->trigger(QStringLiteral("N31"));
    TFindReplaceDialog* d = find->ReplaceDialog1();
    ASSERT_TRUE(d->isVisible());
    d->FindText->setText(QStringLiteral("a"));
    d->ReplaceText->setText(QStringLiteral("aa"));
    find->ReplaceDialog1Replace(true);
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("aaaaaa"));
    EXPECT_FALSE(d->isVisible());
    // Double-byte text around the occurrences keeps its place.
    setPage(QStringLiteral("表 x 表x"));
    EXPECT_EQ(TPageFind::ReplaceAllInPage(form.RichEdit, QStringLiteral("x"),
                                          QStringLiteral("エックス"), false, false),
              2);
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("表 エックス 表エックス"));
}

TEST_F(PageFind, ReplaceTakesTheSelectionThenFindsTheNext) {
    setPage(QStringLiteral("one two one"));
    TFindReplaceDialog* d = find->ReplaceDialog1();
    d->FindText->setText(QStringLiteral("one"));
    d->ReplaceText->setText(QStringLiteral("1"));
    find->FindDialog1Find(d);
    EXPECT_EQ(selection(), std::make_pair(0, 3));
    find->ReplaceDialog1Replace(false);
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("1 two one"));
    EXPECT_EQ(selection(), std::make_pair(6, 9));
}
