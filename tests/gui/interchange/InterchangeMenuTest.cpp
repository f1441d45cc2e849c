// "インポート" and "エクスポート" as a user reaches them from the File menu.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "interchange/InterchangeCommands.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class InterchangeMenu : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FileDialog::clearNextFileNames();
        shown = MessageBox::count();
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        form.GoToItem(form.Outline->topLevel(0)->item());
    }
    void TearDown() override {
        MessageBox::clearAnswers();
        FileDialog::clearNextFileNames();
    }
    QString write(const char* name, const QByteArray& bytes) {
        const QString path = home.file(QString::fromUtf8(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void run(const char* command, const QString& answer) {
        FileDialog::setNextFileName(answer);
        form.Commands->trigger(QString::fromLatin1(command));
    }

    TestHome home;
    TFormMain form;
    int shown = 0;
};

TEST_F(InterchangeMenu, SubmenusOfTheFileMenuWithEveryCommandEnabled) {
    QMenu* file = form.Commands->menu(QStringLiteral("MenuFile"));
    ASSERT_NE(file, nullptr);
    for (const char* menu : {"MenuImport", "MenuExport"}) {
        QMenu* sub = form.Commands->menu(QString::fromLatin1(menu));
        ASSERT_NE(sub, nullptr) << menu;
        EXPECT_TRUE(file->actions().contains(sub->menuAction())) << menu;
    }
    for (const char* name :
         {"ItemImportOpml", "ItemImportMarkdown", "ItemImportCherryTree", "ItemImportTreeLine",
          "ItemExportOpml", "ItemExportMarkdown", "ItemExportHtml", "ItemExportSelection"})
        EXPECT_TRUE(form.Commands->action(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_EQ(form.Commands->menu(QStringLiteral("MenuImport"))->title(),
              QStringLiteral("インポート(&I)"));
}

TEST_F(InterchangeMenu, AnOpmlFileArrivesAsOneNewBookAndIsShown) {
    const int before = form.Outline->topLevelCount();
    run("ItemImportOpml",
        write("計画.opml", "<?xml version=\"1.0\"?><opml version=\"2.0\"><body>"
                           "<outline text=\"一\" _note=\"本文\"><outline text=\"二\"/></outline>"
                           "<outline text=\"三\"/></body></opml>"));
    EXPECT_TRUE(FileDialog::lastFilter().startsWith(QStringLiteral("OPML (*.opml")));
    EXPECT_EQ(MessageBox::count(), shown);
    ASSERT_EQ(form.Outline->topLevelCount(), before + 1);
    TOutlineNode* book = form.Outline->topLevel(before);
    EXPECT_EQ(TitleOf(book), QStringLiteral("計画"));
    EXPECT_EQ(ChildTitles(form, book), (QStringList{QStringLiteral("一"), QStringLiteral("三")}));
    EXPECT_EQ(TitleOf(book->child(0)->child(0)), QStringLiteral("二"));
    EXPECT_EQ(form.CurrentItem, book->item());
}

TEST_F(InterchangeMenu, ABrokenFileAddsNothingAndSaysWhereItFailed) {
    const int count = form.Outline->count();
    run("ItemImportCherryTree",
        write("壊れた.ctd", "<?xml version=\"1.0\"?>\n<cherrytree>\n<node"));
    EXPECT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("何も追加していません")));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("壊れた.ctd")));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("行")));
    EXPECT_EQ(form.Outline->count(), count);

    run("ItemImportOpml", QString()); // Cancel
    EXPECT_EQ(form.Outline->count(), count);
    EXPECT_EQ(MessageBox::count(), shown + 1);
}

TEST_F(InterchangeMenu, ExportWritesTheWholeDocumentWithThePageBeingEdited) {
    form.RichEdit->setPlainText(QStringLiteral("いま書いた行"));
    form.RichEdit->document()->setModified(true);
    const QString out = home.file(QStringLiteral("書き出し"));
    run("ItemExportHtml", out);
    EXPECT_EQ(MessageBox::count(), shown);
    const QString html = QString::fromUtf8(read(out + QStringLiteral(".html")));
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"ja\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<summary>A</summary>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<summary>B</summary>")));
    EXPECT_TRUE(html.contains(QStringLiteral("いま書いた行")));
    EXPECT_FALSE(html.contains(QStringLiteral("ごみ箱")));
}

TEST_F(InterchangeMenu, TheSelectedBranchAloneWhenChosen) {
    form.Commands->trigger(QStringLiteral("ItemExportSelection"));
    EXPECT_TRUE(form.Commands->isChecked(QStringLiteral("ItemExportSelection")));
    form.GoToItem(form.Outline->topLevel(1)->item());
    const QString out = home.file(QStringLiteral("枝.md"));
    run("ItemExportMarkdown", out);
    const QString md = QString::fromUtf8(read(out));
    EXPECT_TRUE(md.contains(QStringLiteral("</a>B\n"))) << md.toStdString();
    EXPECT_FALSE(md.contains(QStringLiteral("</a>A\n")));
}

TEST_F(InterchangeMenu, ALongImportShowsItsProgressAndStopsWhenCancelled) {
    QByteArray opml = "<opml version=\"2.0\"><body>";
    for (int i = 0; i < 5000; ++i)
        opml += "<outline text=\"item\"/>";
    opml += "</body></opml>";
    const QString path = write("大きい.opml", opml);
    const int count = form.Outline->count();
    const int before = TInterchangeCommands::ProgressAfterMs;
    TInterchangeCommands::ProgressAfterMs = 0;
    bool seen = false;
    QTimer::singleShot(0, [&seen]() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w);
                d && d->objectName() == QStringLiteral("InterchangeProgress") && d->isVisible()) {
                seen = true;
                d->cancel();
            }
    });
    run("ItemImportOpml", path);
    TInterchangeCommands::ProgressAfterMs = before;
    EXPECT_TRUE(seen);
    EXPECT_EQ(form.Outline->count(), count);
    EXPECT_EQ(MessageBox::count(), shown);
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("中止しました")));
}

TEST_F(InterchangeMenu, ACancelledExportKeepsTheFileThatWasThere) {
    for (int i = 0; i < 1200; ++i)
        TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
    const QString path = write("前の.html", "before");
    const int before = TInterchangeCommands::ProgressAfterMs;
    TInterchangeCommands::ProgressAfterMs = 0;
    QTimer::singleShot(0, []() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QProgressDialog*>(w);
                d && d->objectName() == QStringLiteral("InterchangeProgress"))
                d->cancel();
    });
    run("ItemExportHtml", path);
    TInterchangeCommands::ProgressAfterMs = before;
    EXPECT_EQ(read(path), QByteArray("before"));
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("元のファイルはそのままです")))
        << form.statusPanel(0)->text().toStdString();
}

TEST_F(InterchangeMenu, AnExportThatCannotBeWrittenIsReported) {
    run("ItemExportOpml", home.file(QStringLiteral("無いフォルダ/出力.opml")));
    EXPECT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("書き出せませんでした")));
}

} // namespace
