// The link panel: its lines, icons, commands and the Edit menu's routing.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "doc/WrenDoc.h"
#include "editor/PageLinks.h"
#include "file/Cp932.h"
#include "links/AddFileForm.h"
#include "links/LinkPanel.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class LinkPanel : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B")});
        A = form.Outline->topLevel(0)->item();
        B = form.Outline->topLevel(1)->item();
        panel = TLinkPanel::of(form);
        ASSERT_TRUE(panel);
        ASSERT_TRUE(dir.isValid());
        form.Doc->SetFileName(dir.path() + QStringLiteral("/x.wrn"));
        savedAsk = TFormAddFile::Ask;
        savedOpen = TPageLinks::OpenUrl;
        savedTrash = TLinkPanel::MoveToTrash;
        TPageLinks::OpenUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
    }
    void TearDown() override {
        TFormAddFile::Ask = savedAsk;
        TPageLinks::OpenUrl = savedOpen;
        TLinkPanel::MoveToTrash = savedTrash;
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
    }
    void answer(const QString& text, bool ok = true) {
        TFormAddFile::Ask = [text, ok](QWidget*, QString& t) {
            t = text;
            return ok;
        };
    }
    void selectRow(int row) {
        form.LinkBox->clearSelection();
        form.LinkBox->setCurrentRow(row);
        form.LinkBox->item(row)->setSelected(true);
    }
    QString touch(const QString& relative) {
        const QString path = dir.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        return path;
    }

    TestHome home;
    QTemporaryDir dir;
    TFormMain form;
    TLeafNote* A = nullptr;
    TLeafNote* B = nullptr;
    TLinkPanel* panel = nullptr;
    QList<QUrl> opened;
    std::function<bool(QWidget*, QString&)> savedAsk;
    std::function<bool(const QUrl&)> savedOpen;
    std::function<bool(const QString&)> savedTrash;
};

} // namespace

TEST_F(LinkPanel, ShowsTheItemsLinesAndStoresThemBack) {
    A->Links = "<doc\\a.txt>\r\nhttp://a/b\r\n";
    form.GoToItem(A);
    EXPECT_EQ(panel->Entries(), (QStringList{"<doc\\a.txt>", "http://a/b"}));
    answer(QStringLiteral("<c.txt>"));
    form.Commands->trigger(QStringLiteral("ItemAddLink"));
    EXPECT_TRUE(form.LinkChanged);
    form.GoToItem(B); // stores A
    EXPECT_TRUE(panel->Entries().isEmpty());
    EXPECT_EQ(A->Links, QByteArray("<doc\\a.txt>\r\nhttp://a/b\r\n<c.txt>\r\n"));
    EXPECT_TRUE(form.LinkBox->isHidden()); // LinkAuto: no entries, no panel
}

