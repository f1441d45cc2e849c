// The window against read-only documents, documents another window writes,
// pipes and running out of memory.
#include "DocWindow.h"

#include "shell/LoadProgress.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLockFile>
#include <QProgressDialog>
#include <QTimer>

#include <new>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

void edit(DocWindow& w, const char* title) {
    w.addBook(title);
}

// A saved document in its own folder, outside any window.
QString savedDocument(const TestHome& home, const char* name) {
    const QString path = home.file(QString::fromUtf8(name));
    DocWindow w;
    FileDialog::setNextFileName(path);
    EXPECT_TRUE(w.docs->ItemSaveAsClick());
    return path;
}

// Starts w on path, answering the first question with answer.
void startOn(DocWindow& w, const QString& path, QMessageBox::StandardButton answer) {
    MessageBox::setNextAnswer(answer);
    auto doc = std::make_unique<TWrenDoc>(w.home.path());
    doc->SetFileName(path);
    w.docs->StartDocument(std::move(doc), nullptr);
}

} // namespace

TEST(HardeningGui, AReadOnlyDocumentIsNotReplacedAndSaveAsStaysOpen) {
    TestHome prep;
    const QString path = savedDocument(prep, "読専.wrn");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = fileBytes(path);

    DocWindow w(path);
    ASSERT_TRUE(w.doc().LoadedOK);
    edit(w, "追加");
    w.form->Commands->trigger(QStringLiteral("ItemSave"));
    EXPECT_EQ(w.boxes(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(path)) << MessageBox::lastText().toStdString();
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("読み取り専用")));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::WriteOwner, 0);

    // Closing asks where the edits go; No closes without writing.
    MessageBox::setNextAnswer(QMessageBox::No);
    w.form->show();
    EXPECT_TRUE(w.form->close());
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("読み取り専用です")));
    EXPECT_EQ(fileBytes(path), before);
}

TEST(HardeningGui, SaveAsWritesAReadOnlyDocumentsEditsElsewhere) {
    TestHome prep;
    const QString path = savedDocument(prep, "原本.wrn");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = fileBytes(path);
    DocWindow w(path);
    edit(w, "追加");
    const QString copy = prep.file(QStringLiteral("写し.wrn"));
    FileDialog::setNextFileName(copy);
    EXPECT_TRUE(w.docs->ItemSaveAsClick());
    EXPECT_EQ(w.doc().FileName, copy);
    EXPECT_NE(fileBytes(copy), before);
    EXPECT_EQ(fileBytes(path), before);
}

TEST(HardeningGui, ADocumentOpenInAnotherWindowIsOfferedReadOnly) {
    TestHome prep;
    const QString path = savedDocument(prep, "共有.wrn");
    const QByteArray before = fileBytes(path);
    // The other window's lock (held by this process, as another would hold it).
    QLockFile other(TWrenDoc::LockFileName(path));
    other.setStaleLockTime(0);
    ASSERT_TRUE(other.tryLock(0));

    {
        DocWindow w;
        startOn(w, path, QMessageBox::Yes);
        EXPECT_EQ(MessageBox::lastText(),
                  path + QStringLiteral(" は別のウィンドウで開かれています。\n"
                                        "読み取り専用で開きますか？"));
        EXPECT_EQ(w.doc().FileName, path);
        EXPECT_TRUE(w.doc().ReadOnly);
        EXPECT_TRUE(w.doc().LoadedOK);
        ASSERT_TRUE(w.doc().HasFileName()) << "a save would open a dialog";
        edit(w, "追加");
        w.form->Commands->trigger(QStringLiteral("ItemSave"));
        EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("読み取り専用")));
        EXPECT_EQ(fileBytes(path), before);
        // No auto-save beside a document another window writes.
        w.options().SaveTemporal = true;
        w.doc().LastSaveTime = 0;
        w.docs->IdleAutoSave();
        EXPECT_FALSE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(path)));
        MessageBox::setNextAnswer(QMessageBox::No);
    }
    {
        // Declined: the window starts on a new document instead.
        DocWindow w;
        startOn(w, path, QMessageBox::No);
        EXPECT_FALSE(w.doc().HasFileName());
        EXPECT_FALSE(w.doc().ReadOnly);
    }
    other.unlock();
    {
        DocWindow w(path);
        EXPECT_FALSE(w.doc().ReadOnly);
        EXPECT_EQ(w.docs->LockedPath(), path);
        // While this window has it, nobody else takes it.
        QLockFile second(TWrenDoc::LockFileName(path));
        EXPECT_FALSE(second.tryLock(0));
        // Reverting keeps the lock rather than asking about itself.
        const int boxes = MessageBox::count();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        w.form->Commands->trigger(QStringLiteral("ItemRevert"));
        EXPECT_EQ(MessageBox::count(), boxes + 1);
        EXPECT_FALSE(w.doc().ReadOnly);
        // Save As onto a document another window holds is refused.
        const QString held = savedDocument(prep, "他方.wrn");
        QLockFile heldLock(TWrenDoc::LockFileName(held));
        ASSERT_TRUE(heldLock.tryLock(0));
        const QByteArray heldBytes = fileBytes(held);
        FileDialog::setNextFileName(held);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        EXPECT_FALSE(w.docs->ItemSaveAsClick());
        EXPECT_TRUE(
            MessageBox::lastText().contains(QStringLiteral("別のウィンドウで開かれています")));
        EXPECT_EQ(fileBytes(held), heldBytes);
        EXPECT_EQ(w.doc().FileName, path);
    }
    // The window gone, its lock goes with it.
    QLockFile after(TWrenDoc::LockFileName(path));
    EXPECT_TRUE(after.tryLock(0));
}

