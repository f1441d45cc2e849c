#include "platform/FileTypes.h"

#include "TestSupport.h"
#include "doc/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(FileTypes, DataHomeFollowsXdg) {
    {
        EnvScope env("XDG_DATA_HOME", "/tmp/xdg-data");
        EXPECT_EQ(FileTypes::DataHome(), QStringLiteral("/tmp/xdg-data"));
    }
    {
        // A relative value is not valid and is ignored.
        EnvScope env("XDG_DATA_HOME", "relative/path");
        EXPECT_EQ(FileTypes::DataHome(), QDir::homePath() + QStringLiteral("/.local/share"));
    }
}

TEST(FileTypes, ExecQuotesThePath) {
    const QString entry = FileTypes::DesktopEntry(QStringLiteral("/opt/My Apps/wren\"note$1\\x%"));
    EXPECT_TRUE(entry.contains(
        QStringLiteral("Exec=\"/opt/My Apps/wren\\\\\"note\\\\$1\\\\\\\\x%%\" %f\n")))
        << entry.toStdString();
    EXPECT_TRUE(entry.contains(
        QStringLiteral("MimeType=application/x-wrennote;application/x-wrennote-autosave;\n")));
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
}

TEST(FileTypes, RegisterWritesTheEntryAndTheMimePackage) {
    TestHome home;
    const QString data = home.file(QStringLiteral("データ"));
    const FileTypes::Result r = FileTypes::Register(QStringLiteral("/usr/bin/wrennote"), data);
    const QString entry = data + QStringLiteral("/applications/wrennote.desktop");
    const QString mime = data + QStringLiteral("/mime/packages/wrennote.xml");
    EXPECT_EQ(r.written, QStringList({mime, entry}));
    EXPECT_EQ(readAll(entry),
              FileTypes::DesktopEntry(QStringLiteral("/usr/bin/wrennote")).toUtf8());
    const QByteArray xml = readAll(mime);
    EXPECT_TRUE(xml.contains("<glob pattern=\"*.wrn\"/>"));
    EXPECT_TRUE(xml.contains("<glob pattern=\"*.wr~\"/>"));
    // The type names as the program has always called them.
    EXPECT_TRUE(xml.contains("<comment xml:lang=\"ja\">WrenNOTE ﾌｧｲﾙ</comment>"));
    EXPECT_TRUE(xml.contains("<comment xml:lang=\"ja\">WrenNOTE 一時ﾌｧｲﾙ</comment>"));
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        EXPECT_TRUE(r.toolsRun.contains(QStringLiteral("update-mime-database")));
        // The cache now knows the glob.
        EXPECT_TRUE(readAll(data + QStringLiteral("/mime/globs2")).contains("*.wrn"));
    }
    // Registering again replaces the files in place.
    EXPECT_NO_THROW(FileTypes::Register(QStringLiteral("/usr/local/bin/wrennote"), data));
    EXPECT_TRUE(readAll(entry).contains("/usr/local/bin/wrennote"));
}

TEST(FileTypes, TheProgramIconIsInstalledWhereTheEntryLooksForIt) {
    TestHome home;
    const QString data = home.file(QStringLiteral("データ"));
    const QByteArray png("\x89PNG\r\n\x1a\n-not-really", 19);
    const FileTypes::Result r = FileTypes::Register(QStringLiteral("/usr/bin/wrennote"), data, png);
    const QString icon = data + QStringLiteral("/icons/hicolor/48x48/apps/wrennote.png");
    EXPECT_TRUE(r.written.contains(icon));
    EXPECT_EQ(readAll(icon), png);
    EXPECT_TRUE(FileTypes::DesktopEntry(QStringLiteral("/usr/bin/wrennote"))
                    .contains(QStringLiteral("\nIcon=wrennote\n")));
}

TEST(FileTypes, AFolderThatCannotBeMadeIsReported) {
    TestHome home;
    const QString blocker = home.file(QStringLiteral("file"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_THROW(FileTypes::Register(QStringLiteral("/usr/bin/wrennote"), blocker), EFileError);
}

// The files a package installs say what the registration command writes.
TEST(FileTypes, TheInstalledFilesMatchTheRegistration) {
    const QString desktop = QStringLiteral(WRENNOTE_SOURCE_DIR "/resources/desktop/");
    EXPECT_EQ(readAll(desktop + QStringLiteral("wrennote.xml")), FileTypes::MimePackage());
    QString entry = FileTypes::DesktopEntry(QStringLiteral("/opt/x/wrennote"));
    entry.replace(QStringLiteral("Exec=\"/opt/x/wrennote\" %f"),
                  QStringLiteral("Exec=wrennote %f"));
    EXPECT_EQ(QString::fromUtf8(readAll(desktop + QStringLiteral("wrennote.desktop"))), entry);
}
