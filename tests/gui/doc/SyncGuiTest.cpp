#include "DocWindow.h"

#include "doc/SyncCopies.h"
#include "document/DocumentWatch.h"
#include "document/MergeForm.h"
#include "file/OutlineFile.h"

#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QTextEdit>

#include <unistd.h>

namespace {

// Writes another version of the document the way sync tools do: a
// temporary file beside it, renamed over it.
QByteArray replaceWith(const QString& path, const std::function<void(TOutline&)>& change) {
    TOptionDesc settings;
    TOutline outline(&settings);
    EXPECT_TRUE(OutlineFile::readFile(path, settings, outline).ok);
    change(outline);
    const QByteArray bytes = OutlineFile::writeDocument(settings, outline);
    const QString temp = path + QStringLiteral(".syncthing.tmp");
    QFile f(temp);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    EXPECT_EQ(::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()),
              0);
    return bytes;
}

// Leaves the first half of the file, as a sync tool still writing it does;
// returns what it held.
QByteArray cutInHalf(const QString& path) {
    const QByteArray whole = fileBytes(path);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(whole.left(whole.size() / 2));
    return whole;
}

void addTop(TOutline& outline, const char* title) {
    TLeafNote* item = TLeafNote::Create(outline, InsertTopOfLevel, nullptr);
    item->SetTitle(Sjis(title));
    item->AssignNodeId();
}

bool has(TOutline& outline, const char* title) {
    bool found = false;
    outline.forEach([&](TOutlineNode* n) {
        found = found || n->item()->Title == Sjis(title);
        return !found;
    });
    return found;
}

bool fileHas(const QString& path, const char* title) {
    TOptionDesc settings;
    TOutline outline(&settings);
    return OutlineFile::readFile(path, settings, outline).ok && has(outline, title);
}

QStringList keptCopies(const QString& folder, const QString& label) {
    return QDir(folder).entryList({QStringLiteral("*(") + label + QStringLiteral("*")});
}

struct SyncWindow : DocWindow {
    QString file;
    TOutlineNode* child = nullptr;
    SyncWindow() {
        TOutlineNode* book = outline().topLevel(0);
        child = TLeafNote::Create(outline(), InsertLastChild, book)->TreeNode;
        child->item()->SetTitle(Sjis("子"));
        child->item()->AssignNodeId();
        book->item()->AssignNodeId();
        outline().setExpanded(book, true);
        saveAs("同期.wrn");
        file = path("同期.wrn");
        outline().setSelectedNode(child);
        form->GoToItem(child->item());
        TDocumentWatch::RetryDelayMs = 1;
    }
    TDocumentWatch& watch() { return docs->watch(); }
};

} // namespace

TEST(SyncedDocument, AnotherVersionIsReadAtOnceKeepingWhatWasShown) {
    SyncWindow w;
    const int32_t childId = w.child->item()->NodeId;
    replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    w.watch().CheckNow();
    EXPECT_TRUE(has(w.outline(), "向こうで追加"));
    ASSERT_NE(w.form->CurrentItem, nullptr);
    EXPECT_EQ(w.form->CurrentItem->NodeId, childId) << "the same item is shown";
    EXPECT_TRUE(w.form->CurrentItem->TreeNode->parent()->expanded());
    EXPECT_EQ(w.form->statusPanel(0)->text(),
              QStringLiteral("他のプログラムが文書を更新したため、読み込み直しました"));
    EXPECT_EQ(w.boxes(), 0) << "nothing to ask with nothing unsaved";
}

TEST(SyncedDocument, APageTypedAndStoredIsAnEditTheArrivedVersionDoesNotReplace) {
    SyncWindow w;
    w.form->RichEdit->setPlainText(QStringLiteral("ここで書いた言葉"));
    w.form->RichEdit->document()->setModified(true);
    w.form->StorePage(); // as moving to another item or an auto-save does
    replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    w.watch().CheckNow();
    EXPECT_FALSE(has(w.outline(), "向こうで追加")) << "not read over the edit";
    EXPECT_EQ(w.child->item()->PageText, Sjis("ここで書いた言葉"));
}

