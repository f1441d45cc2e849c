// The Output menu: its entries from the template folder, the export of a
// branch, cancelling and failing exports.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputTemplates.h"
#include "search/OutputCommands.h"
#include "search/OutputForm.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString kNumbered = QStringLiteral("番号付きアウトライン.txt");

class OutputMenu : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("第一"), QStringLiteral("第二")});
        TLeafNote* first = form.Outline->topLevel(0)->item();
        for (const char* t : {"子1", "子2"})
            TLeafNote::Create(*form.Outline, InsertLastChild, first->TreeNode)->SetTitle(Sjis(t));
        // Something in the trash, which is never written.
        TLeafNote* gone = TLeafNote::Create(*form.Outline, InsertLastChild, first->TreeNode);
        gone->SetTitle(Sjis("捨てた"));
        gone->Delete([](const QString&) { return true; });
        output = TOutputCommands::of(form);
        ASSERT_NE(output, nullptr);
        savedOpen = TDocumentCommands::OpenWithDesktop;
        TDocumentCommands::OpenWithDesktop = [this](const QString& path) {
            opened << path;
            return true;
        };
    }
    void TearDown() override {
        TDocumentCommands::OpenWithDesktop = savedOpen;
        TFormOutput::ItemHook = nullptr;
        FileDialog::clearNextFileNames();
    }
    QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TestHome home;
    TFormMain form;
    TOutputCommands* output = nullptr;
    QStringList opened;
    std::function<bool(const QString&)> savedOpen;
};

} // namespace

TEST_F(OutputMenu, OpeningTheMenuInstallsTheTemplatesAndListsThem) {
    ASSERT_FALSE(QDir(OutputTemplates::Folder()).exists());
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    EXPECT_TRUE(QFile::exists(OutputTemplates::Folder() + QLatin1Char('/') + kNumbered));
    ASSERT_NE(output->entry(QStringLiteral("ItemAllNodesFile"), kNumbered), nullptr);
    EXPECT_NE(output->entry(QStringLiteral("ItemSelectedNodeFile"), kNumbered), nullptr);
    EXPECT_NE(output->entry(QStringLiteral("ItemTemplateFiles"), kNumbered), nullptr);
    EXPECT_NE(output->entry(QStringLiteral("ItemAllNodesFile"), QStringLiteral("ページ付き.rtf")),
              nullptr);
    // Opening again neither doubles the entries nor loses the folder command.
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    QMenu* files = form.Commands->menu(QStringLiteral("ItemTemplateFiles"));
    EXPECT_EQ(files->actions().first()->objectName(), QStringLiteral("ItemOpenTemplateFolder"));
    int count = 0;
    for (QAction* a : files->actions())
        count += a->property("template").toString() == kNumbered;
    EXPECT_EQ(count, 1);
    output->entry(QStringLiteral("ItemTemplateFiles"), kNumbered)->trigger();
    EXPECT_EQ(opened, QStringList{OutputTemplates::Folder() + QLatin1Char('/') + kNumbered});
}

TEST_F(OutputMenu, ExportsABranchWithoutTheTrashAndOpensTheFile) {
    form.GoToItem(form.Outline->topLevel(0)->item());
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    const QString dest = home.file(QStringLiteral("出力.txt"));
    FileDialog::setNextFileName(dest);
    const QString caption = form.windowTitle();
    output->entry(QStringLiteral("ItemSelectedNodeFile"), kNumbered)->trigger();
    EXPECT_EQ(FileDialog::lastCaption(),
              QStringLiteral("選択項目以下をテキスト形式で保存 <") + kNumbered + QLatin1Char('>'));
    EXPECT_TRUE(FileDialog::lastDir().endsWith(QStringLiteral("第一.txt")));
    EXPECT_EQ(read(dest), Sjis("1. 第一\r\n1.1. 子1\r\n1.2. 子2\r\n"));
    EXPECT_EQ(opened, QStringList{dest});
    EXPECT_EQ(form.windowTitle(), caption);
}

TEST_F(OutputMenu, AWrittenFileNoProgramOpensIsKeptAndSaidSo) {
    TDocumentCommands::OpenWithDesktop = [](const QString&) { return false; };
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    const QString dest = home.file(QStringLiteral("開けない.txt"));
    FileDialog::setNextFileName(dest);
    const int shown = MessageBox::count();
    output->entry(QStringLiteral("ItemAllNodesFile"), kNumbered)->trigger();
    EXPECT_TRUE(QFile::exists(dest));
    ASSERT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("開けない.txt")));
}

TEST_F(OutputMenu, CancellingMidExportLeavesNoFile) {
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    const QString dest = home.file(QStringLiteral("全体.txt"));
    FileDialog::setNextFileName(dest);
    TFormOutput::ItemHook = [](TFormOutput& w, int position) {
        EXPECT_TRUE(w.isVisible());
        if (position == 2)
            w.ButtonCancel->click();
    };
    output->entry(QStringLiteral("ItemAllNodesFile"), kNumbered)->trigger();
    EXPECT_FALSE(QFile::exists(dest));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(output->outputForm()->isVisible());
}

TEST_F(OutputMenu, AnUnwritableDestinationOrMissingTemplateGivesAMessage) {
    form.Commands->trigger(QStringLiteral("MenuOutput"));
    const QString locked = home.file(QStringLiteral("鍵"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const int boxes = MessageBox::count();
    FileDialog::setNextFileName(locked + QStringLiteral("/x.txt"));
    output->entry(QStringLiteral("ItemAllNodesFile"), kNumbered)->trigger();
    if (::geteuid() != 0) { // root writes anywhere
        EXPECT_EQ(MessageBox::count(), boxes + 1);
        EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("書き込めません")));
        EXPECT_TRUE(opened.isEmpty());
    }
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    opened.clear();
    // A template that went away after the menu was built.
    QFile::remove(OutputTemplates::Folder() + QLatin1Char('/') + kNumbered);
    FileDialog::setNextFileName(home.file(QStringLiteral("y.txt")));
    const int before = MessageBox::count();
    output->entry(QStringLiteral("ItemAllNodesFile"), kNumbered)->trigger();
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(kNumbered));
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("y.txt"))));
    EXPECT_TRUE(opened.isEmpty());
}
