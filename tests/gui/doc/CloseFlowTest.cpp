#include "DocWindow.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Edits the document so that a save changes the file.
void edit(DocWindow& w, const char* title) {
    w.addBook(title);
}

} // namespace

TEST(CloseFlow, ConfirmSaveCancelKeepsTheWindowAndNoDoesNotSave) {
    DocWindow w;
    w.saveAs("確認.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    w.options().ConfirmSave = true;
    edit(w, "追加");
    w.form->show();
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);

    MessageBox::setNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(w.form->close());
    EXPECT_EQ(MessageBox::lastText(), QStringLiteral("ファイルを保存してよろしいですか？"));
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_EQ(closed.count(), 0);

    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_TRUE(w.form->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(fileBytes(w.doc().FileName), saved) << "No closes without saving";
    EXPECT_EQ(w.boxes(), 2);
}

TEST(CloseFlow, ConfirmSaveYesSavesAndCloses) {
    DocWindow w;
    w.saveAs("確認.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    w.options().ConfirmSave = true;
    edit(w, "追加");
    w.form->show();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(w.form->close());
    EXPECT_NE(fileBytes(w.doc().FileName), saved);
    EXPECT_EQ(w.boxes(), 1);
}

TEST(CloseFlow, WithoutConfirmSaveClosingAlwaysSaves) {
    DocWindow w;
    w.saveAs("常に.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    edit(w, "追加");
    w.form->show();
    EXPECT_TRUE(w.form->close());
    EXPECT_NE(fileBytes(w.doc().FileName), saved);
    EXPECT_EQ(w.boxes(), 0);
}

TEST(CloseFlow, StayOnHidesUntilAnExitCommand) {
    DocWindow w;
    w.saveAs("常駐.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    w.options().StayOn = true;
    edit(w, "追加");
    w.form->show();
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);

    EXPECT_FALSE(w.form->close()) << "the close box only hides";
    EXPECT_FALSE(w.form->isVisible());
    w.form->show();
    w.form->Commands->trigger(QStringLiteral("ItemClose"));
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(fileBytes(w.doc().FileName), saved);

    // The tray's exit command closes for real, with the save.
    w.form->Commands->trigger(QStringLiteral("ItemTrayExit"));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(w.docs->ReallyExit);
    EXPECT_NE(fileBytes(w.doc().FileName), saved);
}

TEST(CloseFlow, ExitWithoutSavingAsksNothingAndWritesNothing) {
    DocWindow w;
    w.saveAs("保存しない.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    w.options().ConfirmSave = true;
    w.options().StayOn = true;
    edit(w, "追加");
    w.form->show();
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);
    w.form->Commands->trigger(QStringLiteral("N27"));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(w.docs->ExitWithoutSaving);
    EXPECT_EQ(w.boxes(), 0);
    EXPECT_EQ(fileBytes(w.doc().FileName), saved);
}

TEST(CloseFlow, ACancelledExitLeavesTheWindowAsItWas) {
    DocWindow w;
    w.saveAs("取消.wrn");
    w.options().ConfirmSave = true;
    w.options().StayOn = true;
    w.form->show();
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    w.form->Commands->trigger(QStringLiteral("ItemExit"));
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_FALSE(w.docs->ReallyExit) << "a later close box only hides again";
    EXPECT_FALSE(w.form->close());
    EXPECT_FALSE(w.form->isVisible());
}

TEST(CloseFlow, TrashOnTerminateEmptiesTheTrashOnlyWhenSaving) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        DocWindow w;
        w.options().ConfirmSave = true;
        w.options().TrashOnTerminate = true;
        TOutlineNode* trash = w.outline().trashNode();
        ASSERT_NE(trash, nullptr);
        TLeafNote::Create(w.outline(), 5, trash);
        TLeafNote::Create(w.outline(), 5, trash);
        w.saveAs("ごみ.wrn");
        w.form->show();
        MessageBox::setNextAnswer(yes ? QMessageBox::Yes : QMessageBox::No);
        EXPECT_TRUE(w.form->close());
        EXPECT_EQ(w.outline().trashNode()->childCount(), yes ? 0 : 2);

        // What the file holds.
        TOptionDesc settings;
        TOutline reread(&settings);
        TWrenDoc check(w.home.path());
        struct Host : TWrenDocHost {
            TOptionDesc* s;
            TOutline* o;
            TOptionDesc& DocSettings() override { return *s; }
            TOutline& DocOutline() override { return *o; }
            void ShowWarning(const QString&) override {}
            bool Confirm(const QString&) override { return false; }
        } host;
        host.s = &settings;
        host.o = &reread;
        check.SetFileName(w.doc().FileName);
        check.Load(host);
        EXPECT_EQ(reread.trashNode()->childCount(), yes ? 0 : 2);
    }
}

TEST(CloseFlow, AnUnnamedDocumentAsksForANameAndStaysOpenWithoutOne) {
    DocWindow w;
    w.form->show();
    FileDialog::setNextFileName(QString()); // cancelled
    EXPECT_FALSE(w.form->close());
    EXPECT_EQ(FileDialog::lastCaption(), QStringLiteral("ファイル全体を保存"));
    EXPECT_TRUE(w.form->isVisible());

    FileDialog::setNextFileName(w.path("名前"));
    EXPECT_TRUE(w.form->close());
    EXPECT_TRUE(QFileInfo::exists(w.path("名前.wrn")));
}

TEST(CloseFlow, AFailedSaveKeepsTheWindowOpen) {
    DocWindow w;
    w.saveAs("失敗.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    edit(w, "追加");
    // A folder in the temporary file's place refuses the write.
    ASSERT_TRUE(QDir(w.home.path()).mkpath(QStringLiteral("失敗.tmp/中身")));
    w.form->show();
    EXPECT_FALSE(w.form->close());
    EXPECT_EQ(w.boxes(), 1) << "the failure is shown";
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_EQ(fileBytes(w.doc().FileName), saved);
    EXPECT_EQ(w.form->windowTitle(), w.doc().GetWindowCaption()) << "the caption is restored";
}

TEST(CloseFlow, ADocumentNotReadCorrectlyClosesWithoutBeingWritten) {
    TestHome prep;
    const QString broken = prep.file(QStringLiteral("壊れ.wrn"));
    const QByteArray bytes = ByteBuilder().u8(12).u8(1).u8(0).u8(4).i32(50).raw("abc").bytes();
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    DocWindow w(broken);
    EXPECT_FALSE(w.doc().LoadedOK);
    w.form->show();
    EXPECT_TRUE(w.form->close());
    EXPECT_EQ(MessageBox::lastText(), TWrenDoc::RefusedSaveMessage());
    EXPECT_EQ(fileBytes(broken), bytes);
}

TEST(CloseFlow, TheEndOfTheSessionClosesAResidentWindowForReal) {
    DocWindow w;
    w.saveAs("終了.wrn");
    w.options().StayOn = true;
    edit(w, "追加");
    const QByteArray saved = fileBytes(w.doc().FileName);
    w.form->show();
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);
    w.docs->AboutToQuit();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(fileBytes(w.doc().FileName), saved);
}

TEST(CloseFlow, AnUnnamedDocumentWhoseFirstSaveFailsStaysOpen) {
    DocWindow w;
    edit(w, "まだ無い");
    // A folder in the temporary file's place refuses the write.
    ASSERT_TRUE(QDir(w.home.path()).mkpath(QStringLiteral("初回.tmp/中身")));
    w.form->show();
    FileDialog::setNextFileName(w.path("初回"));
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);
    EXPECT_FALSE(w.form->close()) << "the edits exist nowhere else";
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(w.boxes(), 1) << "the failure is shown";
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_FALSE(QFileInfo::exists(w.path("初回.wrn")));
}

