#include "DocWindow.h"

#include "common/Clock.h"
#include "common/ProgramFolder.h"
#include "doc/DocPaths.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>

namespace {

QStringList actionTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Restores a replaceable function of the document commands.
template <typename F> struct Restore {
    F& f;
    F saved;
    explicit Restore(F& fn) : f(fn), saved(fn) {}
    ~Restore() { f = saved; }
};

} // namespace

TEST(FileCommands, CaptionsFollowTheDocument) {
    DocWindow w;
    EXPECT_EQ(w.form->windowTitle(), QStringLiteral("名称未設定 - WrenNOTE"));
    EXPECT_EQ(w.form->IBWrenBox->text(), QStringLiteral("名称未設定"));
    w.saveAs("予定表");
    const QString path = w.path("予定表.wrn");
    EXPECT_EQ(w.doc().FileName, path);
    EXPECT_EQ(w.form->windowTitle(),
              QStringLiteral("予定表 - WrenNOTE < ") + path + QStringLiteral(" >"));
    EXPECT_EQ(w.form->IBWrenBox->text(), QStringLiteral("予定表"));
    EXPECT_EQ(w.form->Commands->action(QStringLiteral("ItemTrayFileTitle"))->text(),
              QStringLiteral("予定表 - WrenNOTE"));
    if (w.form->TrayIcon1) {
        EXPECT_EQ(w.form->TrayIcon1->toolTip(), QStringLiteral("予定表 - WrenNOTE"));
    }
    EXPECT_TRUE(w.doc().ReadHistory().isEmpty()) << "Save As leaves the history alone";
}

TEST(FileCommands, SaveShowsTheSavingMarkWhileItRuns) {
    DocWindow w;
    w.saveAs("印.wrn");
    const QString caption = w.form->windowTitle();
    QStringList titles;
    QObject::connect(w.form.get(), &QWidget::windowTitleChanged,
                     [&](const QString& t) { titles << t; });
    w.form->Commands->trigger(QStringLiteral("ItemSave"));
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_EQ(titles.first(), caption + QStringLiteral("[保存中]"));
    EXPECT_EQ(w.form->windowTitle(), caption);
}

TEST(FileCommands, AFailedReadRefusesSaveAndSaveAsButNotTheBranch) {
    TestHome prep;
    const QString broken = prep.file(QStringLiteral("壊れ.wrn"));
    const QByteArray bytes = ByteBuilder().u8(12).u8(1).u8(0).u8(4).i32(50).raw("abc").bytes();
    writeBytes(broken, bytes);
    MessageBox::setAutoAnswer(QMessageBox::Ok);
    DocWindow w(broken);
    EXPECT_EQ(w.doc().FileName, broken);
    w.form->Commands->trigger(QStringLiteral("ItemSave"));
    EXPECT_EQ(MessageBox::lastText(), TWrenDoc::RefusedSaveMessage());
    const QString other = w.path("別.wrn");
    FileDialog::setNextFileName(other);
    w.form->Commands->trigger(QStringLiteral("ItemSaveAs"));
    EXPECT_EQ(MessageBox::lastText(), TWrenDoc::RefusedSaveMessage());
    EXPECT_EQ(w.doc().FileName, other) << "Save As still takes the name";
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_EQ(fileBytes(broken), bytes);

    // The branch is written.
    w.outline().setSelectedNode(w.outline().trashNode());
    const QString branch = w.path("枝.wrn");
    FileDialog::setNextFileName(branch);
    w.form->Commands->trigger(QStringLiteral("N22"));
    EXPECT_EQ(FileDialog::lastCaption(), QStringLiteral("選択項目以下を保存"));
    EXPECT_TRUE(QFileInfo::exists(branch));
}

