#include "DocTestHost.h"

#include "TestSupport.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "doc/DocPaths.h"
#include "doc/SafeFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A settings record of the current layout with no settings, then one
// top-level item carrying a title and a NodeId, built from the layout.
QByteArray oneItemDocument(const char* title, int32_t id) {
    return ByteBuilder().u8(12).u8(1).u8(0).u8(4).str(Sjis(title)).u8(15).i32(id).u8(1).bytes();
}

// A document that stops inside the first item's title.
QByteArray brokenDocument() {
    return ByteBuilder().u8(12).u8(1).u8(0).u8(4).i32(100).raw("short").bytes();
}

QString docIn(const TestHome& home, const char* name) {
    return home.file(QString::fromUtf8(name));
}

} // namespace

TEST(WrenDocCreate, ChoosesTheStartUpFile) {
    TestHome home;
    TWrenDoc doc(home.path());
    const QString a = docIn(home, "甲.wrn");
    const QString b = docIn(home, "乙.LKP");
    writeFile(a, oneItemDocument("甲", 1));
    writeFile(b, "x\t0\t0\t0\r\n");

    doc.Create({QStringLiteral("-n"), a});
    EXPECT_FALSE(doc.HasFileName()) << "-n starts an unnamed document";

    // A relative argument becomes the canonical path.
    QDir::setCurrent(home.path());
    doc.Create({QStringLiteral("./甲.wrn")});
    EXPECT_EQ(doc.FileName, QDir(home.path()).canonicalPath() + QStringLiteral("/甲.wrn"));
    doc.Create({b});
    EXPECT_EQ(doc.FileName, CanonicalPath(b)) << "the extension is compared in lower case";

    // Without a usable argument: the history's first line when it names a document.
    const QString other = docIn(home, "丙.wrn");
    writeFile(other, oneItemDocument("丙", 1));
    writeFile(doc.HistoryFileName(), other.toUtf8() + "\r\n" + a.toUtf8() + "\r\n");
    doc.Create({docIn(home, "無い.wrn")});
    EXPECT_EQ(doc.FileName, other);
    doc.Create({docIn(home, "x.txt")});
    EXPECT_EQ(doc.FileName, other);

    // A missing first line is not skipped over: the program folder is searched instead.
    writeFile(doc.HistoryFileName(), docIn(home, "消えた.wrn").toUtf8() + "\r\n" + a.toUtf8());
    QFile::remove(other);
    doc.Create({});
    EXPECT_EQ(doc.FileName, a) << "the only *.wrn of the program folder";

    QFile::remove(a);
    doc.Create({});
    EXPECT_FALSE(doc.HasFileName());
}

TEST(WrenDocLoad, NewDocumentHasOneBookAndTheTrash) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.SetFileName(docIn(home, "無い.wrn"));
    doc.Load(host);
    EXPECT_FALSE(doc.HasFileName());
    EXPECT_TRUE(doc.LoadedOK);
    EXPECT_EQ(host.titles(),
              QStringList({QStringLiteral("新しいブック"), QStringLiteral("ごみ箱")}));
    ASSERT_NE(host.outline.selectedNode(), nullptr);
    EXPECT_EQ(host.outline.selectedNode(), host.outline.topLevel(0));
    EXPECT_EQ(host.editing, host.outline.topLevel(0));
    EXPECT_EQ(host.applied, 1);
    EXPECT_FALSE(QFileInfo::exists(doc.HistoryFileName()))
        << "an unnamed document has no history line";
}

TEST(WrenDocLoad, ByteBuiltDocumentLoadsAndGoesToTheHistory) {
    TestHome home;
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    DocTestHost host;
    TWrenDoc doc(home.path());
    const QString path = docIn(home, "読む.wrn");
    writeFile(path, oneItemDocument("見出し", 7));
    doc.SetFileName(path);
    doc.Load(host);
    EXPECT_TRUE(doc.LoadedOK);
    EXPECT_EQ(doc.FileName, path);
    EXPECT_EQ(host.titles(), QStringList({QStringLiteral("見出し"), QStringLiteral("ごみ箱")}));
    EXPECT_EQ(host.outline.topLevel(0)->item()->NodeId, 7);
    EXPECT_DOUBLE_EQ(doc.LastSaveTime, Clock::now());
    EXPECT_EQ(doc.ReadHistory(), QStringList({path}));
    EXPECT_EQ(host.editing, nullptr);
}

