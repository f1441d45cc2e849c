#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString executableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Without an application object (some tools and tests) ask the kernel.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return exe.exists() ? QFileInfo(exe.symLinkTarget()).absolutePath() : QString();
}

} // namespace

QString ProgramFolder() {
    const QString home = qEnvironmentVariable("WRENNOTE_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    const QString exeDir = executableFolder();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString fallback = QDir::homePath() + QStringLiteral("/.local/share/WrenNOTE");
    QDir().mkpath(fallback);
    return fallback;
}