TEST(SyncedDocument, AFileStillBeingWrittenIsNotTakenHalfWay) {
    SyncWindow w;
    const QByteArray whole = cutInHalf(w.file);
    TDocumentWatch::Retries = 0;
    w.watch().CheckNow();
    TDocumentWatch::Retries = 6;
    EXPECT_TRUE(has(w.outline(), "子")) << "the window keeps what it had";
    EXPECT_TRUE(w.form->statusPanel(0)->text().contains(QStringLiteral("読み込めませんでした")));
    // Saving then asks instead of writing over it.
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(w.docs->ItemSaveClick());
    EXPECT_EQ(fileBytes(w.file), whole.left(whole.size() / 2));
}

TEST(SyncedDocument, UnsavedEditsAndAnArrivedVersionKeepBothWhenAsked) {
    SyncWindow w;
    w.addBook("ここで追加");
    const QByteArray theirs = replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    // Cancel: nothing written.
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(w.docs->ItemSaveClick());
    EXPECT_EQ(fileBytes(w.file), theirs);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("他のプログラム")));

    // Keep both: ours beside it, theirs in the window.
    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_TRUE(w.docs->ItemSaveClick());
    EXPECT_EQ(fileBytes(w.file), theirs);
    const QStringList mine = keptCopies(w.home.path(), SyncCopies::OursLabel());
    ASSERT_EQ(mine.size(), 1);
    EXPECT_TRUE(fileHas(w.home.file(mine.first()), "ここで追加"));
    EXPECT_TRUE(has(w.outline(), "向こうで追加"));
    EXPECT_FALSE(has(w.outline(), "ここで追加"));
}

TEST(SyncedDocument, KeepingBothWithAnUnreadableArrivalKeepsOursAndSaysSo) {
    SyncWindow w;
    w.addBook("ここで追加");
    const QByteArray whole = cutInHalf(w.file);
    TDocumentWatch::Retries = 0;
    MessageBox::setNextAnswer(QMessageBox::No);
    EXPECT_TRUE(w.docs->ItemSaveClick());
    TDocumentWatch::Retries = 6;
    const QStringList mine = keptCopies(w.home.path(), SyncCopies::OursLabel());
    ASSERT_EQ(mine.size(), 1);
    EXPECT_TRUE(fileHas(w.home.file(mine.first()), "ここで追加"));
    EXPECT_TRUE(has(w.outline(), "ここで追加")) << "the window keeps what it has";
    EXPECT_TRUE(w.form->statusPanel(0)->text().contains(QStringLiteral("表示していません")));
}

TEST(SyncedDocument, OverwritingKeepsTheArrivedVersionFirst) {
    SyncWindow w;
    w.addBook("ここで追加");
    const QByteArray theirs = replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    MessageBox::setNextAnswer(QMessageBox::Save);
    EXPECT_TRUE(w.docs->ItemSaveClick());
    EXPECT_TRUE(fileHas(w.file, "ここで追加"));
    const QStringList kept = keptCopies(w.home.path(), SyncCopies::TheirsLabel());
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(fileBytes(w.home.file(kept.first())), theirs);
}

TEST(SyncedDocument, MergingShowsTheListThenSavesBothSidesWords) {
    SyncWindow w;
    w.addBook("ここで追加");
    replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    int listed = -1;
    TFormMerge::NextAnswer = [&](const TDocumentMerge& m) {
        listed = m.Count(TMergeAction::Added);
        return true;
    };
    MessageBox::setNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(w.docs->ItemSaveClick());
    EXPECT_EQ(listed, 1);
    EXPECT_TRUE(fileHas(w.file, "ここで追加"));
    EXPECT_TRUE(fileHas(w.file, "向こうで追加"));
    EXPECT_EQ(w.doc().CheckDisk(), TWrenDoc::DiskSame);
}

TEST(SyncedDocument, AThirdVersionArrivingWhileMergingIsAskedAboutNotWrittenOver) {
    SyncWindow w;
    w.addBook("ここで追加");
    replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    QByteArray third;
    TFormMerge::NextAnswer = [&](const TDocumentMerge&) {
        third = replaceWith(w.file, [](TOutline& o) { addTop(o, "三つ目の版"); });
        return true;
    };
    MessageBox::setNextAnswer(QMessageBox::Yes);    // merge
    MessageBox::setNextAnswer(QMessageBox::Cancel); // and then the third version
    EXPECT_FALSE(w.docs->ItemSaveClick());
    TFormMerge::NextAnswer = nullptr;
    EXPECT_EQ(fileBytes(w.file), third);
    EXPECT_TRUE(has(w.outline(), "向こうで追加")) << "the merge itself stays in the window";
}