TEST(WrenDocSave, SaveReopenAndCompare) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host); // a new document
    TOutlineNode* book = host.outline.topLevel(0);
    book->item()->Title = Sjis("計画");
    host.addChild(book, "一日目")->item()->SetPage(Sjis("本文です"), QByteArray());
    host.addChild(book, "二日目");
    host.settings.SaveBAKFile = false;
    host.settings.SaveTemporal = true;

    // A name without a three-letter extension gets ".wrn".
    doc.SetFileName(docIn(home, "旅行"));
    ASSERT_TRUE(doc.Save(host));
    EXPECT_EQ(doc.FileName, docIn(home, "旅行.wrn"));
    EXPECT_EQ(host.stored, 1);
    EXPECT_GE(host.captured, 1) << "the layout is captured before writing";
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "旅行.tmp")));
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "旅行.bak")));

    DocTestHost again;
    TWrenDoc reopened(home.path());
    reopened.SetFileName(doc.FileName);
    reopened.Load(again);
    EXPECT_TRUE(reopened.LoadedOK);
    EXPECT_EQ(again.titles(), host.titles());
    EXPECT_EQ(again.outline.topLevel(0)->child(0)->item()->PageText, Sjis("本文です"));
    EXPECT_TRUE(again.settings.SaveTemporal);
}

TEST(WrenDocSave, BackupKeepsThePreviousDocumentAndSaveRemovesTheAutoSave) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    host.settings.SaveBAKFile = true;
    // Another three-letter extension keeps its name; companions follow it.
    doc.SetFileName(docIn(home, "メモ.abc"));
    ASSERT_TRUE(doc.Save(host));
    const QByteArray first = readAll(doc.FileName);
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "メモ.bak"))) << "nothing to keep on the first save";

    host.settings.SaveTemporal = true;
    doc.LastSaveTime = 0;
    ASSERT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    ASSERT_TRUE(QFileInfo::exists(docIn(home, "メモ.ab~")));
    writeFile(docIn(home, "メモ.bak"), "an older backup");
    host.outline.topLevel(0)->item()->Title = Sjis("変えた");
    ASSERT_TRUE(doc.Save(host));
    EXPECT_EQ(doc.FileName, docIn(home, "メモ.abc"));
    EXPECT_EQ(readAll(docIn(home, "メモ.bak")), first);
    EXPECT_NE(readAll(doc.FileName), first);
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "メモ.ab~")));
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "メモ.tmp")));

    // Without the setting no backup is made.
    host.settings.SaveBAKFile = false;
    QFile::remove(docIn(home, "メモ.bak"));
    ASSERT_TRUE(doc.Save(host));
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "メモ.bak")));
}

TEST(WrenDocSave, FailedReadRefusesSaveButWritesBranchAndAutoSave) {
    TestHome home;
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    DocTestHost host;
    TWrenDoc doc(home.path());
    const QString path = docIn(home, "壊れた.wrn");
    const QByteArray broken = brokenDocument();
    writeFile(path, broken);
    doc.SetFileName(path);
    EXPECT_THROW(doc.Load(host), EReadError);
    EXPECT_FALSE(doc.LoadedOK);
    EXPECT_EQ(doc.FileName, path) << "the name is kept";
    EXPECT_NE(host.outline.trashNode(), nullptr) << "the document always has a trash";
    EXPECT_EQ(host.applied, 1);
    EXPECT_FALSE(QFileInfo::exists(doc.HistoryFileName()));

    EXPECT_FALSE(doc.Save(host));
    EXPECT_EQ(host.warnings, QStringList({TWrenDoc::RefusedSaveMessage()}));
    EXPECT_EQ(readAll(path), broken);
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "壊れた.tmp")));

    // Save As takes the new name and is refused the same way.
    const QString other = docIn(home, "別名.wrn");
    doc.SetFileName(other);
    EXPECT_FALSE(doc.Save(host));
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_EQ(host.warnings.size(), 2);

    // The branch and the auto-save still write.
    const QString branch = docIn(home, "枝.wrn");
    doc.SaveSelection(branch, host, host.outline.trashNode());
    DocTestHost reread;
    TWrenDoc check(home.path());
    check.SetFileName(branch);
    check.Load(reread);
    EXPECT_EQ(reread.titles(), QStringList({QStringLiteral("ごみ箱")}));

    doc.SetFileName(path);
    host.settings.SaveTemporal = true;
    clock.clock().advanceSeconds(11 * 60 + 16);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    EXPECT_TRUE(QFileInfo::exists(docIn(home, "壊れた.wr~")));
    EXPECT_EQ(readAll(path), broken);
}

