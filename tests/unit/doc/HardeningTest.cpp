// Hostile and careless inputs: pipes and devices under a document's name,
// read-only documents, temporaries left by killed saves, page bombs and
// files of zeros.
#include "DocTestHost.h"

#include "TestSupport.h"
#include "doc/DocPaths.h"
#include "doc/SafeFile.h"
#include "file/ByteStream.h"
#include "file/OutlineFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <gtest/gtest.h>

namespace {

// A current-layout settings record without settings.
ByteBuilder emptySettings() {
    return ByteBuilder().u8(12).u8(1);
}

// One top-level item whose page is stored compressed (tag 17).
void addCompressedPage(ByteBuilder& b, const QByteArray& zlib) {
    b.u8(0).u8(4).str("page").u8(17).i32(int32_t(zlib.size())).raw(zlib).u8(1);
}

void makeOld(const QString& path) {
    struct utimbuf times {};
    times.actime = times.modtime = ::time(nullptr) - 3600;
    ::utime(QFile::encodeName(path).constData(), &times);
}

QStringList partFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
}

} // namespace

// ---- pipes, folders and devices

TEST(HardeningOpen, APipeNamedLikeADocumentIsRefusedNotWaitedOn) {
    TestHome home;
    const QString fifo = home.file(QStringLiteral("管.wrn"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Create({fifo});
    EXPECT_EQ(doc.FileName, CanonicalPath(fifo)); // taken, so that it can be refused
    try {
        doc.Load(host); // would block for ever in a blocking open
        FAIL() << "a pipe was read as a document";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("名前付きパイプ"))) << e.what();
        EXPECT_TRUE(e.message().contains(fifo)) << e.what();
    }
    EXPECT_FALSE(doc.LoadedOK);
    EXPECT_EQ(doc.FileName, CanonicalPath(fifo));
    // Never saved onto the pipe.
    EXPECT_FALSE(doc.Save(host));
    EXPECT_TRUE(QFileInfo(fifo).exists());
}

TEST(HardeningOpen, FoldersAndDevicesAreNamedForWhatTheyAre) {
    TestHome home;
    const QString folder = home.file(QStringLiteral("箱.wrn"));
    ASSERT_TRUE(QDir().mkpath(folder));
    TOptionDesc settings;
    TOutline outline(&settings);
    OutlineFile::ReadResult r = OutlineFile::readFile(folder, settings, outline);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("フォルダ"))) << r.error.toStdString();
    r = OutlineFile::readFile(QStringLiteral("/dev/zero"), settings, outline);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("デバイス"))) << r.error.toStdString();
}

TEST(HardeningOpen, AnEmptyFileIsSaidToBeEmptyNotDamaged) {
    TestHome home;
    const QString path = home.file(QStringLiteral("空.wrn"));
    writeFile(path, QByteArray());
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.SetFileName(path);
    try {
        doc.Load(host);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.message().contains(path)) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("空です"))) << e.what();
        EXPECT_FALSE(e.message().contains(QStringLiteral("位置"))) << e.what();
    }
}

// ---- read-only documents

TEST(HardeningReadOnly, AProtectedDocumentIsNotReplacedButSaveAsWorks) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("読専.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    const QByteArray before = readAll(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);

    host.addBook("追加");
    EXPECT_FALSE(doc.Save(host));
    ASSERT_EQ(host.warnings.size(), 1);
    EXPECT_TRUE(host.warnings.last().contains(path)) << host.warnings.last().toStdString();
    EXPECT_TRUE(host.warnings.last().contains(QStringLiteral("読み取り専用")));
    EXPECT_EQ(readAll(path), before);
    EXPECT_FALSE(QFileInfo::exists(TWrenDoc::TempFileName(path)));

    // Another name is the user's to write.
    const QString other = home.file(QStringLiteral("写し.wrn"));
    doc.SetFileName(other);
    EXPECT_TRUE(doc.Save(host));
    EXPECT_NE(readAll(other), before);
}