TEST(FileCommands, SavingTheBranchWithCtrlOpensItElsewhere) {
    Restore<std::function<bool()>> keepCtrl(TDocumentCommands::CtrlHeld);
    Restore<std::function<bool(const QString&)>> keepOpen(TDocumentCommands::OpenWithDesktop);
    QStringList opened;
    TDocumentCommands::OpenWithDesktop = [&](const QString& path) {
        opened << path;
        return true;
    };
    DocWindow w;
    w.saveAs("全体.wrn");
    TOutlineNode* book = w.addBook("枝の本");
    TLeafNote::Create(w.outline(), 5, book);
    w.form->GoToItem(book->item());
    TDocumentCommands::CtrlHeld = [] { return true; };
    const QString target = w.path("枝の本.wrn");
    FileDialog::setNextFileName(target);
    w.form->Commands->trigger(QStringLiteral("ItemTextOutput"));
    EXPECT_EQ(FileDialog::lastCaption(), QStringLiteral("選択項目以下を保存した後に開く"));
    // Ctrl is still held when the branch is opened: it opens in another window.
    EXPECT_EQ(opened, QStringList({target}));
    EXPECT_EQ(w.doc().FileName, w.path("全体.wrn"));

    // What was written is the branch alone, with its child.
    DocWindow reader(target);
    ASSERT_EQ(reader.outline().topLevelCount(), 2) << "the branch and a new trash";
    EXPECT_EQ(Cp932::toUnicode(reader.outline().topLevel(0)->item()->Title),
              QStringLiteral("枝の本"));
    EXPECT_EQ(reader.outline().topLevel(0)->childCount(), 1);
}

