#include "common/ReplacingFile.h"

#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <future>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(ReplacingFile, TargetChangesOnlyOnCommit) {
    TestHome home;
    const QString path = home.file(QStringLiteral("出力.txt"));
    writeAll(path, "old");
    {
        TReplacingFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("half of the new"));
        EXPECT_EQ(readAll(path), QByteArray("old"));
    } // abandoned, as when an export fails half way
    EXPECT_EQ(readAll(path), QByteArray("old"));
    TReplacingFile file(path);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("new"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readAll(path), QByteArray("new"));
}

TEST(ReplacingFile, MissingFolderFailsToOpen) {
    TestHome home;
    TReplacingFile file(home.file(QStringLiteral("無い/出力.txt")));
    EXPECT_FALSE(file.open());
    EXPECT_FALSE(file.errorString().isEmpty());
}

TEST(ReplacingFile, APipeInTheTargetsPlaceStaysAPipe) {
    TestHome home;
    const QString path = home.file(QStringLiteral("パイプ"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    std::future<QByteArray> reader = ReadPipeLater(path);
    {
        TReplacingFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("through the pipe"));
        ASSERT_TRUE(file.commit());
    }
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(reader.get(), QByteArray("through the pipe"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