TEST(HardeningReadOnly, ADocumentOpenedReadOnlyIsNeitherSavedNorAutoSaved) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("閲覧.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    const QByteArray before = readAll(path);
    doc.ReadOnly = true;
    host.settings.SaveTemporal = true;
    doc.LastSaveTime = 0;
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue);
    EXPECT_FALSE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(path)));
    EXPECT_FALSE(doc.Save(host));
    EXPECT_EQ(readAll(path), before);
}

// ---- temporaries of killed saves

TEST(HardeningTemporaries, StaleOnesOfOurPatternGoAtStartUpLiveAndForeignOnesStay) {
    TestHome home;
    const QString path = home.file(QStringLiteral("残.wrn"));
    const QString autoSave = TWrenDoc::AutoSaveFileName(path);
    writeFile(path, emptySettings().bytes());
    const QString stale = home.file(QStringLiteral(".残.wr~.0123abcd.part"));
    const QString staleDoc = home.file(QStringLiteral(".残.wrn.deadbeef.part"));
    const QString locked = home.file(QStringLiteral(".残.wr~.00000001.part"));
    const QString fresh = home.file(QStringLiteral(".残.wr~.00000002.part"));
    const QString foreign = home.file(QStringLiteral(".残.wr~.notours.part"));
    for (const QString& p : {stale, staleDoc, locked, fresh, foreign})
        writeFile(p, QByteArray(1000, 'x'));
    for (const QString& p : {stale, staleDoc, locked, foreign})
        makeOld(p);
    // A writer still at work holds its temporary locked.
    const int fd = ::open(QFile::encodeName(locked).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.SetFileName(path);
    doc.Load(host);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_FALSE(QFileInfo::exists(staleDoc));
    EXPECT_TRUE(QFileInfo::exists(locked));
    EXPECT_TRUE(QFileInfo::exists(fresh));
    EXPECT_TRUE(QFileInfo::exists(foreign));
    ::close(fd);
    (void)autoSave;
}

TEST(HardeningTemporaries, TheNextAutoSaveRemovesWhatAKilledOneLeft) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("自動.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    const QString left = home.file(QStringLiteral(".自動.wr~.a1b2c3d4.part"));
    writeFile(left, QByteArray(5000, 'y'));
    makeOld(left);
    host.settings.SaveTemporal = true;
    doc.LastSaveTime = 0;
    ASSERT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    EXPECT_TRUE(partFiles(home.path()).isEmpty()) << partFiles(home.path()).join(' ').toStdString();
    EXPECT_TRUE(QFileInfo::exists(TWrenDoc::AutoSaveFileName(path)));
}

TEST(HardeningTemporaries, AFailedSaveNamesTheDocumentNotItsTemporary) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("名指.wrn"));
    doc.SetFileName(path);
    // The temporary's name is taken by a folder, which cannot be removed as a file.
    ASSERT_TRUE(QDir().mkpath(TWrenDoc::TempFileName(path)));
    ASSERT_TRUE(QDir().mkpath(TWrenDoc::TempFileName(path) + QStringLiteral("/中")));
    try {
        doc.Save(host);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("ファイル「%1」を保存できませんでした").arg(path)))
            << e.what();
        EXPECT_FALSE(e.message().contains(QStringLiteral(".tmp"))) << e.what();
    }
    // The hidden temporary of an atomic replacement is not named either.
    const QString target = home.file(QStringLiteral("枝.wrn"));
    ASSERT_TRUE(QDir().mkpath(home.file(QStringLiteral("枝.wrn/x"))));
    try {
        SafeFile::ReplaceAtomically(target, "abc");
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.message().contains(target)) << e.what();
        EXPECT_FALSE(e.message().contains(QStringLiteral(".part"))) << e.what();
    }
    EXPECT_TRUE(partFiles(home.path()).isEmpty());
}

// ---- decompression bombs