TEST_F(LinkPanel, EntryTargetAndCopyFormat) {
    EXPECT_EQ(TLinkPanel::LinkEntryTarget(QStringLiteral("<doc\\a.txt>")), "doc\\a.txt");
    EXPECT_EQ(TLinkPanel::LinkEntryTarget(QStringLiteral("x>y<z")), "x>y<z");
    EXPECT_EQ(TLinkPanel::LinkEntryTarget(QStringLiteral("memo <b> c")), "b");
    A->Links = "http://a/b\r\n<doc\\a.txt>\r\n";
    form.GoToItem(A);
    form.LinkBox->selectAll();
    form.Commands->trigger(QStringLiteral("ItemCopyLink"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("http://a/b\r\n <file:doc\\a.txt> \r\n"));
}

TEST_F(LinkPanel, IconsComeOncePerExtension) {
    touch(QStringLiteral("a.txt"));
    touch(QStringLiteral("b.TXT"));
    touch(QStringLiteral("c.png"));
    touch(QStringLiteral("run.exe"));
    QDir().mkpath(dir.path() + QStringLiteral("/folder"));
    TLinkIcons& icons = panel->icons();
    using K = TLinkIcons;
    EXPECT_EQ(K::Classify(QStringLiteral("http://a/b"), QString()).kind, K::Url);
    EXPECT_EQ(K::Classify(QStringLiteral("folder"), dir.path() + "/folder").kind, K::Folder);
    EXPECT_EQ(K::Classify(QStringLiteral("run.exe"), dir.path() + "/run.exe").kind, K::PerFile);
    EXPECT_EQ(K::Classify(QStringLiteral("README"), dir.path() + "/README").kind, K::PerFile);
    const K::Key txt = K::Classify(QStringLiteral("b.TXT"), dir.path() + "/b.TXT");
    EXPECT_EQ(txt.kind, K::Extension);
    EXPECT_EQ(txt.extension, ".txt");

    A->Links = "<a.txt>\r\n<b.TXT>\r\n<c.png>\r\n<run.exe>\r\n<folder>\r\nhttp://a/b\r\n";
    form.GoToItem(A);
    form.resize(800, 600);
    form.show();
    ASSERT_TRUE(WaitFor([&] { return form.isVisible(); }));
    form.LinkBox->viewport()->grab(); // paints the lines in sight
    EXPECT_GE(icons.CacheSize(), 1);
    for (const QString& e : panel->Entries())
        icons.Icon(TLinkPanel::LinkEntryTarget(e), panel->AbsoluteTarget(e));
    EXPECT_EQ(icons.CacheSize(), 2);
    EXPECT_TRUE(icons.IsCached(QStringLiteral(".txt")));
    EXPECT_TRUE(icons.IsCached(QStringLiteral(".png")));
    EXPECT_FALSE(icons.Icon(QStringLiteral("a.txt"), dir.path() + "/a.txt").isNull());
    EXPECT_FALSE(icons.Icon(QStringLiteral("http://a/b"), QString()).isNull());
    // Three entries: four lines high, when the right pane has room for it.
    A->Links = "<a.txt>\r\n<b.TXT>\r\n<c.png>\r\n";
    form.GoToItem(B);
    form.GoToItem(A);
    QApplication::processEvents();
    const int line = std::max(17, QFontMetrics(form.LinkBox->font()).height() + 1);
    EXPECT_EQ(form.LinkBox->viewport()->height(), 4 * line);
    form.hide();
}

TEST_F(LinkPanel, DroppedFilesBecomeRelativeEntries) {
    form.GoToItem(A);
    panel->AddDroppedFiles(
        {dir.path() + QStringLiteral("/doc/a.txt"), QStringLiteral("/elsewhere/b.txt")});
    EXPECT_EQ(panel->Entries(), (QStringList{"<doc/a.txt>", "</elsewhere/b.txt>"}));
    EXPECT_FALSE(form.LinkBox->isHidden());
    EXPECT_TRUE(form.LinkChanged);
}

TEST_F(LinkPanel, EditingToEmptyDeletesAndCancelLeavesTheEntry) {
    A->Links = "one\r\ntwo\r\n";
    form.GoToItem(A);
    selectRow(0);
    answer(QStringLiteral("uno"), false);
    form.Commands->trigger(QStringLiteral("ItemEditLink"));
    EXPECT_EQ(panel->Entries(), (QStringList{"one", "two"}));
    answer(QStringLiteral("uno"));
    form.Commands->trigger(QStringLiteral("ItemEditLink"));
    EXPECT_EQ(panel->Entries(), (QStringList{"uno", "two"}));
    answer(QString());
    form.Commands->trigger(QStringLiteral("ItemEditLink"));
    EXPECT_EQ(panel->Entries(), (QStringList{"two"}));
}

TEST_F(LinkPanel, DeleteAndPasteActOnThePanelWhenItHasTheFocus) {
    A->Links = "one\r\ntwo\r\nthree\r\n";
    form.GoToItem(A);
    form.LinkBox->setFocus();
    form.LinkBox->item(0)->setSelected(true);
    form.LinkBox->item(2)->setSelected(true);
    form.Commands->updateStates();
    EXPECT_TRUE(form.Commands->action(QStringLiteral("TBDelete"))->isEnabled());
    const int items = form.Outline->count();
    form.Commands->trigger(QStringLiteral("ItemDelete"));
    EXPECT_EQ(panel->Entries(), (QStringList{"two"}));
    EXPECT_EQ(form.Outline->count(), items); // no item went
    QGuiApplication::clipboard()->setText(QStringLiteral("http://example.org/"));
    form.Commands->trigger(QStringLiteral("ItemPaste"));
    EXPECT_EQ(panel->Entries(), (QStringList{"two", "http://example.org/"}));
    form.GoToItem(B);
    EXPECT_EQ(A->Links, QByteArray("two\r\nhttp://example.org/\r\n"));
}

TEST_F(LinkPanel, OpensTheLinkAndItsFolder) {
    const QString file = touch(QStringLiteral("doc/a.txt"));
    A->Links = "<doc/a.txt>\r\n";
    form.GoToItem(A);
    selectRow(0);
    form.Commands->trigger(QStringLiteral("ItemOpenLink"));
    form.Commands->trigger(QStringLiteral("ItemLinkFolder"));
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(file));
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(dir.path() + QStringLiteral("/doc")));
}

TEST_F(LinkPanel, DeletingALinkedFileAsksWithItsRealPath) {
    // The entry reaches the file through a linked folder.
    const QString real = touch(QStringLiteral("real/a.txt"));
    ASSERT_TRUE(
        QFile::link(dir.path() + QStringLiteral("/real"), dir.path() + QStringLiteral("/via")));
    QStringList trashed;
    TLinkPanel::MoveToTrash = [&trashed](const QString& path) {
        trashed << path;
        return true;
    };
    A->Links = "<via/a.txt>\r\n<gone.txt>\r\n<real>\r\n";
    form.GoToItem(A);
    selectRow(0);
    MessageBox::setNextAnswer(QMessageBox::No);
    form.Commands->trigger(QStringLiteral("ItemDeleteLinkFile"));
    EXPECT_TRUE(MessageBox::lastText().contains(QFileInfo(real).canonicalFilePath()));
    EXPECT_TRUE(trashed.isEmpty());
    EXPECT_EQ(panel->Entries().size(), 3);
    form.LinkBox->selectAll();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    form.Commands->trigger(QStringLiteral("ItemDeleteLinkFile"));
    EXPECT_EQ(trashed, QStringList{QFileInfo(real).canonicalFilePath()});
    // The missing file's entry and the folder's only leave the list.
    EXPECT_TRUE(panel->Entries().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.path() + QStringLiteral("/real")));
}

TEST_F(LinkPanel, FilesDroppedOnTheTitleBoxBecomeEntriesButNotOnThePage) {
    form.GoToItem(A);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.path() + QStringLiteral("/doc/a.txt"))});
    const Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction;
    for (QWidget* target : {static_cast<QWidget*>(form.EditTitle), form.RichEdit->viewport()}) {
        QDragEnterEvent enter(QPoint(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    EXPECT_EQ(panel->Entries(), QStringList{"<doc/a.txt>"});
    EXPECT_EQ(form.EditTitle->text(), "A");
}
