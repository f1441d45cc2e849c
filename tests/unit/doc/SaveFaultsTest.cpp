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
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// A saved document whose next save is much larger than the first.
struct SavedDocument {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc{home.path()};
    QByteArray old;

    SavedDocument() {
        doc.Load(host);
        doc.SetFileName(home.file(QStringLiteral("大事.wrn")));
        EXPECT_TRUE(doc.Save(host));
        old = readAll(doc.FileName);
        // Pages that do not compress away.
        QRandomGenerator random(42);
        for (int i = 0; i < 20; ++i) {
            QByteArray page(4000, '\0');
            for (char& c : page)
                c = char('A' + random.bounded(26));
            host.addBook("頁")->item()->SetPage(page, QByteArray());
        }
    }
    QString companion(const char* ext) const {
        return WithLastChars(doc.FileName, QString::fromLatin1(ext));
    }
};

// Limits the size of every file this process writes, for one scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

struct SimulatedCrash {};

} // namespace

TEST(SaveFaults, AWriteThatFailsHalfWayLeavesTheOldDocument) {
    SavedDocument d;
    const double before = d.doc.LastSaveTime;
    try {
        FileSizeLimit limit(20000);
        d.doc.Save(d.host);
        FAIL() << "the save passed as done";
    } catch (const EFileError& e) {
        // Named as the user knows it, with the system's reason.
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("ファイル「%1」を保存できませんでした。\n").arg(d.doc.FileName)))
            << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(d.companion("tmp"))) << e.message().toStdString();
        EXPECT_GT(e.message().section(QLatin1Char('\n'), 1).size(), 0);
    }
    EXPECT_EQ(readAll(d.doc.FileName), d.old);
    EXPECT_FALSE(QFileInfo::exists(d.companion("tmp")));
    EXPECT_EQ(d.doc.LastSaveTime, before);
    // Once the device accepts again, the same document saves.
    EXPECT_TRUE(d.doc.Save(d.host));
    EXPECT_NE(readAll(d.doc.FileName), d.old);
}

TEST(SaveFaults, AFolderThatRefusesTheTemporaryFile) {
    SavedDocument d;
    ASSERT_TRUE(QDir(d.home.path()).mkpath(QStringLiteral("大事.tmp/中身")));
    EXPECT_THROW(d.doc.Save(d.host), EFileError);
    EXPECT_EQ(readAll(d.doc.FileName), d.old);
    EXPECT_TRUE(QFileInfo(d.companion("tmp")).isDir()) << "someone else's folder is left alone";
}

TEST(SaveFaults, ALinkInThePlaceOfTheTemporaryFileIsNotWrittenThrough) {
    SavedDocument d;
    const QString victim = d.home.file(QStringLiteral("他人のファイル"));
    writeFile(victim, "keep me");
    ASSERT_TRUE(QFile::link(victim, d.companion("tmp")));
    EXPECT_TRUE(d.doc.Save(d.host));
    EXPECT_EQ(readAll(victim), QByteArray("keep me"));
    EXPECT_NE(readAll(d.doc.FileName), d.old);
}

TEST(SaveFaults, ABackupThatCannotBeReplacedStopsTheSave) {
    SavedDocument d;
    d.host.settings.SaveBAKFile = true;
    ASSERT_TRUE(QDir(d.home.path()).mkpath(QStringLiteral("大事.bak/中身")));
    try {
        d.doc.Save(d.host);
        FAIL() << "the save passed as done";
    } catch (const EFileError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("削除できませんでした")))
            << e.message().toStdString();
    }
    EXPECT_EQ(readAll(d.doc.FileName), d.old);
    EXPECT_FALSE(QFileInfo::exists(d.companion("tmp")));
}

TEST(SaveFaults, AFailedRenameIsReported) {
    SavedDocument d;
    // A folder where the document should be cannot be replaced by a file.
    const QString folderDoc = d.home.file(QStringLiteral("棚.wrn"));
    ASSERT_TRUE(QDir(d.home.path()).mkpath(QStringLiteral("棚.wrn/中身")));
    d.doc.SetFileName(folderDoc);
    EXPECT_THROW(d.doc.Save(d.host), EFileError);
    EXPECT_TRUE(QFileInfo(folderDoc).isDir());
    EXPECT_FALSE(QFileInfo::exists(d.home.file(QStringLiteral("棚.tmp"))));
}