TEST(FileCommands, HistoryMenuAndSiblings) {
    DocWindow w;
    TCommandTable& c = *w.form->Commands;
    QMenu* popup = c.menu(QStringLiteral("PopupMenuWrenBox"));
    QMenu* history = c.menu(QStringLiteral("ItemHistory"));
    ASSERT_TRUE(popup && history);
    const QStringList fixedPopup = actionTexts(popup);
    const QStringList fixedHistory = actionTexts(history);

    c.trigger(QStringLiteral("PopupMenuWrenBox"));
    EXPECT_FALSE(history->menuAction()->isEnabled()) << "no history yet";
    EXPECT_FALSE(c.action(QStringLiteral("ItemRenameFile"))->isEnabled());
    EXPECT_FALSE(c.action(QStringLiteral("ItemOpenWrenFolder"))->isEnabled());

    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << QStringLiteral("/他所/文書%1.wrn").arg(i);
    lines.insert(1, w.path("同じ.wrn"));
    writeBytes(w.doc().HistoryFileName(), (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
    for (const char* name : {"b.wrn", "A.wrn"})
        writeBytes(w.path(name), "x");
    w.saveAs("自分.wrn");

    c.trigger(QStringLiteral("PopupMenuWrenBox"));
    QStringList expectedHistory;
    for (int i = 1; i <= 10; ++i)
        expectedHistory << QStringLiteral("/他所/文書%1.wrn").arg(i);
    const QStringList shownHistory = actionTexts(history).mid(0, 10);
    EXPECT_EQ(shownHistory, expectedHistory);
    EXPECT_EQ(actionTexts(history).mid(10).filter(QStringLiteral("文書")).size(), 0);
    EXPECT_TRUE(history->menuAction()->isEnabled());
    EXPECT_EQ(actionTexts(popup).mid(0, 3), QStringList({"A", "b", "-"}));
    EXPECT_TRUE(c.action(QStringLiteral("ItemRenameFile"))->isEnabled());

    // Opening again replaces what was added, nothing piles up.
    c.trigger(QStringLiteral("PopupMenuWrenBox"));
    EXPECT_EQ(actionTexts(popup).size(), fixedPopup.size() + 3);
    EXPECT_EQ(actionTexts(history).size(), fixedHistory.size() + 10 + 1);

    // A sibling entry opens that document.
    popup->actions().at(0)->trigger();
    EXPECT_EQ(w.doc().FileName, w.path("A.wrn"));
}

TEST(FileCommands, OpenFileReplacesTheDocumentAndRecordsIt) {
    DocWindow w;
    w.saveAs("最初.wrn");
    {
        DocWindow other;
        other.addBook("二番目の本");
        FileDialog::setNextFileName(w.path("二番目.wrn"));
        ASSERT_TRUE(other.docs->ItemSaveAsClick());
    }
    w.docs->OpenFile(w.path("二番目.wrn"));
    EXPECT_EQ(w.doc().FileName, w.path("二番目.wrn"));
    EXPECT_EQ(w.form->windowTitle(), TWrenDoc::CaptionFor(w.path("二番目.wrn")));
    EXPECT_EQ(w.doc().ReadHistory().value(0), w.path("二番目.wrn"));
    ASSERT_NE(w.form->CurrentItem, nullptr);
    // A missing file does nothing.
    w.docs->OpenFile(w.path("無い.wrn"));
    EXPECT_EQ(w.doc().FileName, w.path("二番目.wrn"));
}

TEST(FileCommands, LkpOpensUnderItsWrnName) {
    TestHome prep;
    const QString lkp = prep.file(QStringLiteral("古.lkp"));
    writeBytes(lkp, Sjis("本\t0\t0\t0\r\n"));
    DocWindow w(lkp);
    const QString wrn = prep.file(QStringLiteral("古.wrn"));
    EXPECT_EQ(w.doc().FileName, wrn);
    EXPECT_EQ(w.form->windowTitle(),
              QStringLiteral("古 - WrenNOTE < ") + wrn + QStringLiteral(" >"));
    EXPECT_TRUE(QFileInfo::exists(wrn));
}

TEST(FileCommands, RevertDiscardsEditsOnlyOnYes) {
    DocWindow w;
    w.saveAs("戻す.wrn");
    const int count = w.outline().count();
    w.addBook("後から");
    MessageBox::setNextAnswer(QMessageBox::No);
    w.form->Commands->trigger(QStringLiteral("ItemRevert"));
    EXPECT_EQ(w.outline().count(), count + 1);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    w.form->Commands->trigger(QStringLiteral("ItemRevert"));
    EXPECT_EQ(MessageBox::lastText(),
              QStringLiteral("最終保存時からの編集を破棄してよろしいですか？"));
    EXPECT_EQ(w.outline().count(), count);
}

TEST(FileCommands, RenameThroughTheInputBox) {
    using Box = std::function<QString(const QString&, const QString&, const QString&, bool*)>;
    Restore<Box> keep(TDocumentCommands::InputBox);
    DocWindow w;
    w.saveAs("旧名.wrn");
    QString shownPreset;
    TDocumentCommands::InputBox = [&](const QString& title, const QString& prompt,
                                      const QString& preset, bool* ok) {
        EXPECT_EQ(title, QStringLiteral("ファイル名の変更"));
        EXPECT_EQ(prompt, QStringLiteral("新しいファイル名を入力して下さい。"));
        shownPreset = preset;
        *ok = true;
        return QStringLiteral("新名");
    };
    w.form->Commands->trigger(QStringLiteral("ItemRenameFile"));
    EXPECT_EQ(shownPreset, QStringLiteral("旧名"));
    EXPECT_EQ(w.doc().FileName, w.path("新名.wrn"));
    EXPECT_EQ(w.form->IBWrenBox->text(), QStringLiteral("新名"));
    EXPECT_TRUE(QFileInfo::exists(w.path("新名.wrn")));

    // Onto an existing name: refused and said so.
    writeBytes(w.path("既存.wrn"), "other");
    TDocumentCommands::InputBox = [](const QString&, const QString&, const QString&, bool* ok) {
        *ok = true;
        return QStringLiteral("既存");
    };
    const int before = MessageBox::count();
    w.form->Commands->trigger(QStringLiteral("ItemRenameFile"));
    EXPECT_EQ(MessageBox::count(), before + 1);
    EXPECT_EQ(w.doc().FileName, w.path("新名.wrn"));
    EXPECT_EQ(fileBytes(w.path("既存.wrn")), QByteArray("other"));

    // A separator would put the document into another folder, or make its
    // name read as one (a backslash is read as a separator too).
    for (const QString& bad : {QStringLiteral("下/名"), QStringLiteral("下\\名")}) {
        TDocumentCommands::InputBox = [bad](const QString&, const QString&, const QString&,
                                            bool* ok) {
            *ok = true;
            return bad;
        };
        const int shown = MessageBox::count();
        w.form->Commands->trigger(QStringLiteral("ItemRenameFile"));
        EXPECT_EQ(MessageBox::count(), shown + 1) << bad.toStdString();
        EXPECT_EQ(w.doc().FileName, w.path("新名.wrn"));
        EXPECT_TRUE(QFileInfo::exists(w.path("新名.wrn")));
    }
}

TEST(FileCommands, NewStartsAnotherInstanceWithMinusN) {
    Restore<std::function<bool(const QStringList&)>> keep(TDocumentCommands::StartInstance);
    QStringList seen;
    TDocumentCommands::StartInstance = [&](const QStringList& args) {
        seen = args;
        return true;
    };
    DocWindow w;
    w.form->Commands->trigger(QStringLiteral("ItemNew"));
    EXPECT_EQ(seen, QStringList({QStringLiteral("-n")}));
}

TEST(FileCommands, AutoSaveAtIdleMoments) {
    ScopedFixedClock clock(QDateTime(QDate(2024, 6, 1), QTime(10, 0)));
    DocWindow w;
    w.saveAs("自動.wrn");
    w.options().SaveTemporal = true;
    const QString autoFile = w.path("自動.wr~");
    w.docs->IdleAutoSave();
    EXPECT_FALSE(QFileInfo::exists(autoFile));
    clock.clock().advanceSeconds(11 * 60 + 16);
    w.docs->IdleAutoSave();
    EXPECT_TRUE(QFileInfo::exists(autoFile));
    w.form->Commands->trigger(QStringLiteral("ItemSave"));
    EXPECT_FALSE(QFileInfo::exists(autoFile)) << "a save removes the auto-save";
}

TEST(FileCommands, AnotherInstanceBringsTheWindowBack) {
    DocWindow w;
    w.saveAs("前へ.wrn");
    EXPECT_EQ(w.docs->instance().ListeningPath(), w.doc().FileName);
    w.form->hide();
    std::atomic<bool> done{false};
    const QString path = w.doc().FileName;
    QThread* t = QThread::create([&] {
        TSingleInstance::NotifyRunning(path, 3000);
        done = true;
    });
    t->start();
    QElapsedTimer waited;
    waited.start();
    while (!(done && w.form->isVisible()) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    t->wait();
    delete t;
    EXPECT_TRUE(w.form->isVisible());
}

TEST(FileCommands, VersionWindow) {
    DocWindow w;
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    w.form->show();
    w.form->Commands->trigger(QStringLiteral("ItemShowVersion"));
    QWidget* version = w.form->findChild<QWidget*>(QStringLiteral("FormVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(version->findChild<QLabel*>(QStringLiteral("LabelVersion"))->text(),
              QStringLiteral("ver.1.66"));
}

TEST(FileCommands, RegisteringTheFileTypeAsksFirst) {
    DocWindow w;
    const QString data = w.path("data");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    const QString entry = data + QStringLiteral("/applications/wrennote.desktop");
    MessageBox::setNextAnswer(QMessageBox::No);
    w.form->Commands->trigger(QStringLiteral("ItemSetWrnType"));
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral(".wrnファイルを WrenNOTE に関連付けますか？"));
    EXPECT_FALSE(QFileInfo::exists(entry));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    w.form->Commands->trigger(QStringLiteral("ItemSetWrnType"));
    EXPECT_TRUE(QFileInfo::exists(entry));
    EXPECT_TRUE(QFileInfo::exists(data + QStringLiteral("/mime/packages/wrennote.xml")));
    EXPECT_EQ(MessageBox::lastText(),
              QStringLiteral("\".wrn\"の拡張子を持つファイルを WrenNOTE に関連付けました。"));
    qputenv("XDG_DATA_HOME", oldData);
}

TEST(FileCommands, OpenThroughTheDialogAndTidyTheHistory) {
    DocWindow w;
    w.saveAs("元.wrn");
    {
        DocWindow other;
        FileDialog::setNextFileName(w.path("開く.wrn"));
        ASSERT_TRUE(other.docs->ItemSaveAsClick());
    }
    FileDialog::setNextFileName(w.path("開く.wrn"));
    w.form->Commands->trigger(QStringLiteral("ItemOpen"));
    EXPECT_EQ(w.doc().FileName, w.path("開く.wrn"));

    writeBytes(w.doc().HistoryFileName(),
               (w.path("開く.wrn") + QStringLiteral("\r\n/無い/消えた.wrn\r\n")).toUtf8());
    w.form->Commands->trigger(QStringLiteral("N50"));
    EXPECT_EQ(w.doc().ReadHistory(), QStringList({w.path("開く.wrn")}));
    w.form->Commands->trigger(QStringLiteral("N52"));
    EXPECT_FALSE(QFileInfo::exists(w.doc().HistoryFileName()));
}

TEST(FileCommands, SaveAsAsksBeforeReplacingTheFileItsExtensionNames) {
    DocWindow w;
    const QString existing = w.path("既存.wrn");
    writeBytes(existing, QByteArray("someone else's document"));
    w.addBook("新しい内容");

    // The dialog confirmed "既存", which does not exist; "既存.wrn" does.
    FileDialog::setNextFileName(w.path("既存"));
    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_FALSE(w.docs->ItemSaveAsClick());
    EXPECT_EQ(w.boxes(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(existing)) << MessageBox::lastText().toStdString();
    EXPECT_EQ(fileBytes(existing), QByteArray("someone else's document"));
    EXPECT_FALSE(w.doc().HasFileName()) << "the name is not taken either";

    FileDialog::setNextFileName(w.path("既存"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(w.docs->ItemSaveAsClick());
    EXPECT_EQ(w.doc().FileName, existing);
    EXPECT_NE(fileBytes(existing), QByteArray("someone else's document"));

    // A name the dialog itself confirmed is not asked about again.
    const int before = MessageBox::count();
    FileDialog::setNextFileName(existing);
    EXPECT_TRUE(w.docs->ItemSaveAsClick());
    EXPECT_EQ(MessageBox::count(), before);
}

TEST(FileCommands, ALoadErrorClearsThePositionTextOfThePreviousDocument) {
    DocWindow w;
    w.saveAs("前.wrn");
    w.form->statusPanel(3)->setText(QStringLiteral("12 行: 3 列"));
    w.form->statusPanel(4)->setText(QStringLiteral("120 文字"));
    const QString broken = w.path("壊れた.wrn");
    writeBytes(broken, QByteArray("not an outline at all"));
    w.docs->OpenFile(broken);
    EXPECT_EQ(w.boxes(), 1);
    EXPECT_FALSE(w.doc().LoadedOK);
    EXPECT_TRUE(w.form->statusPanel(3)->text().isEmpty());
    EXPECT_TRUE(w.form->statusPanel(4)->text().isEmpty());
}

TEST(FileCommands, AnUnnamedDocumentIsSavedFromTheDocumentsFolder) {
    DocWindow w;
    FileDialog::setNextFileName(QString());
    w.docs->ItemSaveAsClick();
    EXPECT_EQ(FileDialog::lastDir(), DocumentsFolder() + QStringLiteral("/名称未設定.wrn"));
    EXPECT_NE(FolderOf(FileDialog::lastDir()), w.home.path());
    // The manual opened last lives in the program folder; that is no place
    // for the user's documents either.
    w.doc().SetFileName(w.path("Manual.wrn"));
    w.doc().AddToHistory();
    w.doc().SetFileName(QString());
    FileDialog::setNextFileName(QString());
    w.docs->ItemSaveAsClick();
    EXPECT_EQ(FolderOf(FileDialog::lastDir()), DocumentsFolder());
}
