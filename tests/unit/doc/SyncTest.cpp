#include "DocTestHost.h"

#include "doc/DiskIdentity.h"
#include "doc/DocumentMerge.h"
#include "doc/SyncCopies.h"
#include "doc/WrenDoc.h"
#include "file/OutlineFile.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <utime.h>

namespace {

// Two versions of one document, each read from the same ancestor bytes.
struct Versions {
    DocTestHost ours;
    TOptionDesc theirSettings;
    TOutline theirs{&theirSettings};
    TMergeBase base;

    explicit Versions(const std::function<void(DocTestHost&)>& build) {
        DocTestHost ancestor;
        build(ancestor);
        TLeafNote::CreateTrash(ancestor.outline);
        const QByteArray bytes = OutlineFile::writeDocument(ancestor.settings, ancestor.outline);
        EXPECT_TRUE(OutlineFile::readDocument(bytes, ours.settings, ours.outline).ok);
        EXPECT_TRUE(OutlineFile::readDocument(bytes, theirSettings, theirs).ok);
        base.Take(ours.outline);
    }
};

TOutlineNode* find(const TOutline& outline, const char* title) {
    const QByteArray t = Sjis(title);
    TOutlineNode* found = nullptr;
    outline.forEach([&](TOutlineNode* n) {
        if (n->item()->Title == t)
            found = n;
        return !found;
    });
    return found;
}

TOutlineNode* make(DocTestHost& h, TOutlineNode* parent, const char* title, double created) {
    TOutlineNode* n = parent ? h.addChild(parent, title) : h.addBook(title);
    n->item()->CreatedDate = created;
    n->item()->ModifiedDate = created;
    n->item()->AssignNodeId();
    return n;
}

QStringList titles(const TOutline& outline) {
    QStringList out;
    outline.forEach([&](TOutlineNode* n) {
        out << QString(n->level(), QLatin1Char(' ')) + FromSjis(n->item()->Title);
        return true;
    });
    return out;
}

} // namespace

TEST(Merge, EachSideKeepsItsOwnChangesAndTakesTheOthers) {
    Versions v([](DocTestHost& h) {
        TOutlineNode* a = make(h, nullptr, "A", 100);
        TOutlineNode* b = make(h, nullptr, "B", 101);
        make(h, b, "B1", 102);
        make(h, nullptr, "C", 103);
        make(h, a, "D", 104);
        a->item()->PageText = Sjis("元の本文");
        b->item()->PageText = Sjis("Bの本文");
    });
    TOutline& t = v.theirs;
    // Theirs: a new item, a retitled one, a move, a deletion into the trash,
    // and a page also edited here.
    TLeafNote* e = TLeafNote::Create(t, InsertLastChild, find(t, "A"));
    e->SetTitle(Sjis("E"));
    e->CreatedDate = 200;
    e->AssignNodeId();
    find(t, "C")->item()->SetTitle(Sjis("C2"));
    find(t, "C2")->item()->ModifiedDate = 201;
    t.moveNode(find(t, "D"), find(t, "B"), 1);
    t.moveNode(find(t, "B1"), t.trashNode(), 0);
    find(t, "A")->item()->PageText = Sjis("向こうの本文");
    find(t, "A")->item()->ModifiedDate = 300;
    // Ours: B's page, and A's page (older than theirs).
    TOutline& o = v.ours.outline;
    find(o, "B")->item()->PageText = Sjis("こちらのBの本文");
    find(o, "A")->item()->PageText = Sjis("こちらの本文");
    find(o, "A")->item()->ModifiedDate = 250;

    TDocumentMerge merge(o, t, &v.base);
    EXPECT_EQ(merge.Count(TMergeAction::Added), 1);
    EXPECT_EQ(merge.Count(TMergeAction::Changed), 1);
    EXPECT_EQ(merge.Count(TMergeAction::KeptBoth), 1);
    EXPECT_EQ(merge.Count(TMergeAction::Moved), 1);
    EXPECT_EQ(merge.Count(TMergeAction::Trashed), 1);
    merge.Apply();

    EXPECT_EQ(titles(o),
              (QStringList{"A", " E", " 統合で残した版", "B", " D", "C2", "ごみ箱", " B1"}));
    // Both sides changed A: the newer page wins, the other is kept below it.
    EXPECT_EQ(find(o, "A")->item()->PageText, Sjis("向こうの本文"));
    EXPECT_EQ(find(o, "統合で残した版")->item()->PageText, Sjis("こちらの本文"));
    // Changed here only: ours stays.
    EXPECT_EQ(find(o, "B")->item()->PageText, Sjis("こちらのBの本文"));
    EXPECT_EQ(find(o, "C2")->item()->ModifiedDate, 201);
    EXPECT_EQ(find(o, "E")->item()->CreatedDate, 200);
    // Ids stay unique and the next one is free.
    QSet<int32_t> ids;
    o.forEach([&](TOutlineNode* n) {
        EXPECT_FALSE(ids.contains(n->item()->NodeId)) << n->item()->NodeId;
        ids.insert(n->item()->NodeId);
        EXPECT_LT(n->item()->NodeId, v.ours.settings.NextNodeId);
        return true;
    });
}