TEST(HardeningGui, APipeIsRefusedWithAMessage) {
    TestHome prep;
    const QString fifo = prep.file(QStringLiteral("管.wrn"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    DocWindow w;
    edit(w, "残す");
    const int items = w.outline().count();
    w.docs->OpenFile(fifo);
    EXPECT_EQ(w.boxes(), 1);
    EXPECT_TRUE(MessageBox::lastText().contains(fifo));
    EXPECT_EQ(w.outline().count(), items) << "the open document stays";
    // Started on it: refused by the load, never saved onto.
    DocWindow started(fifo);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("名前付きパイプ")))
        << MessageBox::lastText().toStdString();
    EXPECT_FALSE(started.doc().LoadedOK);
}

TEST(HardeningGui, RunningOutOfMemoryInACommandIsSaidInJapanese) {
    DocWindow w;
    QString reported;
    auto saved = w.form->Commands->ErrorReporter;
    w.form->Commands->ErrorReporter = [&](const QString& m) { reported = m; };
    EXPECT_FALSE(w.form->Commands->guarded([] { throw std::bad_alloc(); }));
    EXPECT_EQ(reported, QStringLiteral("メモリが足りないため、操作を続けられませんでした。"));
    w.form->Commands->ErrorReporter = saved;
}

TEST(HardeningGui, TheTemporaryFileOfAKilledSaveGoesWhenTheDocumentIsOpened) {
    TestHome prep;
    const QString path = savedDocument(prep, "中断.wrn");
    const QString temp = TWrenDoc::TempFileName(path);
    {
        QFile f(temp);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half a save");
    }
    {
        // Not while another window holds the document: it may be saving now.
        QLockFile other(TWrenDoc::LockFileName(path));
        ASSERT_TRUE(other.tryLock(0));
        DocWindow w;
        startOn(w, path, QMessageBox::Yes);
        EXPECT_TRUE(w.doc().ReadOnly);
        EXPECT_TRUE(QFileInfo::exists(temp));
    }
    DocWindow w(path);
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_TRUE(w.doc().LoadedOK);
}

namespace {

// A document of a few megabytes, read in several blocks.
QString largeDocument(const TestHome& home) {
    const QString path = home.file(QStringLiteral("大きい.wrn"));
    DocWindow w;
    const QByteArray page = QByteArray("words of a long page ").repeated(400);
    for (int i = 0; i < 500; ++i)
        w.addBook("項目")->item()->PageText = page + QByteArray::number(i);
    FileDialog::setNextFileName(path);
    EXPECT_TRUE(w.docs->ItemSaveAsClick());
    return path;
}

QProgressDialog* loadProgress() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QProgressDialog*>(top);
            d && d->objectName() == QLatin1String("LoadProgress") && d->isVisible())
            return d;
    return nullptr;
}

struct ShowAtOnce {
    int saved = TLoadProgress::ShowAfterMs;
    ShowAtOnce() { TLoadProgress::ShowAfterMs = 0; }
    ~ShowAtOnce() { TLoadProgress::ShowAfterMs = saved; }
};

} // namespace

TEST(HardeningGui, ALongLoadShowsProgressAndCanBeStoppedWithoutHarm) {
    TestHome prep;
    const QString path = largeDocument(prep);
    const QByteArray before = fileBytes(path);
    ShowAtOnce quick;

    {
        // Let run, the window shows how far it got and goes when done.
        bool seen = false;
        QTimer::singleShot(0, [&] { seen = loadProgress() != nullptr; });
        DocWindow w(path);
        EXPECT_TRUE(seen);
        EXPECT_EQ(loadProgress(), nullptr);
        EXPECT_TRUE(w.doc().LoadedOK);
        EXPECT_EQ(w.outline().count(), 502); // with the first item and the trash
    }

    // Stopped: a new untitled document, no message box, the file untouched
    // and free for another window.
    QString label;
    QTimer::singleShot(0, [&] {
        if (QProgressDialog* d = loadProgress()) {
            label = d->labelText();
            d->cancel();
        }
    });
    DocWindow w(path);
    EXPECT_TRUE(label.contains(QStringLiteral("大きい.wrn"))) << label.toStdString();
    EXPECT_EQ(loadProgress(), nullptr);
    EXPECT_FALSE(w.doc().HasFileName());
    EXPECT_EQ(w.outline().count(), 2);
    EXPECT_EQ(w.boxes(), 0);
    EXPECT_TRUE(w.form->statusPanel(0)->text().contains(QStringLiteral("中止")))
        << w.form->statusPanel(0)->text().toStdString();
    QLockFile other(TWrenDoc::LockFileName(path));
    other.setStaleLockTime(0);
    EXPECT_TRUE(other.tryLock(0));
    other.unlock();

    // A later save asks for a name rather than writing over the file.
    FileDialog::setNextFileName(QString());
    w.form->Commands->trigger(QStringLiteral("ItemSave"));
    EXPECT_EQ(fileBytes(path), before);
}