TEST(HardeningBombs, PagesAreExpandedWithinTheDocumentsBudget) {
    // Zeros compress about 1000:1: three pages of 6 MiB in a file of a few KiB.
    const QByteArray zeros(6 << 20, '\0');
    const QByteArray zlib = PageZip::compress(zeros);
    ASSERT_LT(zlib.size(), 10000);
    ByteBuilder b = emptySettings();
    for (int i = 0; i < 3; ++i)
        addCompressedPage(b, zlib);
    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult r = OutlineFile::readDocument(b.bytes(), settings, outline);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(outline.expandBudget(), TOutline::ExpandBudgetFor(b.size()));

    // A tighter budget: room for two pages.
    outline.setExpandBudget(13 << 20);
    TLeafNote* pages[3] = {outline.topLevel(0)->item(), outline.topLevel(1)->item(),
                           outline.topLevel(2)->item()};
    EXPECT_EQ(pages[0]->GetPage().size(), zeros.size());
    EXPECT_EQ(pages[1]->GetPage().size(), zeros.size());
    try {
        pages[2]->GetPage();
        FAIL() << "the third page went past the budget";
    } catch (const EReadError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("上限"))) << e.what();
    }
    EXPECT_FALSE(pages[2]->PageExpanded);
    // A page let go gives its room back, and keeps its compressed copy.
    pages[0]->ReleasePage();
    EXPECT_TRUE(pages[0]->PageRich.isEmpty());
    EXPECT_TRUE(pages[0]->PageCompressedValid);
    EXPECT_EQ(pages[2]->GetPage().size(), zeros.size());
    EXPECT_EQ(pages[0]->PageCompressed, zlib);
    // So does a page cleared (as when a branch becomes plain text).
    pages[1]->ClearPage();
    EXPECT_EQ(pages[0]->GetPage().size(), zeros.size());
}

TEST(HardeningBombs, CompressedPageTextPastTheBudgetStopsTheLoad) {
    const QByteArray zlib = PageZip::compress(QByteArray(8 << 20, 'a'));
    ByteBuilder b = emptySettings();
    b.u8(0).u8(4).str("bomb").u8(19).str(zlib).u8(1);
    TOptionDesc settings;
    TOutline outline(&settings);
    // 64 x a few KiB + 256 MiB holds 8 MiB, so the page is read.
    OutlineFile::ReadResult r = OutlineFile::readDocument(b.bytes(), settings, outline);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(outline.topLevel(0)->item()->PageText.size(), 8 << 20);
    // Pasted records bring only their own share: two such pages do not fit
    // into an outline that has no room left.
    ByteBuilder items;
    for (int i = 0; i < 2; ++i)
        items.u8(0).u8(4).str("bomb").u8(19).str(zlib).u8(1);
    outline.setExpandBudget(0);
    r = OutlineFile::readItems(items.bytes(), outline, 1, nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("上限"))) << r.error.toStdString();
}

// ---- long loads

namespace {

// Stops the read at its stopAt-th progress report (never when 0).
class CancellingHost : public DocTestHost {
public:
    int stopAt = 0;
    QList<QPair<qint64, qint64>> reports;
    bool LoadProgress(qint64 done, qint64 total) override {
        reports.append({done, total});
        return stopAt == 0 || reports.size() < stopAt;
    }
};

// A document of a few megabytes (several read blocks), saved at path.
void saveLargeDocument(const QString& folder, const QString& path) {
    DocTestHost writer;
    TWrenDoc doc(folder);
    doc.Load(writer);
    const QByteArray page = QByteArray("some words of a page ").repeated(400);
    for (int i = 0; i < 600; ++i) {
        TLeafNote* item = TLeafNote::Create(writer.outline, 1, nullptr);
        item->Title = "item " + QByteArray::number(i);
        item->PageText = page + QByteArray::number(i); // kept apart from compression
    }
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(writer));
}

} // namespace

