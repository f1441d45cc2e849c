#include "common/FileError.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

QString details(const QString& message) {
    QString d;
    FileError::WithoutDetails(message, &d);
    return d;
}

QString wording(const QString& message) {
    return FileError::WithoutDetails(message, nullptr);
}

} // namespace

TEST(FileError, TheCommonErrorsHaveOurOwnWords) {
    EXPECT_EQ(FileError::Wording(EACCES), QStringLiteral("アクセスが拒否されました。"));
    EXPECT_EQ(FileError::Wording(ENOENT),
              QStringLiteral("ファイルまたはフォルダーが見つかりません。"));
    EXPECT_EQ(FileError::Wording(ENOSPC), QStringLiteral("ディスクの空き容量が足りません。"));
    EXPECT_EQ(FileError::Wording(EEXIST), QStringLiteral("同じ名前のファイルが既にあります。"));
    EXPECT_EQ(FileError::Wording(EROFS),
              QStringLiteral("読み取り専用のファイルシステムには書き込めません。"));
    // An error nobody expected still reads in Japanese, with its number.
    EXPECT_EQ(FileError::Wording(EDOM),
              QStringLiteral("システムエラーが発生しました（エラー番号 %1）。").arg(EDOM));
}

TEST(FileError, TheSystemTextGoesIntoTheDetailsLine) {
    const QString text = FileError::SystemText(EACCES);
    EXPECT_EQ(wording(text), QStringLiteral("アクセスが拒否されました。"));
    EXPECT_EQ(details(text), qt_error_string(EACCES));
    EXPECT_EQ(text, QStringLiteral("アクセスが拒否されました。\n詳細: ") + qt_error_string(EACCES));
}

TEST(FileError, RecognisesTheErrnoBehindAQtErrorString) {
    EXPECT_EQ(FileError::ErrnoOf(qt_error_string(EACCES)), EACCES);
    EXPECT_EQ(
        FileError::ErrnoOf(QStringLiteral("Cannot open for output: ") + qt_error_string(ENOSPC)),
        ENOSPC);
    // The longer of two texts where one holds the other.
    EXPECT_EQ(FileError::ErrnoOf(qt_error_string(ENXIO)), ENXIO);
    EXPECT_EQ(FileError::ErrnoOf(QStringLiteral("Destination file exists")), EEXIST);
    EXPECT_EQ(FileError::ErrnoOf(QStringLiteral("something else entirely")), 0);
    EXPECT_EQ(wording(FileError::TextOf(QStringLiteral("something else entirely"))),
              QStringLiteral("ファイルの操作中にエラーが発生しました。"));
}

TEST(FileError, OpeningAMissingFile) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("無い.wrn")));
    ASSERT_FALSE(file.open(QIODevice::ReadOnly));
    const QString text = FileError::Text(file);
    EXPECT_EQ(wording(text), QStringLiteral("ファイルまたはフォルダーが見つかりません。"));
    EXPECT_EQ(details(text), file.errorString());
}

TEST(FileError, OpeningAFolderForWriting) {
    QTemporaryDir dir;
    QFile file(dir.path());
    ASSERT_FALSE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(wording(FileError::Text(file)), QStringLiteral("ファイルではなくフォルダーです。"));
}

TEST(FileError, AFullDisk) {
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "no /dev/full";
    full.write(QByteArray(1 << 16, 'x'));
    full.flush();
    ASSERT_NE(full.error(), QFileDevice::NoError);
    EXPECT_EQ(wording(FileError::Text(full)), QStringLiteral("ディスクの空き容量が足りません。"));
}

TEST(FileError, ADeviceWithoutAnErrorSaysNothing) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(FileError::Text(file).isEmpty());
    // Not a file device: worded from its error string.
    QBuffer buffer;
    EXPECT_FALSE(buffer.seek(-1));
    EXPECT_FALSE(wording(FileError::Text(buffer)).isEmpty());
}

TEST(FileError, EveryDetailsLineLeavesTheMessage) {
    QString d;
    const QString message = QStringLiteral("「a」を保存できません。\n") +
                            FileError::SystemText(ENOSPC) + QStringLiteral("\n「b」も。\n") +
                            FileError::SystemText(EACCES);
    const QString kept = FileError::WithoutDetails(message, &d);
    EXPECT_FALSE(kept.contains(FileError::DetailsLabel()));
    EXPECT_TRUE(kept.contains(QStringLiteral("ディスクの空き容量が足りません。")));
    EXPECT_EQ(d, qt_error_string(ENOSPC) + QLatin1Char('\n') + qt_error_string(EACCES));
    // A message without details is left alone.
    EXPECT_EQ(FileError::WithoutDetails(QStringLiteral("詳細: は本文"), &d),
              QStringLiteral("詳細: は本文"));
    EXPECT_TRUE(d.isEmpty());
}