TEST(WrenDocAutoSave, RunsEveryElevenMinutesFifteenSeconds) {
    TestHome home;
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    host.settings.SaveTemporal = true;
    clock.clock().advanceSeconds(3600);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue)
        << "an unnamed document is not auto-saved";

    doc.SetFileName(docIn(home, "自動.wrn"));
    ASSERT_TRUE(doc.Save(host));
    const QString autoFile = docIn(home, "自動.wr~");
    clock.clock().advanceSeconds(11 * 60 + 15);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue)
        << "exactly the interval is not past it";
    clock.clock().advanceSeconds(1);
    host.composing = true;
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveDeferred);
    EXPECT_FALSE(QFileInfo::exists(autoFile));
    host.composing = false;
    const int storedBefore = host.stored;
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    EXPECT_EQ(host.stored, storedBefore + 1);
    EXPECT_TRUE(QFileInfo::exists(autoFile));
    EXPECT_DOUBLE_EQ(doc.LastSaveTime, Clock::now());

    // No change, and still rewritten after the next interval.
    QFile::remove(autoFile);
    clock.clock().advanceSeconds(60);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue);
    clock.clock().advanceSeconds(11 * 60);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    EXPECT_TRUE(QFileInfo::exists(autoFile));

    host.settings.SaveTemporal = false;
    clock.clock().advanceSeconds(3600);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue);
}

TEST(WrenDocAutoSave, AFailureIsReportedOncePerInterval) {
    TestHome home;
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    host.settings.SaveTemporal = true;
    doc.SetFileName(docIn(home, "自動.wrn"));
    // A folder in the auto-save file's place cannot be replaced.
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("自動.wr~/中身")));
    clock.clock().advanceSeconds(12 * 60);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveFailed);
    EXPECT_EQ(host.warnings.size(), 1);
    EXPECT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveNotDue);
    EXPECT_EQ(host.warnings.size(), 1);
}

TEST(WrenDocLkp, OpeningConvertsAndSavesAtOnce) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    const QString lkp = docIn(home, "古い.lkp");
    writeFile(lkp, Sjis("本\t0\t0\t0\r\n本\t章\t1\t1\t0\r\n"));
    doc.SetFileName(lkp);
    doc.Load(host);
    const QString wrn = docIn(home, "古い.wrn");
    EXPECT_TRUE(doc.LoadedOK);
    EXPECT_EQ(doc.FileName, wrn);
    EXPECT_EQ(doc.GetWindowCaption(),
              QStringLiteral("古い - WrenNOTE < ") + wrn + QStringLiteral(" >"));
    EXPECT_TRUE(QFileInfo::exists(wrn)) << "written at once";
    EXPECT_EQ(doc.ReadHistory(), QStringList({wrn}));
    EXPECT_TRUE(host.questions.isEmpty());
    // The old format records no selection; the window still gets a current item.
    EXPECT_EQ(host.outline.selectedNode(), host.outline.topLevel(0));

    DocTestHost again;
    TWrenDoc reopened(home.path());
    reopened.SetFileName(wrn);
    reopened.Load(again);
    EXPECT_EQ(again.titles(),
              QStringList({QStringLiteral("本"), QStringLiteral(" 章"), QStringLiteral("ごみ箱")}));
    EXPECT_EQ(again.outline.topLevel(0)->child(0)->item()->Progress, 2);
}