TEST(HardeningLongLoad, ProgressClimbsToTheFileSize) {
    TestHome home;
    const QString path = home.file(QStringLiteral("大.wrn"));
    saveLargeDocument(home.path(), path);
    CancellingHost host;
    TWrenDoc doc(home.path());
    doc.Create({path});
    doc.Load(host);
    EXPECT_TRUE(doc.LoadedOK);
    const qint64 size = QFileInfo(path).size();
    ASSERT_GE(host.reports.size(), 2) << "one report per block read";
    for (qsizetype i = 0; i < host.reports.size(); ++i) {
        EXPECT_EQ(host.reports[i].second, size);
        if (i > 0) {
            EXPECT_GT(host.reports[i].first, host.reports[i - 1].first);
        }
    }
    EXPECT_EQ(host.reports.last().first, size);
}

TEST(HardeningLongLoad, ACancelledLoadLeavesANewDocumentThatCannotOverwriteTheFile) {
    TestHome home;
    const QString path = home.file(QStringLiteral("大.wrn"));
    saveLargeDocument(home.path(), path);
    const QByteArray before = readAll(path);

    CancellingHost host;
    host.stopAt = 2;
    TWrenDoc doc(home.path());
    doc.Create({path});
    doc.ReadOnly = true;
    try {
        doc.Load(host);
        FAIL() << "a cancelled load must be said";
    } catch (const EReadCancelled& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("中止"))) << e.what();
        EXPECT_TRUE(e.message().contains(path)) << e.what();
    }
    EXPECT_EQ(host.reports.size(), 2);
    // Nothing of the document given up on: one new item and the trash.
    EXPECT_FALSE(doc.HasFileName());
    EXPECT_TRUE(doc.LoadedOK);
    EXPECT_FALSE(doc.ReadOnly);
    ASSERT_EQ(host.outline.count(), 2);
    EXPECT_FALSE(host.outline.topLevel(0)->item()->Title.startsWith("item "));
    EXPECT_EQ(host.outline.topLevel(1), host.outline.trashNode());
    EXPECT_EQ(host.editing, nullptr) << "no caption edit the user did not ask for";
    EXPECT_TRUE(host.warnings.isEmpty());

    // A save goes to a new name, never over the file.
    const QString other = home.file(QStringLiteral("別.wrn"));
    doc.SetFileName(other);
    EXPECT_TRUE(doc.Save(host));
    EXPECT_EQ(readAll(path), before);
}

// ---- impossible records

TEST(HardeningZeros, AFileOfZerosIsRefusedAtItsBeginning) {
    TestHome home;
    const QString path = home.file(QStringLiteral("零.wrn"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Sparse: four gigabytes that take no room on the disk.
        ASSERT_TRUE(f.resize(qint64(4) << 30));
    }
    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, settings, outline);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("意味のないバイト"))) << r.error.toStdString();
    // Stopped within the first few kilobytes, not at the end of the file.
    EXPECT_TRUE(r.error.contains(QStringLiteral("(位置 4097)"))) << r.error.toStdString();
}

TEST(HardeningZeros, ARunOfIgnoredTagsInAnItemIsRefusedAShortOneIsRead) {
    ByteBuilder ok = emptySettings();
    ok.u8(0).zeros(MaxIgnoredTagRun - 2).u8(4).str("x").u8(1);
    TOptionDesc settings;
    TOutline outline(&settings);
    OutlineFile::ReadResult r = OutlineFile::readDocument(ok.bytes(), settings, outline);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(outline.count(), 1);
    EXPECT_EQ(outline.topLevel(0)->item()->Title, QByteArray("x"));

    ByteBuilder bad = emptySettings();
    bad.u8(0).u8(4).str("y").zeros(MaxIgnoredTagRun + 100).u8(1);
    r = OutlineFile::readDocument(bad.bytes(), settings, outline);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("意味のないバイト"))) << r.error.toStdString();
}

