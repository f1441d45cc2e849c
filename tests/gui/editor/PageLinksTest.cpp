// Links in the page: colouring that leaves the document alone, following a
// click, the copy and insert commands, and dropped files.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "editor/LinkHighlighter.h"
#include "editor/PageLinks.h"
#include "editor/RichEditLink.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class PageLinks : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("資料")});
        A = form.Outline->topLevel(0)->item();
        B = form.Outline->topLevel(1)->item();
        page = qobject_cast<TRichEditLink*>(form.RichEdit);
        saved = {TPageLinks::OpenUrl, TPageLinks::StartProgram};
        TPageLinks::OpenUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        TPageLinks::StartProgram = [this](const QString& program, const QStringList& args) {
            started << (QStringList{program} + args);
            return program != QStringLiteral("missing-program");
        };
    }
    void TearDown() override {
        TPageLinks::OpenUrl = saved.first;
        TPageLinks::StartProgram = saved.second;
    }
    void show(TLeafNote* item, const QString& text) {
        form.GoToItem(item);
        page->setPlainText(text);
        page->document()->setModified(false);
    }
    // The colour the layout gives the character at pos (the document has none).
    QColor shownColor(int pos) {
        const QTextBlock b = page->document()->findBlock(pos);
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            if (pos - b.position() >= r.start && pos - b.position() < r.start + r.length)
                return r.format.foreground().color();
        return QColor();
    }
    TPageLinks* links() { return TPageLinks::of(form); }

    TestHome home;
    TFormMain form;
    TLeafNote* A = nullptr;
    TLeafNote* B = nullptr;
    TRichEditLink* page = nullptr;
    std::pair<decltype(TPageLinks::OpenUrl), decltype(TPageLinks::StartProgram)> saved;
    QList<QUrl> opened;
    QList<QStringList> started;
};

} // namespace

TEST_F(PageLinks, ColouringLeavesTheDocumentItsUndoAndItsModifiedFlagAlone) {
    show(A, QStringLiteral("see http://a/b?x=1, <node:資料> and <line:目次"));
    page->document()->clearUndoRedoStacks();
    QApplication::processEvents();
    const QString text = page->toPlainText();
    EXPECT_EQ(shownColor(int(text.indexOf(QLatin1String("http")))), QColor(0, 0, 255));
    EXPECT_EQ(shownColor(int(text.indexOf(QLatin1String("?x=1")))), QColor(0, 0, 255));
    EXPECT_FALSE(shownColor(int(text.indexOf(QLatin1Char(',')))).isValid()); // the comma ends it
    EXPECT_EQ(shownColor(int(text.indexOf(QLatin1String("node:")))), QColor(255, 0, 0));
    EXPECT_EQ(shownColor(int(text.size()) - 1), QColor(255, 0, 0)); // unclosed: to the line end
    EXPECT_FALSE(page->document()->isModified());
    EXPECT_FALSE(page->document()->isUndoAvailable());
    // The document's own format is untouched.
    QTextCursor c(page->document());
    c.setPosition(int(text.indexOf(QLatin1String("http"))) + 1);
    EXPECT_FALSE(c.charFormat().fontUnderline());

    // Typed links are coloured at once; new colours from the settings follow.
    page->moveCursor(QTextCursor::End);
    page->insertPlainText(QStringLiteral("\nftp://x"));
    EXPECT_EQ(shownColor(int(page->toPlainText().size()) - 2), QColor(0, 0, 255));
    form.Options->HyperLinkColor = 0x008000;
    form.Commands->updateStates();
    EXPECT_EQ(shownColor(int(page->toPlainText().size()) - 2), QColor(0, 128, 0));
}