TEST(CloseFlow, AnUnexpectedFailureWhileSavingIsShownAndKeepsTheWindow) {
    DocWindow w;
    w.saveAs("想定外.wrn");
    const QByteArray saved = fileBytes(w.doc().FileName);
    edit(w, "追加");
    w.form->show();
    TWrenDoc::SaveStepHook = [](TWrenDoc::SaveStep) { throw std::runtime_error("out of memory"); };
    bool open = false;
    EXPECT_NO_THROW(open = !w.form->close()) << "nothing escapes the close box";
    TWrenDoc::SaveStepHook = nullptr;
    EXPECT_TRUE(open);
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_EQ(w.boxes(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("out of memory")));
    EXPECT_EQ(w.form->windowTitle(), w.doc().GetWindowCaption()) << "the caption is restored";
    EXPECT_EQ(fileBytes(w.doc().FileName), saved);
}

TEST(CloseFlow, WithoutATrayAResidentWindowIsMinimisedNotLost) {
    DocWindow w;
    w.options().StayOn = true;
    TDocumentCommands::TrayAvailable = [] { return false; };
    w.form->show();
    QSignalSpy closed(w.docs, &TDocumentCommands::closedForGood);
    EXPECT_FALSE(w.form->close());
    EXPECT_TRUE(w.form->isVisible());
    EXPECT_TRUE(w.form->isMinimized());
    EXPECT_EQ(closed.count(), 0);
}
