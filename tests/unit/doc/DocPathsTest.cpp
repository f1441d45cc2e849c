#include "doc/DocPaths.h"
#include "doc/WrenDoc.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(DocPaths, NamesWithoutExtensionFolderAndExtension) {
    EXPECT_EQ(NameWithoutExt(QStringLiteral("/home/u/メモ帳.wrn")), QStringLiteral("メモ帳"));
    EXPECT_EQ(NameWithoutExt(QStringLiteral("C:\\doc\\a.lkp")), QStringLiteral("a"));
    // Only a three-letter extension is taken off.
    EXPECT_EQ(NameWithoutExt(QStringLiteral("/x/notes.text")), QStringLiteral("notes.text"));
    EXPECT_EQ(NameWithoutExt(QStringLiteral("/x/abc")), QStringLiteral("abc"));
    EXPECT_EQ(FolderOf(QStringLiteral("/x/y/a.wrn")), QStringLiteral("/x/y"));
    EXPECT_EQ(FolderOf(QStringLiteral("/a.wrn")), QStringLiteral("/"));
    EXPECT_EQ(FolderOf(QStringLiteral("doc\\a.txt")), QStringLiteral("doc"));
    EXPECT_EQ(FolderOf(QStringLiteral("a.wrn")), QString());
    EXPECT_EQ(ExtOf(QStringLiteral("/x.y/a.b.WRN")), QStringLiteral(".WRN"));
    EXPECT_EQ(ExtOf(QStringLiteral("/x.y/abc")), QString());
}

TEST(DocPaths, SafeFileNameSkipsTrailBytes) {
    // "ソ" is 0x83 0x5C: its second byte must stay although it is "\".
    const QByteArray so = Sjis("ソ");
    ASSERT_EQ(so, QByteArray("\x83\x5c"));
    EXPECT_EQ(SafeFileName(so + "a\\b"), so + "a_b");
    EXPECT_EQ(SafeFileName(QByteArray("*,/:;<>?\\|~ok.wrn")), QByteArray("___________ok.wrn"));
    EXPECT_EQ(SafeFileName(QStringLiteral("予定: 1/2 ~表")), QStringLiteral("予定_ 1_2 _表"));
}

TEST(DocPaths, UrlsAndRelativePaths) {
    EXPECT_TRUE(IsUrl(QStringLiteral("HTTPS://example.org")));
    EXPECT_TRUE(IsUrl(QStringLiteral("mailto:a@b")));
    EXPECT_TRUE(IsUrl(QStringLiteral("ftp:x")));
    EXPECT_FALSE(IsUrl(QStringLiteral("file:///x")));
    EXPECT_TRUE(IsRelativePath(QStringLiteral("doc\\a.txt")));
    EXPECT_TRUE(IsRelativePath(QStringLiteral("a.txt")));
    EXPECT_FALSE(IsRelativePath(QStringLiteral("/etc/x")));
    EXPECT_FALSE(IsRelativePath(QStringLiteral("\\\\server\\x")));
    EXPECT_FALSE(IsRelativePath(QStringLiteral("C:\\x")));
    EXPECT_FALSE(IsRelativePath(QStringLiteral("http://x")));
}