TEST(HardeningTemporaries, KillsDuringReplacementLeaveAWholeFileAndNothingForGood) {
    TestHome home;
    const QString target = home.file(QStringLiteral("殺.wr~"));
    const QByteArray a(1 << 20, 'A'), b(1 << 20, 'B');
    SafeFile::ReplaceAtomically(target, a);
    QRandomGenerator random(7);
    for (int kill = 0; kill < 20; ++kill) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0;; ++i) {
                try {
                    SafeFile::ReplaceAtomically(target, i % 2 ? a : b);
                } catch (...) {
                    ::_exit(3);
                }
            }
        }
        ::usleep(useconds_t(5000 + random.bounded(40000)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const QByteArray now = readAll(target);
        EXPECT_TRUE(now == a || now == b) << "kill " << kill << ": " << now.size() << " bytes";
    }
    // What the killed writers left is ours and unlocked: gone at the next look
    // (once it is old enough not to be a writer's that just began).
    for (const QString& part : partFiles(home.path()))
        makeOld(home.file(part));
    SafeFile::RemoveStaleTemporaries(target);
    EXPECT_TRUE(partFiles(home.path()).isEmpty()) << partFiles(home.path()).join(' ').toStdString();
}

// ---- kills during real saves

namespace {

// Forks a child that saves doc with save() over and over, flipping the first
// title between two spellings, and kills it after a random moment.
template <typename Save>
void killDuring(TWrenDoc& doc, DocTestHost& host, QRandomGenerator& random, Save save) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The killed child before this one wrote the file last.
        doc.RememberDisk();
        TLeafNote* first = host.outline.topLevel(0)->item();
        for (int i = 0;; ++i) {
            first->Title = i % 2 ? "first A" : "first B";
            try {
                save(doc, host);
            } catch (...) {
                ::_exit(3);
            }
        }
    }
    ::usleep(useconds_t(2000 + random.bounded(60000)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself";
}

// The document at path reads whole: every item, the first one as saved.
void expectWhole(const QString& path, int items, int kill) {
    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, settings, outline);
    ASSERT_TRUE(r.ok) << "kill " << kill << ": " << r.error.toStdString();
    ASSERT_EQ(outline.count(), items) << "kill " << kill;
    const QByteArray title = outline.topLevel(0)->item()->Title;
    EXPECT_TRUE(title == "first A" || title == "first B" || title == "first")
        << "kill " << kill << ": " << title.toStdString();
}

} // namespace

TEST(HardeningKills, SavesAndAutoSavesKilledAtAnyMomentLeaveWholeDocuments) {
    TestHome home;
    const QString path = home.file(QStringLiteral("保存中.wrn"));
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    host.outline.topLevel(0)->item()->Title = "first";
    const QByteArray page = QByteArray("a page to write again and again ").repeated(40);
    for (int i = 0; i < 1500; ++i)
        host.addBook("項目")->item()->PageText = page + QByteArray::number(i);
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    const int items = host.outline.count();

    QRandomGenerator random(19);
    for (int kill = 0; kill < 100; ++kill) {
        killDuring(doc, host, random, [](TWrenDoc& d, DocTestHost& h) { d.Save(h); });
        expectWhole(path, items, kill);
    }
    const QString autoSaved = TWrenDoc::AutoSaveFileName(path);
    for (int kill = 0; kill < 20; ++kill) {
        killDuring(doc, host, random,
                   [&autoSaved](TWrenDoc& d, DocTestHost& h) { d.WriteTo(autoSaved, h, nullptr); });
        if (QFileInfo::exists(autoSaved))
            expectWhole(autoSaved, items, kill);
        expectWhole(path, items, kill);
    }

    // What the killed saves left goes when the document is next opened; the
    // backup is the one other file kept, on purpose.
    for (const QString& part : partFiles(home.path()))
        makeOld(home.file(part));
    DocTestHost next;
    TWrenDoc reopened(home.path());
    reopened.Create({path});
    reopened.Load(next);
    EXPECT_TRUE(reopened.LoadedOK);
    EXPECT_TRUE(partFiles(home.path()).isEmpty()) << partFiles(home.path()).join(' ').toStdString();
}