TEST(SyncedDocument, AChangeWhileEditingWaitsForTheUserAndAutoSaveNeverTouchesTheFile) {
    SyncWindow w;
    w.addBook("ここで追加");
    const QByteArray theirs = replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    w.options().SaveTemporal = true;
    w.doc().LastSaveTime = 0;
    w.docs->IdleAutoSave();
    EXPECT_EQ(fileBytes(w.file), theirs);
    EXPECT_TRUE(fileHas(TWrenDoc::AutoSaveFileName(w.file), "ここで追加"));
    EXPECT_TRUE(has(w.outline(), "ここで追加")) << "unsaved edits are never dropped";
}

TEST(SyncedDocument, AConflictCopyIsAnnouncedAndMergedFromTheMenu) {
    SyncWindow w;
    const QString copy = w.path("同期.sync-conflict-20261208-101500-ABCDEF7.wrn");
    QFile::copy(w.file, copy);
    replaceWith(copy, [](TOutline& o) { addTop(o, "競合側の項目"); });
    w.watch().CheckNow();
    EXPECT_TRUE(w.form->statusPanel(0)->text().contains(QStringLiteral("競合コピー")));
    w.form->Commands->updateStates();
    TFormMerge::NextAnswer = [](const TDocumentMerge&) { return true; };
    w.form->Commands->trigger(QStringLiteral("ItemMergeConflict"));
    EXPECT_TRUE(has(w.outline(), "競合側の項目"));
}

// ---- the auto-save copy after a crash

namespace {

// A document and, newer beside it, an auto-save copy holding one more item.
QString crashedDocument(DocWindow& w) {
    w.saveAs("落ちた.wrn");
    const QString file = w.path("落ちた.wrn");
    const QString copy = TWrenDoc::AutoSaveFileName(file);
    QFile::copy(file, copy);
    replaceWith(copy, [](TOutline& o) { addTop(o, "自動保存だけの項目"); });
    QFile f(file);
    f.open(QIODevice::ReadWrite);
    f.setFileTime(QDateTime::currentDateTime().addSecs(-600), QFileDevice::FileModificationTime);
    return file;
}

} // namespace

// Reverting reads the document as opening does (the first answer is the revert's).
void reopen(DocWindow& w, MessageBox::Button answer) {
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(answer);
    w.docs->ItemRevertClick();
}

TEST(AutoSaveRecovery, TheCopyIsOfferedAndOpenedTheDocumentStaysUntilSaved) {
    DocWindow w;
    const QString file = crashedDocument(w);
    const QByteArray before = fileBytes(file);
    reopen(w, QMessageBox::Yes);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("自動保存の版")));
    EXPECT_TRUE(has(w.outline(), "自動保存だけの項目"));
    EXPECT_EQ(w.doc().FileName, file);
    EXPECT_EQ(fileBytes(file), before);
    ASSERT_TRUE(w.docs->ItemSaveClick());
    EXPECT_TRUE(fileHas(file, "自動保存だけの項目"));
    EXPECT_FALSE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(file)));
}

TEST(AutoSaveRecovery, UnansweredTheCopyOutlivesTheNextSave) {
    DocWindow w;
    const QString file = crashedDocument(w);
    const QByteArray copy = fileBytes(TWrenDoc::AutoSaveFileName(file));
    reopen(w, QMessageBox::Cancel);
    EXPECT_FALSE(has(w.outline(), "自動保存だけの項目"));
    ASSERT_TRUE(w.docs->ItemSaveClick());
    EXPECT_EQ(fileBytes(TWrenDoc::AutoSaveFileName(file)), copy);
}

TEST(AutoSaveRecovery, UnansweredTheCopyIsKeptAsideBeforeTheNextAutoSave) {
    DocWindow w;
    const QString file = crashedDocument(w);
    const QByteArray copy = fileBytes(TWrenDoc::AutoSaveFileName(file));
    reopen(w, QMessageBox::Cancel);
    w.options().SaveTemporal = true;
    w.doc().LastSaveTime = 0;
    w.docs->IdleAutoSave();
    const QStringList kept = keptCopies(w.home.path(), SyncCopies::EarlierAutoSaveLabel());
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(fileBytes(w.home.file(kept.first())), copy);
    EXPECT_TRUE(MessageBox::lastText().contains(kept.first()));
    // Our own copy is written over from then on, and nothing more is kept.
    w.doc().LastSaveTime = 0;
    w.docs->IdleAutoSave();
    EXPECT_EQ(keptCopies(w.home.path(), SyncCopies::EarlierAutoSaveLabel()).size(), 1);
}