TEST(SaveFaults, WhatStandsUnderTheAutoSaveNameButIsNotOurCopyIsLeftAlone) {
    SavedDocument d;
    ASSERT_TRUE(QDir(d.home.path()).mkpath(QStringLiteral("大事.wr~/中身")));
    EXPECT_TRUE(d.doc.Save(d.host));
    EXPECT_TRUE(d.host.warnings.isEmpty());
    EXPECT_TRUE(QFileInfo(d.companion("wr~")).isDir());
    EXPECT_NE(readAll(d.doc.FileName), d.old);
}

// A crash between any two steps of a save leaves the old or the new
// document under its name, never neither.
TEST(SaveFaults, ACrashBetweenStepsNeverLosesBothDocuments) {
    int crashes = 0;
    for (const bool backup : {false, true}) {
        for (const auto crashAt : {TWrenDoc::StepTempWritten, TWrenDoc::StepBackupMade,
                                   TWrenDoc::StepReplaced, TWrenDoc::StepAutoSaveRemoved}) {
            SCOPED_TRACE(testing::Message() << "backup " << backup << " step " << crashAt);
            SavedDocument d;
            d.host.settings.SaveBAKFile = backup;
            bool crashed = false;
            TWrenDoc::SaveStepHook = [&](TWrenDoc::SaveStep s) {
                if (s == crashAt) {
                    crashed = true;
                    throw SimulatedCrash();
                }
            };
            try {
                d.doc.Save(d.host);
            } catch (const SimulatedCrash&) {
            }
            TWrenDoc::SaveStepHook = nullptr;
            if (!crashed) // a step the save does not take with this setting
                continue;
            ++crashes;
            const QByteArray now = readAll(d.doc.FileName);
            const bool hasNew = now != d.old && now != "<missing>";
            EXPECT_TRUE(now == d.old || hasNew) << "the document is always whole";
            // What is under the name reads as a document.
            DocTestHost reader;
            TWrenDoc check(d.home.path());
            check.SetFileName(d.doc.FileName);
            EXPECT_NO_THROW(check.Load(reader));
            EXPECT_TRUE(check.LoadedOK);
            if (crashAt == TWrenDoc::StepTempWritten) {
                EXPECT_EQ(now, d.old) << "nothing replaced before the rename";
            }
            if (crashAt >= TWrenDoc::StepReplaced) {
                EXPECT_EQ(reader.outline.count(), d.host.outline.count());
            }
            if (backup && crashAt >= TWrenDoc::StepBackupMade) {
                EXPECT_EQ(readAll(d.companion("bak")), d.old);
            }
        }
    }
    EXPECT_EQ(crashes, 7) << "every step of both sequences was interrupted";
}

TEST(SafeFileOps, ReplaceAtomicallyKeepsTheOldFileWhenTheWriteFails) {
    TestHome home;
    const QString path = home.file(QStringLiteral("枝.wrn"));
    writeFile(path, "old content");
    {
        FileSizeLimit limit(4);
        EXPECT_THROW(SafeFile::ReplaceAtomically(path, QByteArray(100, 'x')), EFileError);
    }
    EXPECT_EQ(readAll(path), QByteArray("old content"));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"枝.wrn"}))
        << "no temporary file is left behind";
    SafeFile::ReplaceAtomically(path, "new");
    EXPECT_EQ(readAll(path), QByteArray("new"));
}