TEST(Merge, AnItemChangedHereIsNotDeletedByTheirTrashNorAnUnchangedOneResurrected) {
    Versions v([](DocTestHost& h) {
        make(h, nullptr, "残す", 100);
        make(h, nullptr, "消えた", 101);
    });
    TOutline& t = v.theirs;
    TOutline& o = v.ours.outline;
    t.moveNode(find(t, "残す"), t.trashNode(), 0);
    find(o, "残す")->item()->PageText = Sjis("ここで書いた");
    // Destroyed there for good: it stays here.
    t.removeNode(find(t, "消えた"));
    TDocumentMerge merge(o, t, &v.base);
    EXPECT_TRUE(merge.Actions().empty()) << merge.Report().toStdString();
    merge.Apply();
    EXPECT_EQ(titles(o), (QStringList{"残す", "消えた", "ごみ箱"}));
}

TEST(Merge, TwoUnrelatedDocumentsLoseNothing) {
    DocTestHost a, b;
    make(a, nullptr, "一", 1);
    make(a, a.outline.topLevel(0), "一の子", 2);
    TLeafNote::CreateTrash(a.outline);
    make(b, nullptr, "二", 3);
    // The same id handed out on two computers to two different items.
    TOutlineNode* same = make(b, b.outline.topLevel(0), "二の子", 4);
    same->item()->NodeId = a.outline.topLevel(0)->item()->NodeId;
    TLeafNote::CreateTrash(b.outline);
    make(b, b.outline.trashNode(), "捨てた", 5);

    TDocumentMerge merge(a.outline, b.outline, nullptr);
    EXPECT_EQ(merge.Count(TMergeAction::Added), 3) << merge.Report().toStdString();
    merge.Apply();
    EXPECT_EQ(titles(a.outline),
              (QStringList{"二", " 二の子", "一", " 一の子", "ごみ箱", " 捨てた"}));
    EXPECT_NE(find(a.outline, "二の子")->item()->NodeId, find(a.outline, "一")->item()->NodeId);
}

TEST(Merge, ItemsWithoutIdsMatchByCreationTitleAndParent) {
    Versions v([](DocTestHost& h) {
        TOutlineNode* p = make(h, nullptr, "親", 10);
        make(h, p, "子", 11)->item()->NodeId = 0;
        p->item()->NodeId = 0;
    });
    find(v.theirs, "子")->item()->PageText = Sjis("追記");
    TDocumentMerge merge(v.ours.outline, v.theirs, &v.base);
    EXPECT_EQ(merge.Count(TMergeAction::Changed), 1);
    EXPECT_EQ(merge.Count(TMergeAction::Added), 0);
    merge.Apply();
    EXPECT_EQ(find(v.ours.outline, "子")->item()->PageText, Sjis("追記"));
}