TEST(AutoSaveRecovery, RevertingDoesNotOfferOurOwnCopyBack) {
    DocWindow w;
    w.saveAs("戻す.wrn");
    w.addBook("捨てる編集");
    w.options().SaveTemporal = true;
    w.doc().LastSaveTime = 0;
    w.docs->IdleAutoSave();
    ASSERT_TRUE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(w.path("戻す.wrn"))));
    const int before = w.boxes();
    MessageBox::setNextAnswer(QMessageBox::Yes);
    w.docs->ItemRevertClick();
    EXPECT_EQ(w.boxes(), before + 1) << "only the question whether to revert";
    EXPECT_FALSE(has(w.outline(), "捨てる編集"));
}

TEST(AutoSaveRecovery, ComparedAndMergedOrDiscardedIntoTheTrash) {
    DocWindow w;
    const QString file = crashedDocument(w);
    TFormMerge::NextAnswer = [](const TDocumentMerge& m) {
        return m.Count(TMergeAction::Added) == 1;
    };
    reopen(w, QMessageBox::No);
    EXPECT_TRUE(has(w.outline(), "自動保存だけの項目"));

    DocWindow other;
    // The desktop's trash of this test, not the user's or the working folder.
    const EnvScope data("XDG_DATA_HOME", other.path("data").toUtf8());
    const QString again = crashedDocument(other);
    reopen(other, QMessageBox::Discard);
    EXPECT_FALSE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(again)));
    EXPECT_TRUE(QFileInfo::exists(other.path("data/Trash/files/落ちた.wr~")));
    EXPECT_FALSE(has(other.outline(), "自動保存だけの項目"));
}

TEST(AutoSaveRecovery, TheCopyOpensReadOnlyByItself) {
    DocWindow w;
    const QString file = crashedDocument(w);
    DocWindow copy(TWrenDoc::AutoSaveFileName(file));
    EXPECT_TRUE(copy.doc().ReadOnly);
    EXPECT_TRUE(has(copy.outline(), "自動保存だけの項目"));
}

TEST(SyncedDocument, FollowingTheFileKeepsOurAutoSaveCopyOursAndAsksNothing) {
    SyncWindow w;
    w.options().SaveTemporal = true;
    w.doc().LastSaveTime = 0;
    w.docs->IdleAutoSave();
    const QString copy = TWrenDoc::AutoSaveFileName(w.file);
    ASSERT_TRUE(QFileInfo::exists(copy));
    // Sync tools keep the other computer's time: the arrival looks older.
    replaceWith(w.file, [](TOutline& o) { addTop(o, "向こうで追加"); });
    QFile f(w.file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    f.close();
    w.watch().CheckNow();
    EXPECT_TRUE(has(w.outline(), "向こうで追加"));
    EXPECT_EQ(w.boxes(), 0);
    w.addBook("ここで追加");
    ASSERT_TRUE(w.docs->ItemSaveClick());
    EXPECT_FALSE(QFileInfo::exists(copy)) << "the copy this window wrote goes with the save";
}

TEST(AutoSaveRecovery, ADamagedCopyIsSaidOnceAndKept) {
    DocWindow w;
    const QString file = crashedDocument(w);
    const QString copy = TWrenDoc::AutoSaveFileName(file);
    const QByteArray whole = fileBytes(copy);
    QFile f(copy);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(whole.left(whole.size() / 2));
    f.close();
    MessageBox::setNextAnswer(QMessageBox::Yes); // revert
    MessageBox::setNextAnswer(QMessageBox::Yes); // open the copy
    const int before = MessageBox::count();
    w.docs->ItemRevertClick();
    // The revert's question, the copy's, and the error: not the copy's again.
    EXPECT_EQ(MessageBox::count() - before, 3);
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_FALSE(has(w.outline(), "自動保存だけの項目"));
}