TEST(SafeFileOps, ReplaceAtomicallyWritesThroughAPipeAndLeavesItThere) {
    TestHome home;
    const QString path = home.file(QStringLiteral("枝.wrn"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    std::future<QByteArray> reader = ReadPipeLater(path);
    SafeFile::ReplaceAtomically(path, "selected items");
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(reader.get(), QByteArray("selected items"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::System | QDir::Files | QDir::Hidden),
              QStringList({"枝.wrn"}))
        << "no temporary file is left behind";
}

TEST(SafeFileOps, LinkOrCopyAndRenameNoReplace) {
    TestHome home;
    const QString a = home.file(QStringLiteral("a")), b = home.file(QStringLiteral("b"));
    writeFile(a, "A");
    SafeFile::LinkOrCopy(a, b);
    EXPECT_EQ(readAll(b), QByteArray("A"));
    EXPECT_THROW(SafeFile::LinkOrCopy(a, b), EFileError);
    EXPECT_THROW(SafeFile::RenameNoReplace(a, b), EFileError);
    EXPECT_EQ(readAll(a), QByteArray("A"));
    SafeFile::Remove(b);
    SafeFile::RenameNoReplace(a, b);
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(readAll(b), QByteArray("A"));
    EXPECT_NO_THROW(SafeFile::Remove(a));
}

namespace {

// Hands what it is given on in pieces of awkward sizes.
void producePieces(TByteSink& sink, const QByteArray& whole) {
    const qsizetype sizes[] = {1, 7, 3 << 20, 1 << 20, 13, 65536};
    qsizetype at = 0;
    for (int i = 0; at < whole.size(); ++i) {
        const qsizetype n = qMin(sizes[i % 6], whole.size() - at);
        sink.write(whole.constData() + at, n);
        at += n;
    }
}

QByteArray noise(qsizetype size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

} // namespace

TEST(SafeFileOps, AStreamedWriteIsExactAcrossBlocks) {
    TestHome home;
    const QString path = home.file(QStringLiteral("流れ.tmp"));
    for (const qsizetype size : {qsizetype(0), qsizetype(5), qsizetype(6 << 20) + 3}) {
        SCOPED_TRACE(size);
        const QByteArray whole = noise(size, quint32(size));
        SafeFile::WriteDurably(path, [&](TByteSink& sink) { producePieces(sink, whole); });
        EXPECT_EQ(readAll(path), whole);
    }
}

TEST(SafeFileOps, AStreamedWriteThatFailsLeavesNoFile) {
    TestHome home;
    const QString path = home.file(QStringLiteral("途中.tmp"));
    EXPECT_THROW(SafeFile::WriteDurably(path,
                                        [](TByteSink& sink) {
                                            sink.write("part", 4);
                                            throw EReadError(QStringLiteral("圧縮できません"));
                                        }),
                 EReadError);
    EXPECT_FALSE(QFileInfo::exists(path));
    {
        FileSizeLimit limit(1000);
        EXPECT_THROW(SafeFile::WriteDurably(
                         path, [](TByteSink& sink) { producePieces(sink, noise(5000, 1)); }),
                     EFileError);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

// The saved file is the document's image byte for byte, also when it spans
// many blocks and holds a page larger than one.
TEST(SaveFaults, AStreamedSaveIsTheWholeImage) {
    SavedDocument s;
    s.host.addBook("大きな頁")->item()->SetPage("text", noise(3 << 20, 7));
    for (int i = 0; i < 300; ++i)
        s.host.addBook("頁")->item()->SetPage(noise(9000, quint32(i)), QByteArray());
    ASSERT_TRUE(s.doc.Save(s.host));
    const QByteArray saved = readAll(s.doc.FileName);
    EXPECT_GT(saved.size(), 5 << 20);
    EXPECT_EQ(saved, OutlineFile::writeDocument(s.host.settings, s.host.outline));
}

TEST(SafeFileOps, AStreamedReplaceKeepsTheOldFileWhenTheWriteFails) {
    TestHome home;
    const QString path = home.file(QStringLiteral("自動.wr~"));
    writeFile(path, "old content");
    const QByteArray whole = noise(3 << 20, 3);
    {
        FileSizeLimit limit(1 << 20);
        EXPECT_THROW(
            SafeFile::ReplaceAtomically(path, [&](TByteSink& sink) { producePieces(sink, whole); }),
            EFileError);
    }
    EXPECT_EQ(readAll(path), QByteArray("old content"));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"自動.wr~"}));
    SafeFile::ReplaceAtomically(path, [&](TByteSink& sink) { producePieces(sink, whole); });
    EXPECT_EQ(readAll(path), whole);
}

// What is read back must be what was written: a file changed behind the
// writer's back is caught, whether a byte differs or the length.
TEST(SafeFileOps, AStreamedWriteChangedOnDiskIsRefused) {
    TestHome home;
    const QString path = home.file(QStringLiteral("改変.tmp"));
    const QByteArray whole = noise(100000, 5);
    auto tamper = [&](qint64 at, const QByteArray& with) {
        return [&, at, with](TByteSink& sink) {
            producePieces(sink, whole);
            QFile other(path);
            ASSERT_TRUE(other.open(QIODevice::ReadWrite));
            other.seek(at);
            other.write(with);
        };
    };
    EXPECT_THROW(SafeFile::WriteDurably(path, tamper(77777, QByteArray(1, char(whole[77777] ^ 1)))),
                 EFileError);
    EXPECT_THROW(SafeFile::WriteDurably(path, tamper(whole.size(), "x")), EFileError);
    EXPECT_NO_THROW(SafeFile::WriteDurably(path, tamper(5, whole.mid(5, 1))));
}