// After a version is merged in, the next one is told against it: an item
// both sides changed once is not taken for changed on both sides again.
TEST(Merge, TheVersionMergedInIsTheBaseOfTheNext) {
    Versions v([](DocTestHost& h) {
        TOutlineNode* a = make(h, nullptr, "A", 100);
        a->item()->PageText = Sjis("元");
    });
    TOutline& t = v.theirs;
    TOutline& o = v.ours.outline;
    // Ours is newer and wins; theirs is kept beside it.
    find(t, "A")->item()->PageText = Sjis("向こう");
    find(t, "A")->item()->ModifiedDate = 200;
    find(o, "A")->item()->PageText = Sjis("こちら");
    find(o, "A")->item()->ModifiedDate = 300;
    {
        TDocumentMerge first(o, t, &v.base);
        EXPECT_EQ(first.Count(TMergeAction::KeptBoth), 1);
        first.Apply();
        first.TakeTheirsAsBase(v.base);
    }
    // Their next version adds an item and leaves A as it was.
    TLeafNote* b = TLeafNote::Create(t, InsertBottomOfLevel, nullptr);
    b->SetTitle(Sjis("B"));
    b->CreatedDate = 400;
    b->AssignNodeId();
    TDocumentMerge second(o, t, &v.base);
    EXPECT_EQ(second.Count(TMergeAction::Added), 1);
    EXPECT_EQ(second.Count(TMergeAction::KeptBoth), 0);
    EXPECT_EQ(second.Count(TMergeAction::Changed), 0);
    EXPECT_EQ(second.Count(TMergeAction::Moved), 0);
}

// ---- the file on disk

TEST(DiskChanges, ARenameOverIsSeenATouchIsNotAndSavingNeverOverwritesUnasked) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("同期.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskSame);

    // The same bytes written again by a sync tool: not a change.
    const QByteArray ours = readAll(path);
    const QString temp = home.file(QStringLiteral(".同期.wrn.syncthing.tmp"));
    writeFile(temp, ours);
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(temp, path));
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskSame);

    // Another version, renamed over it.
    DocTestHost other;
    other.addBook("向こうの項目");
    TLeafNote::CreateTrash(other.outline);
    const QByteArray theirs = OutlineFile::writeDocument(other.settings, other.outline);
    writeFile(temp, theirs);
    ASSERT_TRUE(
        ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0);
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskChanged);
    EXPECT_THROW(doc.Save(host), EChangedOnDisk);
    EXPECT_EQ(readAll(path), theirs);
    // Told to: written, and known again.
    EXPECT_TRUE(doc.Save(host, true));
    EXPECT_NE(readAll(path), theirs);
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskSame);

    // Truncated in place while being written: changed, whatever the time says.
    const QDateTime when = QFileInfo(path).lastModified();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(10));
    f.close();
    f.setFileTime(when, QFileDevice::FileModificationTime);
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskChanged);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(doc.CheckDisk(), TWrenDoc::DiskGone);
}

TEST(DiskChanges, ASaveDeletesOnlyTheAutoSaveCopyItWrote) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("自動.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    // A copy left by a crash of an earlier session.
    const QString copy = TWrenDoc::AutoSaveFileName(path);
    writeFile(copy, QByteArray("earlier session"));
    ASSERT_TRUE(doc.Save(host));
    EXPECT_EQ(readAll(copy), QByteArray("earlier session"));
    // Ours goes with the save that supersedes it.
    ASSERT_TRUE(QFile::remove(copy));
    host.settings.SaveTemporal = true;
    doc.LastSaveTime = 0;
    ASSERT_EQ(doc.AutoSave(host), TWrenDoc::AutoSaveWritten);
    ASSERT_TRUE(QFileInfo::exists(copy));
    ASSERT_TRUE(doc.Save(host));
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST(DiskChanges, ANewerDifferentAutoSaveCopyIsFound) {
    TestHome home;
    DocTestHost host;
    TWrenDoc doc(home.path());
    doc.Load(host);
    const QString path = home.file(QStringLiteral("復旧.wrn"));
    doc.SetFileName(path);
    ASSERT_TRUE(doc.Save(host));
    const QString copy = TWrenDoc::AutoSaveFileName(path);
    QFile::copy(path, copy);
    const auto age = [](const QString& p, int secondsAgo) {
        QFile f(p);
        f.open(QIODevice::ReadWrite);
        f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                      QFileDevice::FileModificationTime);
    };
    age(path, 100);
    EXPECT_FALSE(doc.HasNewerAutoSave()) << "the same bytes hold nothing to recover";
    host.addBook("落ちる前の編集");
    doc.WriteTo(copy, host, nullptr);
    EXPECT_TRUE(doc.HasNewerAutoSave());
    age(copy, 200);
    EXPECT_FALSE(doc.HasNewerAutoSave()) << "older than the document";
}

