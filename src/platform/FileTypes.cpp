#include "platform/FileTypes.h"

#include "doc/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace FileTypes {

QString DataHome() {
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env))
        return env;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString DesktopEntryPath(const QString& dataHome) {
    return dataHome + QStringLiteral("/applications/wrennote.desktop");
}

QString MimePackagePath(const QString& dataHome) {
    return dataHome + QStringLiteral("/mime/packages/wrennote.xml");
}

QString IconPath(const QString& dataHome) {
    return dataHome + QStringLiteral("/icons/hicolor/48x48/apps/wrennote.png");
}

namespace {

// Exec keys quote an argument in double quotes, escaping " ` $ and \ inside;
// the key's own string escaping then doubles each backslash.
QString quoteExecArgument(const QString& arg) {
    QString quoted;
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void runTool(const QString& tool, const QString& folder, Result& result) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        return;
    QProcess process;
    process.start(path, {folder});
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        result.toolsRun << tool;
    else
        throw EFileError(QStringLiteral("%1 が失敗しました。\n%2")
                             .arg(tool, QString::fromLocal8Bit(process.readAllStandardError())));
}

} // namespace

QString DesktopEntry(const QString& executablePath) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=WrenNOTE\n"
                          "GenericName=Outliner\n"
                          "GenericName[ja]=アウトラインプロセッサ\n"
                          "Comment=<ToDo,メモ,アウトライン> プロセッサ\n"
                          "Exec=%1 %f\n"
                          "Icon=wrennote\n"
                          "Terminal=false\n"
                          "Categories=Office;\n"
                          "MimeType=%2;%3;\n")
        .arg(quoteExecArgument(executablePath), QLatin1String(DocumentType),
             QLatin1String(AutoSaveType));
}

QByteArray MimePackage() {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"%1\">\n"
               "    <comment>WrenNOTE file</comment>\n"
               "    <comment xml:lang=\"ja\">WrenNOTE ﾌｧｲﾙ</comment>\n"
               "    <generic-icon name=\"x-office-document\"/>\n"
               "    <glob pattern=\"*.wrn\"/>\n"
               "  </mime-type>\n"
               "  <mime-type type=\"%2\">\n"
               "    <comment>WrenNOTE temporary file</comment>\n"
               "    <comment xml:lang=\"ja\">WrenNOTE 一時ﾌｧｲﾙ</comment>\n"
               "    <generic-icon name=\"x-office-document\"/>\n"
               "    <glob pattern=\"*.wr~\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n")
        .arg(QLatin1String(DocumentType), QLatin1String(AutoSaveType))
        .toUtf8();
}

Result Register(const QString& executablePath, const QString& dataHome, const QByteArray& iconPng) {
    Result result;
    const QString entry = DesktopEntryPath(dataHome);
    const QString mime = MimePackagePath(dataHome);
    const QString icon = IconPath(dataHome);
    for (const QString& file : {entry, mime, icon}) {
        const QString folder = QFileInfo(file).absolutePath();
        if (!QDir().mkpath(folder))
            throw EFileError(QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(folder));
    }
    SafeFile::ReplaceAtomically(mime, MimePackage());
    result.written << mime;
    SafeFile::ReplaceAtomically(entry, DesktopEntry(executablePath).toUtf8());
    result.written << entry;
    if (!iconPng.isEmpty()) {
        SafeFile::ReplaceAtomically(icon, iconPng);
        result.written << icon;
    }
    runTool(QStringLiteral("update-mime-database"), dataHome + QStringLiteral("/mime"), result);
    runTool(QStringLiteral("update-desktop-database"), dataHome + QStringLiteral("/applications"),
            result);
    return result;
}

QString Question() {
    return QStringLiteral(".wrnファイルを WrenNOTE に関連付けますか？");
}

QString DoneMessage() {
    return QStringLiteral("\".wrn\"の拡張子を持つファイルを WrenNOTE に関連付けました。");
}

} // namespace FileTypes