TEST(DocPaths, CanonicalPathResolvesExistingAndKeepsMissing) {
    TestHome home;
    const QString real = home.file(QStringLiteral("本物.wrn"));
    QFile(real).open(QIODevice::WriteOnly);
    const QString link = home.file(QStringLiteral("別名.wrn"));
    ASSERT_TRUE(QFile::link(real, link));
    EXPECT_EQ(CanonicalPath(link), QDir(home.path()).canonicalPath() + QStringLiteral("/本物.wrn"));
    EXPECT_EQ(CanonicalPath(QStringLiteral("/no/such/folder/")), QStringLiteral("/no/such/folder"));
    EXPECT_EQ(CanonicalPath(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(DocPaths, RelativeAndAbsoluteAgainstTheDocumentFolder) {
    TWrenDoc doc(QStringLiteral("/prog"));
    // Without a file nothing is relative and names stay as they are.
    EXPECT_EQ(doc.MakeRelativePath(QStringLiteral("/d/x.txt")), QStringLiteral("/d/x.txt"));
    doc.SetFileName(QStringLiteral("/home/u/文書/a.wrn"));
    EXPECT_EQ(doc.MakeRelativePath(QStringLiteral("/home/u/文書/sub/x.txt")),
              QStringLiteral("sub/x.txt"));
    // Exact comparison: another spelling of the folder is not below it.
    EXPECT_EQ(doc.MakeRelativePath(QStringLiteral("/home/U/文書/x.txt")),
              QStringLiteral("/home/U/文書/x.txt"));
    EXPECT_EQ(doc.MakeRelativePath(QStringLiteral("/home/u/文書2/x.txt")),
              QStringLiteral("/home/u/文書2/x.txt"));
    EXPECT_EQ(doc.MakeAbsolutePath(QString()), QStringLiteral("/home/u/文書"));
    EXPECT_EQ(doc.MakeAbsolutePath(QStringLiteral("doc\\a.txt")),
              QStringLiteral("/home/u/文書/doc/a.txt"));
    EXPECT_EQ(doc.MakeAbsolutePath(QStringLiteral("/etc/x")), QStringLiteral("/etc/x"));
    EXPECT_EQ(doc.MakeAbsolutePath(QStringLiteral("http://x/y")), QStringLiteral("http://x/y"));
    // A document in the root folder.
    doc.SetFileName(QStringLiteral("/a.wrn"));
    EXPECT_EQ(doc.MakeRelativePath(QStringLiteral("/b/c.txt")), QStringLiteral("b/c.txt"));
    EXPECT_EQ(doc.MakeAbsolutePath(QStringLiteral("b/c.txt")), QStringLiteral("/b/c.txt"));
}

TEST(DocPaths, CaptionsAndCompanionNames) {
    EXPECT_EQ(TWrenDoc::CaptionFor(QString()), QStringLiteral("名称未設定 - WrenNOTE"));
    EXPECT_EQ(TWrenDoc::CaptionFor(QStringLiteral("/d/予定.wrn")),
              QStringLiteral("予定 - WrenNOTE < /d/予定.wrn >"));
    EXPECT_EQ(TWrenDoc::CaptionFor(QStringLiteral("/d/old.LKP")),
              QStringLiteral("old - WrenNOTE < /d/old.wrn >"));
    TWrenDoc doc(QStringLiteral("/prog"));
    EXPECT_EQ(doc.GetDocumentName(), QStringLiteral("名称未設定"));
    EXPECT_EQ(doc.GetAppTitle(), QStringLiteral("名称未設定 - WrenNOTE"));
    EXPECT_EQ(doc.DialogFileName(), QStringLiteral("名称未設定.wrn"));
    doc.SetFileName(QStringLiteral("/d/予定.wrn"));
    EXPECT_EQ(doc.GetAppTitle(), QStringLiteral("予定 - WrenNOTE"));
    EXPECT_EQ(doc.DialogFileName(), QStringLiteral("予定.wrn"));
    EXPECT_EQ(doc.DialogFolder(), QStringLiteral("/d"));

    EXPECT_EQ(TWrenDoc::TempFileName(QStringLiteral("/d/a.wrn")), QStringLiteral("/d/a.tmp"));
    EXPECT_EQ(TWrenDoc::BackupFileName(QStringLiteral("/d/a.wrn")), QStringLiteral("/d/a.bak"));
    EXPECT_EQ(TWrenDoc::AutoSaveFileName(QStringLiteral("/d/a.wrn")), QStringLiteral("/d/a.wr~"));
    EXPECT_EQ(TWrenDoc::TempFileName(QStringLiteral("/d/a.abc")), QStringLiteral("/d/a.tmp"));
    EXPECT_EQ(TWrenDoc::BackupFileName(QStringLiteral("/d/a.abc")), QStringLiteral("/d/a.bak"));
    EXPECT_EQ(TWrenDoc::AutoSaveFileName(QStringLiteral("/d/a.abc")), QStringLiteral("/d/a.ab~"));
}
