// "階層付テキストを読み込む" as a user reaches it.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

class ImportText : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FileDialog::clearNextFileNames();
        shown = MessageBox::count();
        FillBooks(form, {QStringLiteral("A")});
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
    void importFile(const QString& path) {
        FileDialog::setNextFileName(path);
        form.Commands->trigger(QStringLiteral("ItemLoadWZFile"));
    }

    TestHome home;
    TFormMain form;
    int shown = 0;
};

TEST_F(ImportText, ThreeLevelsBecomeANewBranchAtTheEnd) {
    ASSERT_TRUE(form.Commands->action(QStringLiteral("ItemLoadWZFile"))->isEnabled());
    TOutlineNode* selected = form.Outline->selectedNode();
    const int before = form.Outline->topLevelCount();
    importFile(write("予定表.txt", Sjis("メモ\r\n.一\r\n..二\r\n...三\r\n本文\r\n")));
    EXPECT_EQ(FileDialog::lastFilter(), QStringLiteral("WZ形式 Text files (*.txt)"));
    ASSERT_EQ(form.Outline->topLevelCount(), before + 1);
    TOutlineNode* top = form.Outline->topLevel(before);
    EXPECT_EQ(TitleOf(top), QStringLiteral("予定表"));
    EXPECT_EQ(ChildTitles(form, top), QStringList{QStringLiteral("一")});
    EXPECT_EQ(TitleOf(top->child(0)->child(0)->child(0)), QStringLiteral("三"));
    EXPECT_EQ(top->child(0)->child(0)->child(0)->item()->PageText, Sjis("本文\r\n"));
    EXPECT_EQ(form.Outline->selectedNode(), selected);
    EXPECT_EQ(MessageBox::count(), shown);
}

TEST_F(ImportText, MarkerComesFromTheSettings) {
    form.Options->HierSymbol = '*';
    importFile(write("星.txt", "*a\n**b\n.c\n"));
    TOutlineNode* top = form.Outline->topLevel(form.Outline->topLevelCount() - 1);
    EXPECT_EQ(TitleOf(top->child(0)->child(0)), QStringLiteral("b"));
    EXPECT_EQ(top->child(0)->child(0)->item()->PageText, QByteArray(".c\r\n"));
}

TEST_F(ImportText, RefusedAndMissingFilesAddNothing) {
    const int count = form.Outline->count();
    importFile(write("画像.txt", QByteArray("\x89PNG\0\0\0", 7)));
    EXPECT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("何も追加していません")));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("画像.txt")));
    EXPECT_EQ(form.Outline->count(), count);

    importFile(home.file(QStringLiteral("無い.txt")));
    EXPECT_EQ(MessageBox::count(), shown + 1); // a vanished file is passed over in silence
    EXPECT_EQ(form.Outline->count(), count);

    FileDialog::setNextFileName(QString()); // Cancel
    form.Commands->trigger(QStringLiteral("ItemLoadWZFile"));
    EXPECT_EQ(form.Outline->count(), count);
}

} // namespace
