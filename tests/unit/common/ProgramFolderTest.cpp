#include "TestSupport.h"

#include "common/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

void touch(const QString& path, const QByteArray& bytes = QByteArray()) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// An installed layout in a temporary folder: prefix/bin and a data home.
struct Layout {
    TestHome home;
    QString bin = home.file(QStringLiteral("prefix/bin"));
    QString data = home.file(QStringLiteral("データ"));
    EnvScope noHome{"WRENNOTE_HOME", QString()};
    EnvScope xdg{"XDG_DATA_HOME", data};
    Layout() { QDir().mkpath(bin); }
};

const auto readOnly = [](const QString&) { return false; };

} // namespace

TEST(ProgramFolder, WrenNoteHomeComesFirstAndIsMade) {
    TestHome home;
    const QString wanted = home.file(QStringLiteral("新しい/フォルダー"));
    EnvScope set("WRENNOTE_HOME", wanted);
    touch(home.file(QStringLiteral("portable")));
    const TProgramFolder f = ResolveProgramFolder(home.path());
    EXPECT_EQ(f.path, wanted);
    EXPECT_TRUE(f.problem.isEmpty()) << f.problem.toStdString();
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(ProgramFolder(), wanted);
}

TEST(ProgramFolder, TheDataHomeUnlessAPortableFileStandsBesideTheExecutable) {
    Layout l;
    // A writable executable folder is not enough: a build folder is writable.
    const TProgramFolder f = ResolveProgramFolder(l.bin);
    EXPECT_EQ(f.path, l.data + QStringLiteral("/WrenNOTE"));
    EXPECT_TRUE(f.problem.isEmpty());
    EXPECT_TRUE(QFileInfo(f.path).isDir());

    touch(l.bin + QStringLiteral("/portable"));
    EXPECT_EQ(ResolveProgramFolder(l.bin).path, l.bin);
}

TEST(ProgramFolder, APortableFileBesideAReadOnlyExecutableIsSaidNotIgnored) {
    Layout l;
    touch(l.bin + QStringLiteral("/portable"));
    const TProgramFolder f =
        ResolveProgramFolder(l.bin, [&](const QString& folder) { return folder != l.bin; });
    EXPECT_EQ(f.path, l.data + QStringLiteral("/WrenNOTE"));
    EXPECT_TRUE(f.problem.contains(QStringLiteral("portable")));
    EXPECT_TRUE(f.problem.contains(l.bin));
    EXPECT_TRUE(f.problem.contains(f.path));
}

TEST(ProgramFolder, AFolderThatCannotBeWrittenOrMadeIsSaid) {
    Layout l;
    // A file where the folder should be.
    touch(l.data + QStringLiteral("/WrenNOTE"));
    const TProgramFolder f = ResolveProgramFolder(l.bin);
    EXPECT_TRUE(f.problem.contains(QStringLiteral("作成できません"))) << f.problem.toStdString();
    QFile::remove(l.data + QStringLiteral("/WrenNOTE"));
    EXPECT_TRUE(
        ResolveProgramFolder(l.bin, readOnly).problem.contains(QStringLiteral("書き込めません")));
}

TEST(ProgramFolder, ShippedDataComesFromBesideBinOrFromThePortableFolder) {
    Layout l;
    EXPECT_EQ(ShippedDataFolder(l.bin), l.home.file(QStringLiteral("prefix/share/wrennote")));
    touch(l.bin + QStringLiteral("/portable"));
    EXPECT_EQ(ShippedDataFolder(l.bin), l.bin);
}

TEST(ProgramFolder, ShippedFilesAreCopiedOnceAndLeftEditable) {
    TestHome home;
    const QString shipped = home.file(QStringLiteral("shipped"));
    touch(shipped + QStringLiteral("/Output/一覧.txt"), "installed");
    QFile::setPermissions(shipped + QStringLiteral("/Output/一覧.txt"), QFileDevice::ReadOwner);
    touch(home.file(QStringLiteral("fallback.txt")), "compiled in");
    QString error;
    ASSERT_TRUE(InstallShippedFile(QStringLiteral("Output/一覧.txt"),
                                   home.file(QStringLiteral("fallback.txt")), &error))
        << error.toStdString();
    QFile copy(home.file(QStringLiteral("Output/一覧.txt")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("installed"));
    EXPECT_TRUE(QFileInfo(copy).isWritable());
    copy.close();

    // The user's copy stays as the user left it.
    touch(copy.fileName(), "edited");
    ASSERT_TRUE(InstallShippedFile(QStringLiteral("Output/一覧.txt"), QString(), &error));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("edited"));

    // Without an installed copy the compiled-in one serves.
    ASSERT_TRUE(InstallShippedFile(QStringLiteral("他.txt"),
                                   home.file(QStringLiteral("fallback.txt")), &error));
    EXPECT_TRUE(QFileInfo::exists(home.file(QStringLiteral("他.txt"))));
}

TEST(ProgramFolder, AMissingOrUncopyableShippedFileIsSaid) {
    TestHome home;
    QString error;
    EXPECT_FALSE(InstallShippedFile(QStringLiteral("Manual.wrn"), QString(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("見つかりません"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.file(QStringLiteral("Manual.wrn"))));

    // A folder stands where the copy should go.
    touch(home.file(QStringLiteral("shipped/Manual.wrn")), "x");
    QDir().mkpath(home.file(QStringLiteral("Manual.wrn/中")));
    error.clear();
    EXPECT_FALSE(InstallShippedFile(QStringLiteral("Manual.wrn"), QString(), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("「"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("作成できません")));
}

TEST(ProgramFolder, DocumentsFolderExists) {
    EXPECT_TRUE(QFileInfo(DocumentsFolder()).isDir());
}
