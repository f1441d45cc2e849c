#include "doc/SafeFile.h"

#include "common/ReplacingFile.h"
#include "doc/DocPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString reasonOf(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw EFileError(what.arg(path) + QStringLiteral("\n") + reason);
}

// Writes everything or says why not; short writes are retried.
void writeAll(int fd, const QByteArray& bytes, const QString& path) {
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            fail(QStringLiteral("ファイル「%1」に書き込めませんでした。"), path, reasonOf(err));
        }
        p += n;
        left -= n;
    }
}

} // namespace

namespace SafeFile {

QString LastReason() {
    return reasonOf(errno);
}

} // namespace SafeFile

namespace {

// The hidden temporary of ReplaceAtomically: ".<name>.<8 hex digits>.part".
QString temporaryPrefix(const QString& path) {
    const QString folder = FolderOf(path);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral(".") +
           FileNameOf(path) + QLatin1Char('.');
}

// Writes a new file and returns it still open (and, with lock, locked), so
// that its writer can hold it until it was renamed.
int writeNew(const QString& path, const QByteArray& bytes, bool lock) {
    // A new file every time: never write through a link or into a file
    // someone else holds open under this name.
    SafeFile::Remove(path);
    const int fd = ::open(native(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(QStringLiteral("ファイル「%1」を作成できませんでした。"), path,
             SafeFile::LastReason());
    // The lock tells a live writer's temporary from one a killed save left.
    if (lock)
        ::flock(fd, LOCK_EX);
    writeAll(fd, bytes, path);
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::close(fd);
        fail(QStringLiteral("ファイル「%1」をディスクに書き出せませんでした。"), path,
             reasonOf(err));
    }
    return fd;
}

// Trusts only what can be read back.
void checkReadBack(const QString& path, const QByteArray& bytes) {
    QFile check(path);
    if (!check.open(QIODevice::ReadOnly))
        fail(QStringLiteral("書き込んだファイル「%1」を読み直せませんでした。"), path,
             check.errorString());
    const QByteArray back = check.readAll();
    if (back != bytes)
        fail(QStringLiteral("書き込んだファイル「%1」の内容が書き込んだものと一致しません。"), path,
             QStringLiteral("%1 / %2 bytes").arg(back.size()).arg(bytes.size()));
}

} // namespace

namespace SafeFile {

void WriteDurably(const QString& path, const QByteArray& bytes) {
    const int fd = writeNew(path, bytes, false);
    if (::close(fd) != 0)
        fail(QStringLiteral("ファイル「%1」に書き込めませんでした。"), path, LastReason());

    checkReadBack(path, bytes);
}

void ReplaceAtomically(const QString& path, const QByteArray& bytes) {
    if (TReplacingFile::WritesInPlace(path)) {
        // Renaming over it would replace the device itself.
        TReplacingFile out(path);
        if (!out.open() || !out.write(bytes) || !out.commit())
            fail(QStringLiteral("ファイル「%1」に書き込めませんでした。"), path, out.errorString());
        return;
    }
    RemoveStaleTemporaries(path);
    const QString temp = temporaryPrefix(path) +
                         QStringLiteral("%1.part").arg(QRandomGenerator::global()->generate(), 8,
                                                       16, QLatin1Char('0'));
    int fd = -1;
    try {
        // Held open, and so locked, until it has its final name.
        fd = writeNew(temp, bytes, true);
        checkReadBack(temp, bytes);
        const QFileInfo old(path);
        if (old.exists())
            QFile::setPermissions(temp, old.permissions());
        RenameOver(temp, path);
    } catch (const EFileError& e) {
        ::unlink(native(temp).constData());
        if (fd >= 0)
            ::close(fd);
        // The user knows the file by its own name, not by the hidden temporary's.
        throw EFileError(QStringLiteral("ファイル「%1」を保存できませんでした。\n%2")
                             .arg(path, e.message().section(QLatin1Char('\n'), 1)));
    }
    if (fd >= 0)
        ::close(fd);
    SyncFolderOf(path);
}

void RemoveStaleTemporaries(const QString& path) {
    const QString prefix = temporaryPrefix(path);
    const QString name = FileNameOf(prefix);
    QString folder = FolderOf(path);
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList found =
        dir.entryList({name + QStringLiteral("*.part")}, QDir::Files | QDir::Hidden | QDir::System,
                      QDir::Unsorted);
    static const QRegularExpression tail(QStringLiteral("^[0-9a-f]{8}\\.part$"));
    for (const QString& entry : found) {
        if (!tail.match(entry.mid(name.size())).hasMatch())
            continue;
        const QByteArray file = native(dir.filePath(entry));
        const int fd = ::open(file.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // Only our own regular files, and none that a writer holds or just made.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
            st.st_mtime < ::time(nullptr) - 2 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(file.constData());
        ::close(fd);
    }
}

void RenameOver(const QString& from, const QString& to) {
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        fail(QStringLiteral("ファイル「%1」の名前を変更できませんでした。"),
             from + QStringLiteral("」→「") + to, LastReason());
}

void RenameNoReplace(const QString& from, const QString& to) {
    // link() refuses an existing target; the old name goes only once the new one exists.
    if (::link(native(from).constData(), native(to).constData()) == 0) {
        if (::unlink(native(from).constData()) != 0) {
            const int err = errno;
            ::unlink(native(to).constData());
            fail(QStringLiteral("ファイル「%1」の名前を変更できませんでした。"),
                 from + QStringLiteral("」→「") + to, reasonOf(err));
        }
        return;
    }
    const int err = errno;
    if (err == EEXIST || QFileInfo::exists(to))
        fail(QStringLiteral("ファイル「%1」は既に存在します。"), to, reasonOf(EEXIST));
    if (err != EPERM && err != EXDEV && err != ENOTSUP && err != EOPNOTSUPP)
        fail(QStringLiteral("ファイル「%1」の名前を変更できませんでした。"),
             from + QStringLiteral("」→「") + to, reasonOf(err));
    // File systems without hard links: check, then rename.
    RenameOver(from, to);
}

void LinkOrCopy(const QString& from, const QString& to) {
    if (::link(native(from).constData(), native(to).constData()) == 0)
        return;
    const int err = errno;
    if (err == EEXIST)
        fail(QStringLiteral("ファイル「%1」は既に存在します。"), to, reasonOf(err));
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("ファイル「%1」を読み込めませんでした。"), from, source.errorString());
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        fail(QStringLiteral("ファイル「%1」を読み込めませんでした。"), from, source.errorString());
    try {
        WriteDurably(to, bytes);
    } catch (...) {
        ::unlink(native(to).constData());
        throw;
    }
}

void Remove(const QString& path) {
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        fail(QStringLiteral("ファイル「%1」を削除できませんでした。"), path, LastReason());
}

void SyncFolderOf(const QString& path) {
    QString folder = FolderOf(path);
    if (folder.isEmpty())
        folder = QStringLiteral(".");
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace SafeFile
