#include "file/BoundedFile.h"

#include "common/FileError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BoundedFile {

Result Read(const QString& path, qint64 limit) {
    Result r;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        r.failure = err == ENOENT ? Failure::Missing : Failure::OpenFailed;
        r.reason = FileError::SystemText(err);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        r.failure = Failure::NotRegular;
        return r;
    }
    if (st.st_size > limit) {
        ::close(fd);
        r.failure = Failure::TooLarge;
        r.size = st.st_size;
        return r;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        r.failure = Failure::OpenFailed;
        r.reason = FileError::Text(file);
        return r;
    }
    // One byte more than allowed tells a file that grew since.
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        r.failure = Failure::ReadFailed;
        r.reason = FileError::Text(file);
        return r;
    }
    if (bytes.size() > limit) {
        r.failure = Failure::TooLarge;
        r.size = bytes.size();
        return r;
    }
    r.bytes = std::move(bytes);
    return r;
}

QString KindOf(unsigned mode) {
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return QStringLiteral("フォルダ");
    case S_IFIFO:
        return QStringLiteral("名前付きパイプ");
    case S_IFSOCK:
        return QStringLiteral("ソケット");
    case S_IFCHR:
    case S_IFBLK:
        return QStringLiteral("デバイス");
    case S_IFREG:
        return QStringLiteral("ファイル");
    default:
        return QStringLiteral("特殊なファイル");
    }
}

bool OpenRegular(const QString& path, QFile& file, QString* error) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (error)
            *error = FileError::SystemText(err);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = QStringLiteral("%1は通常のファイルではないため開けません。")
                         .arg(KindOf(st.st_mode));
        return false;
    }
    // Reads of a regular file never wait; the flag only served the open.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (error)
            *error = FileError::Text(file);
        return false;
    }
    return true;
}

} // namespace BoundedFile
