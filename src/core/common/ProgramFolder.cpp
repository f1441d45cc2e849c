#include "common/ProgramFolder.h"

#include "common/FileError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

QString executableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Without an application object (some tools and tests) ask the kernel.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return exe.exists() ? QFileInfo(exe.symLinkTarget()).absolutePath() : QString();
}

// A real write, not the permission bits: a read-only medium or mount says
// nothing in them.
bool probeWritable(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.wrennote-probe-XXXXXX"));
    return probe.open();
}

QString dataHome() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/WrenNOTE"));
}

// The folder made when missing; a problem text when it cannot be used.
QString prepare(const QString& folder, const std::function<bool(const QString&)>& writable) {
    if (!QDir().mkpath(folder))
        return QStringLiteral("フォルダー「%1」を作成できません。").arg(folder);
    if (!writable(folder))
        return QStringLiteral("フォルダー「%1」に書き込めません。履歴や設定の保存に失敗します。")
            .arg(folder);
    return QString();
}

} // namespace

TProgramFolder ResolveProgramFolder(const QString& exeDir,
                                    const std::function<bool(const QString&)>& writable) {
    const std::function<bool(const QString&)> canWrite =
        writable ? writable : std::function<bool(const QString&)>(probeWritable);
    TProgramFolder r;
    const QString home = qEnvironmentVariable("WRENNOTE_HOME");
    if (!home.isEmpty()) {
        r.path = QDir::cleanPath(home);
        r.problem = prepare(r.path, canWrite);
        return r;
    }
    if (!exeDir.isEmpty() && QFileInfo(exeDir + QStringLiteral("/portable")).exists()) {
        if (canWrite(exeDir)) {
            r.path = QDir::cleanPath(exeDir);
            return r;
        }
        r.path = dataHome();
        r.problem =
            QStringLiteral("「portable」ファイルがありますが、フォルダー「%1」に書き込めない"
                           "ため、履歴などのファイルは「%2」に置きます。")
                .arg(exeDir, r.path);
        const QString more = prepare(r.path, canWrite);
        if (!more.isEmpty())
            r.problem += QLatin1Char('\n') + more;
        return r;
    }
    r.path = dataHome();
    r.problem = prepare(r.path, canWrite);
    return r;
}

QString ProgramFolder() {
    return ResolveProgramFolder(executableFolder()).path;
}

QString ProgramFolderProblem() {
    return ResolveProgramFolder(executableFolder()).problem;
}

QString ShippedDataFolder(const QString& exeDir) {
    if (QFileInfo(exeDir + QStringLiteral("/portable")).exists())
        return QDir::cleanPath(exeDir);
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/wrennote"));
}

QString ShippedDataFolder() {
    const QString forced = qEnvironmentVariable("WRENNOTE_DATA_DIR");
    return forced.isEmpty() ? ShippedDataFolder(executableFolder()) : QDir::cleanPath(forced);
}

bool InstallShippedFile(const QString& name, const QString& fallback, QString* error) {
    const QString target = ProgramFolder() + QLatin1Char('/') + name;
    if (QFileInfo(target).isFile())
        return true;
    QString source = ShippedDataFolder() + QLatin1Char('/') + name;
    if (!QFileInfo(source).isFile())
        source = fallback;
    if (source.isEmpty() || !QFileInfo::exists(source)) {
        if (error)
            *error =
                QStringLiteral("「%1」が見つかりません。インストールが壊れているかもしれません。")
                    .arg(ShippedDataFolder() + QLatin1Char('/') + name);
        return false;
    }
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
        if (error)
            *error = QStringLiteral("フォルダー「%1」を作成できません。")
                         .arg(QFileInfo(target).absolutePath());
        return false;
    }
    QFile file(source);
    if (!file.copy(target)) {
        if (error)
            *error =
                QStringLiteral("「%1」を作成できません。\n%2").arg(target, FileError::Text(file));
        return false;
    }
    // Shipped files are read-only; the user is meant to edit the copy.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    return true;
}

QString DocumentsFolder() {
    // A documents folder that does not exist would be taken for a file name.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}