TEST(SyncCopiesNames, ConflictCopiesOfSyncProgramsAreRecognised) {
    const QString doc = QStringLiteral("/d/メモ.wrn");
    for (const char* name :
         {"メモ.sync-conflict-20261208-101500-ABCDEF7.wrn",
          "メモ (conflicted copy 2026-12-08 101500).wrn",
          "メモ (taro's conflicted copy 2026-12-08).wrn", "メモ_conflict-20261208-101500.wrn"})
        EXPECT_TRUE(SyncCopies::IsConflictCopyOf(QString::fromUtf8(name), doc)) << name;
    for (const char* name :
         {"メモ.wrn", "メモ2.wrn", "メモ (このコンピューターの変更 2026-12-08 1015).wrn",
          "他.sync-conflict-20261208-101500-ABCDEF7.wrn",
          "メモ.sync-conflict-20261208-101500-ABCDEF7.txt"})
        EXPECT_FALSE(SyncCopies::IsConflictCopyOf(QString::fromUtf8(name), doc)) << name;
}

TEST(SyncCopiesNames, KeptCopiesNeverTakeAnExistingName) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("メモ.wrn"));
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 5));
    const QString first = SyncCopies::KeptCopyName(doc, SyncCopies::OursLabel(), when);
    EXPECT_EQ(first,
              home.file(QStringLiteral("メモ (このコンピューターの変更 2026-12-08 0905).wrn")));
    writeFile(first, "x");
    EXPECT_EQ(SyncCopies::KeptCopyName(doc, SyncCopies::OursLabel(), when),
              home.file(QStringLiteral("メモ (このコンピューターの変更 2026-12-08 0905 2).wrn")));
    writeFile(home.file(QStringLiteral("メモ.sync-conflict-20261208-101500-ABCDEF7.wrn")), "c");
    EXPECT_EQ(SyncCopies::ConflictCopiesOf(doc).size(), 1);
}

TEST(Merge, AnItemWithoutIdRetitledThereIsFoundByItsCreationTime) {
    Versions v([](DocTestHost& h) {
        TOutlineNode* p = make(h, nullptr, "親", 10);
        make(h, p, "古い題", 11)->item()->NodeId = 0;
        make(h, p, "同時A", 12)->item()->NodeId = 0;
        make(h, p, "同時B", 12)->item()->NodeId = 0;
    });
    find(v.theirs, "古い題")->item()->SetTitle(Sjis("新しい題"));
    // Two items of one moment cannot be told apart by it: not guessed.
    find(v.theirs, "同時A")->item()->SetTitle(Sjis("同時A2"));
    find(v.theirs, "同時B")->item()->SetTitle(Sjis("同時B2"));
    TDocumentMerge merge(v.ours.outline, v.theirs, &v.base);
    EXPECT_EQ(merge.Count(TMergeAction::Changed), 1);
    EXPECT_EQ(merge.Count(TMergeAction::Added), 2) << merge.Report().toStdString();
    merge.Apply();
    EXPECT_EQ(titles(v.ours.outline),
              (QStringList{"親", " 新しい題", " 同時A2", " 同時B2", " 同時A", " 同時B", "ごみ箱"}));
}

TEST(Merge, ItemsMadeAtTheSameMomentOnTwoComputersAreBothKept) {
    Versions v([](DocTestHost& h) { make(h, nullptr, "共通", 1); });
    make(v.ours, nullptr, "こちら", 50);
    TLeafNote* there = TLeafNote::Create(v.theirs, InsertBottomOfLevel, nullptr);
    there->SetTitle(Sjis("向こう"));
    there->CreatedDate = 50;
    v.theirSettings.NextNodeId += 5; // the other computer had handed out more ids
    there->AssignNodeId();
    TDocumentMerge merge(v.ours.outline, v.theirs, &v.base);
    EXPECT_EQ(merge.Count(TMergeAction::Added), 1) << merge.Report().toStdString();
    merge.Apply();
    EXPECT_NE(find(v.ours.outline, "こちら"), nullptr);
    EXPECT_NE(find(v.ours.outline, "向こう"), nullptr);
}
