#include "DocTestHost.h"

#include "TestSupport.h"
#include "common/ProgramFolder.h"
#include "doc/SafeFile.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QStringList numbered(const QString& folder, int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QStringLiteral("%1/文書%2.wrn").arg(folder).arg(i);
    return out;
}

void addAll(TWrenDoc& doc, const QStringList& paths) {
    for (const QString& p : paths) {
        doc.SetFileName(p);
        doc.AddToHistory();
    }
}

} // namespace

TEST(History, MostRecentFirstWithCrLfLines) {
    TestHome home;
    TWrenDoc doc(home.path());
    EXPECT_TRUE(doc.ReadHistory().isEmpty());
    addAll(doc,
           {QStringLiteral("/a/一.wrn"), QStringLiteral("/b/二.wrn"), QStringLiteral("/a/一.wrn")});
    EXPECT_EQ(doc.ReadHistory(),
              QStringList({QStringLiteral("/a/一.wrn"), QStringLiteral("/b/二.wrn")}));
    EXPECT_EQ(readAll(home.file(QStringLiteral("History.txt"))),
              QStringLiteral("/a/一.wrn\r\n/b/二.wrn\r\n").toUtf8());
}

TEST(History, FiftyLinesAtMost) {
    TestHome home;
    TWrenDoc doc(home.path());
    addAll(doc, numbered(QStringLiteral("/d"), 1, 60));
    const QStringList lines = doc.ReadHistory();
    ASSERT_EQ(lines.size(), 50);
    EXPECT_EQ(lines.first(), QStringLiteral("/d/文書60.wrn"));
    EXPECT_EQ(lines.last(), QStringLiteral("/d/文書11.wrn"));
}

TEST(History, OnlyAnIdenticalSpellingReplacesALine) {
    TestHome home;
    TWrenDoc doc(home.path());
    addAll(doc, {QStringLiteral("/d/Memo.wrn"), QStringLiteral("/d/memo.wrn")});
    EXPECT_EQ(doc.ReadHistory(), QStringList({"/d/memo.wrn", "/d/Memo.wrn"}));
    // A file with a duplicate line keeps its later copy; only the first goes.
    writeFile(doc.HistoryFileName(), "/x.wrn\r\n/y.wrn\r\n/x.wrn\r\n");
    addAll(doc, {QStringLiteral("/x.wrn")});
    EXPECT_EQ(doc.ReadHistory(), QStringList({"/x.wrn", "/y.wrn", "/x.wrn"}));
}

TEST(History, ReadsListsWithOtherLineEndsAndCp932) {
    TestHome home;
    TWrenDoc doc(home.path());
    writeFile(doc.HistoryFileName(), Sjis("/a/日本.wrn\n/b.wrn"));
    EXPECT_EQ(doc.ReadHistory(),
              QStringList({QStringLiteral("/a/日本.wrn"), QStringLiteral("/b.wrn")}));
}

TEST(History, RemoveMissingAndClear) {
    TestHome home;
    TWrenDoc doc(home.path());
    doc.RemoveMissingHistory(); // no file: nothing is created
    EXPECT_FALSE(QFileInfo::exists(doc.HistoryFileName()));

    const QString kept = home.file(QStringLiteral("ある.wrn"));
    writeFile(kept, "x");
    addAll(doc, {QStringLiteral("/none/1.wrn"), kept, QStringLiteral("/none/2.wrn")});
    doc.RemoveMissingHistory();
    EXPECT_EQ(doc.ReadHistory(), QStringList({kept}));
    doc.ClearHistory();
    EXPECT_FALSE(QFileInfo::exists(doc.HistoryFileName()));
    doc.ClearHistory(); // clearing twice is fine
}

TEST(History, AFailedWriteIsReported) {
    TestHome home;
    TWrenDoc doc(home.path() + QStringLiteral("/無いフォルダ"));
    doc.SetFileName(QStringLiteral("/a.wrn"));
    EXPECT_THROW(doc.AddToHistory(), EFileError);
}

TEST(HistoryMenu, TenEntriesFromOtherFoldersOnly) {
    TestHome home;
    TWrenDoc doc(home.path());
    QStringList lines;
    lines << numbered(QStringLiteral("/here"), 1, 3) << numbered(QStringLiteral("/there"), 1, 12);
    lines.insert(5, QStringLiteral("/here/sub/深い.wrn"));
    lines.insert(6, QString());
    writeFile(doc.HistoryFileName(), (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());

    // An unnamed document's folder is empty, so nothing is skipped but the empty line.
    QStringList expected = lines;
    expected.removeAll(QString());
    EXPECT_EQ(doc.HistoryMenuEntries(), expected.mid(0, 10));

    doc.SetFileName(QStringLiteral("/here/自分.wrn"));
    const QStringList entries = doc.HistoryMenuEntries();
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(entries.at(0), QStringLiteral("/there/文書1.wrn"));
    EXPECT_EQ(entries.at(2), QStringLiteral("/here/sub/深い.wrn"))
        << "a subfolder is another folder";
    EXPECT_EQ(entries.at(9), QStringLiteral("/there/文書9.wrn"));
    for (const QString& e : entries)
        EXPECT_FALSE(e.startsWith(QStringLiteral("/here/文書")));
}

TEST(HistoryMenu, DialogFolderFollowsTheHistoryForAnUnnamedDocument) {
    TestHome home;
    TWrenDoc doc(home.path());
    // Without a history the documents folder, never the program folder.
    EXPECT_EQ(doc.DialogFolder(), DocumentsFolder());
    writeFile(doc.HistoryFileName(), "");
    EXPECT_EQ(doc.DialogFolder(), DocumentsFolder());
    writeFile(doc.HistoryFileName(), "/x/y/z.wrn\r\n");
    EXPECT_EQ(doc.DialogFolder(), QStringLiteral("/x/y"));
}