TEST(WrenDocLkp, AnExistingDocumentOfTheSameNameIsNotOverwrittenUnasked) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    const QString lkp = docIn(home, "古い.lkp");
    const QString wrn = docIn(home, "古い.wrn");
    writeFile(lkp, Sjis("本\t0\t0\t0\r\n"));
    const QByteArray existing = oneItemDocument("大事", 3);
    writeFile(wrn, existing);
    doc.SetFileName(lkp);
    host.answers = {false};
    doc.Load(host);
    EXPECT_EQ(host.questions.size(), 1);
    EXPECT_EQ(readAll(wrn), existing);
    EXPECT_FALSE(doc.HasFileName()) << "the import stays unnamed";
    EXPECT_TRUE(doc.LoadedOK);

    DocTestHost yes;
    yes.answers = {true};
    TWrenDoc doc2(home.path());
    doc2.SetFileName(lkp);
    doc2.Load(yes);
    EXPECT_EQ(doc2.FileName, wrn);
    EXPECT_NE(readAll(wrn), existing);
}

TEST(WrenDocLkp, AConversionThatCannotBeWrittenIsReportedAndNotRecorded) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    const QString lkp = docIn(home, "古い.lkp");
    writeFile(lkp, Sjis("本\t0\t0\t0\r\n"));
    // A folder in the temporary file's place refuses the write.
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("古い.tmp/中身")));
    doc.SetFileName(lkp);
    EXPECT_THROW(doc.Load(host), EReadError);
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "古い.wrn")));
    EXPECT_FALSE(doc.ReadHistory().contains(docIn(home, "古い.wrn")))
        << "the history names no file that was never written";
    EXPECT_EQ(host.titles(), QStringList({QStringLiteral("本"), QStringLiteral("ごみ箱")}))
        << "what was imported stays";
}

TEST(WrenDocRename, RenamesAndRefusesAnExistingName) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Rename(QStringLiteral("x")); // without a file nothing happens
    EXPECT_FALSE(doc.HasFileName());

    doc.Load(host);
    doc.SetFileName(docIn(home, "元.wrn"));
    ASSERT_TRUE(doc.Save(host));
    const QByteArray content = readAll(doc.FileName);
    doc.Rename(QStringLiteral("新"));
    EXPECT_EQ(doc.FileName, docIn(home, "新.wrn"));
    EXPECT_EQ(readAll(docIn(home, "新.wrn")), content);
    EXPECT_FALSE(QFileInfo::exists(docIn(home, "元.wrn")));

    writeFile(docIn(home, "他人.wrn"), "someone else's");
    EXPECT_THROW(doc.Rename(QStringLiteral("他人.wrn")), EFileError);
    EXPECT_THROW(doc.Rename(QStringLiteral("他人")), EFileError);
    EXPECT_EQ(doc.FileName, docIn(home, "新.wrn")) << "the document keeps its name";
    EXPECT_EQ(readAll(docIn(home, "他人.wrn")), QByteArray("someone else's"));
    EXPECT_EQ(readAll(docIn(home, "新.wrn")), content);
}

TEST(WrenDocSiblings, OtherDocumentsOfTheFolderSortedIgnoringCase) {
    TestHome home;
    TWrenDoc doc(home.path());
    EXPECT_TRUE(doc.SiblingEntries().empty());
    for (const char* name : {"b.wrn", "A.wrn", "c.WRN", "self.wrn", "note.txt", "d.wrn.bak"})
        writeFile(docIn(home, name), "x");
    QDir(home.path()).mkdir(QStringLiteral("folder.wrn"));
    doc.SetFileName(docIn(home, "self.wrn"));
    const auto entries = doc.SiblingEntries();
    QStringList names, paths;
    for (const auto& e : entries) {
        names << e.Name;
        paths << e.Path;
    }
    EXPECT_EQ(names, QStringList({"A", "b", "c"}));
    EXPECT_EQ(paths.at(2), docIn(home, "c.WRN")) << "opened as spelled on disk";
}