TEST_F(PageLinks, AClickFollowsTheLinkUnderThePointer) {
    form.resize(700, 400);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    show(A, QStringLiteral("go <node:資料> now"));
    QTextCursor c(page->document());
    c.setPosition(6); // inside the link, not its first letter
    const QPoint at = page->cursorRect(c).center() + QPoint(2, 0);
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(form.CurrentItem, B);

    // A followed link is left selected; the next link is followed all the same.
    show(A, QStringLiteral("http://one/ and http://two/"));
    auto pointAt = [this](int pos) {
        QTextCursor k(page->document());
        k.setPosition(pos);
        return page->cursorRect(k).center() + QPoint(2, 0);
    };
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(3));
    EXPECT_TRUE(page->textCursor().hasSelection());
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(19));
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("http://one/")),
                                   QUrl(QStringLiteral("http://two/"))}));
    // Shift extends the selection over a link without following it.
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointAt(5));
    EXPECT_EQ(opened.size(), 2);
    // A desktop without a program for it says so.
    TPageLinks::OpenUrl = [](const QUrl&) { return false; };
    const int shown = MessageBox::count();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(19));
    ASSERT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("http://two/")));

    // Switched off: the click only places the caret.
    show(A, QStringLiteral("go <node:資料> now"));
    form.Commands->trigger(QStringLiteral("ItemJumpOnClick"));
    EXPECT_FALSE(page->LinkEnabled);
    QTest::mouseClick(page->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(form.CurrentItem, A);
}

TEST_F(PageLinks, NodeAndLineLinksFindTheirTargets) {
    B->AssignNodeId();
    const QString id = QString::number(B->NodeId);
    links()->FollowLink(LinkNode, QStringLiteral("違う名前;") + id);
    EXPECT_EQ(form.CurrentItem, B); // the id wins over the title
    form.GoToItem(A);
    links()->FollowLink(LinkNode, QStringLiteral("ない"));
    EXPECT_EQ(form.CurrentItem, A); // nothing found: nothing happens
    const int boxes = MessageBox::count();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    links()->FollowLink(LinkNode, QStringLiteral("資料;99999999999"));
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_EQ(form.CurrentItem, A);

    B->PageText = Cp932::fromUnicode(QStringLiteral("前書き\r\n目次の行\r\n本文"));
    links()->FollowLink(LinkLine, QStringLiteral("目次/node:資料"));
    EXPECT_EQ(form.CurrentItem, B);
    EXPECT_EQ(page->textCursor().selectedText(), QStringLiteral("目次"));
    EXPECT_EQ(page->textCursor().selectionStart(), 4);
}

TEST_F(PageLinks, CommandsStartWithTheirArgumentsAndAMissingProgramSaysSo) {
    links()->FollowLink(LinkCmd, QStringLiteral("tool \"two words\" 'q' a\"\"\"b\"\"\"c"));
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].at(0), QStringLiteral("tool"));
    EXPECT_EQ(started[0].at(1), QStringLiteral("two words"));
    EXPECT_EQ(started[0].at(2), QStringLiteral("'q'"));
    const int boxes = MessageBox::count();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    links()->FollowLink(LinkCmd, QStringLiteral("missing-program x"));
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("missing-program")));
    // Web addresses go to the system as they stand.
    links()->FollowLink(LinkHttp, QStringLiteral("http://example.com/a?b=1"));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://example.com/a?b=1")));
}

TEST_F(PageLinks, CopiedLinksAndDroppedFiles) {
    form.GoToItem(B);
    form.Commands->trigger(QStringLiteral("ItemCopyNodeLink"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral(" <node:資料;%1> ").arg(B->NodeId));
    EXPECT_NE(B->NodeId, 0);

    show(A, QStringLiteral("一行目\n二行目"));
    QTextCursor c = page->textCursor();
    c.setPosition(5);
    page->setTextCursor(c);
    form.Commands->trigger(QStringLiteral("ItemCopyLineLinkInside"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("<line:二行目>"));
    form.Commands->trigger(QStringLiteral("ItemCopyLineLinkOutside"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("<line:二行目/node:A;%1>").arg(A->NodeId));

    show(A, QString());
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt"))});
    page->insertFromMimeData(&one);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("<file:/tmp/a b.txt>"));
    show(A, QString());
    QMimeData three;
    three.setUrls({QUrl::fromLocalFile(QStringLiteral("/x/1")), QUrl::fromLocalFile("/x/2"),
                   QUrl::fromLocalFile("/x/3")});
    page->insertFromMimeData(&three);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("\n<file:/x/1>\n<file:/x/2>\n<file:/x/3>\n"));
}
