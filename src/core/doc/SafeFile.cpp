#include "doc/SafeFile.h"

#include "common/FileError.h"
#include "common/ReplacingFile.h"
#include "doc/DocPaths.h"
#include "doc/RunningSum.h"
#include "file/ByteStream.h"

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
    return FileError::SystemText(err);
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

// Writes what it is given to the file and sums it on the way.
class TFileSink : public TByteSink {
public:
    TFileSink(int fd, const QString& path) : m_fd(fd), m_path(path) {}
    void write(const char* data, qsizetype size) override {
        try {
            writeAll(m_fd, QByteArray::fromRawData(data, size), m_path);
        } catch (...) {
            m_closed = true; // writeAll closes the file when it gives up
            throw;
        }
        m_sum.add(data, size);
    }
    const TRunningSum& sum() const { return m_sum; }
    bool closed() const { return m_closed; }

private:
    int m_fd;
    bool m_closed = false;
    QString m_path;
    TRunningSum m_sum;
};

} // namespace

namespace SafeFile {

QString LastReason() {
    return reasonOf(errno);
}

} // namespace SafeFile

namespace {

// Reads path back in blocks against the sum of what was written.
void readBack(const QString& path, const TRunningSum& written) {
    using namespace SafeFile;
    const int in = ::open(native(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        fail(QStringLiteral("書き込んだファイル「%1」を読み直せませんでした。"), path,
             LastReason());
    TRunningSum back;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, block.data(), size_t(block.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(in);
            fail(QStringLiteral("書き込んだファイル「%1」を読み直せませんでした。"), path,
                 reasonOf(err));
        }
        if (n == 0)
            break;
        back.add(block.constData(), n);
    }
    ::close(in);
    if (!(back == written))
        fail(QStringLiteral("書き込んだファイル「%1」の内容が書き込んだものと一致しません。"), path,
             QStringLiteral("%1 / %2 bytes").arg(back.size()).arg(written.size()));
}

// The hidden temporary of ReplaceAtomically: ".<name>.<8 hex digits>.part".
QString temporaryPrefix(const QString& path) {
    const QString folder = FolderOf(path);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral(".") +
           FileNameOf(path) + QLatin1Char('.');
}

// Writes path anew from produce, durably, and trusts only what it reads back.
// With held, the file stays open and locked (its descriptor in *held), so that
// a live writer's temporary is told from one a killed save left.
void writeChecked(const QString& path, const std::function<void(TByteSink&)>& produce, int* held) {
    using namespace SafeFile;
    Remove(path);
    const int fd = ::open(native(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(QStringLiteral("ファイル「%1」を作成できませんでした。"), path, LastReason());
    if (held)
        ::flock(fd, LOCK_EX);
    TFileSink sink(fd, path);
    try {
        produce(sink);
    } catch (...) {
        if (!sink.closed())
            ::close(fd);
        ::unlink(native(path).constData());
        throw;
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::close(fd);
        fail(QStringLiteral("ファイル「%1」をディスクに書き出せませんでした。"), path,
             reasonOf(err));
    }
    if (held)
        *held = fd;
    else if (::close(fd) != 0)
        fail(QStringLiteral("ファイル「%1」に書き込めませんでした。"), path, LastReason());

    try {
        readBack(path, sink.sum());
    } catch (...) {
        if (held)
            ::close(fd);
        throw;
    }
}

// A hidden temporary file beside path, written from produce, renamed over it.
void replaceThroughTemp(const QString& path, const std::function<void(TByteSink&)>& produce) {
    using namespace SafeFile;
    RemoveStaleTemporaries(path);
    const QString temp = temporaryPrefix(path) +
                         QStringLiteral("%1.part").arg(QRandomGenerator::global()->generate(), 8,
                                                       16, QLatin1Char('0'));
    int fd = -1;
    try {
        // Held open, and so locked, until it has its final name.
        writeChecked(temp, produce, &fd);
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
    } catch (...) {
        ::unlink(native(temp).constData());
        if (fd >= 0)
            ::close(fd);
        throw;
    }
    if (fd >= 0)
        ::close(fd);
    SyncFolderOf(path);
}

} // namespace

namespace SafeFile {

void WriteDurably(const QString& path, const QByteArray& bytes) {
    // A new file every time: never write through a link or into a file
    // someone else holds open under this name.
    writeChecked(
        path, [&bytes](TByteSink& sink) { sink.write(bytes.constData(), bytes.size()); }, nullptr);
}

void WriteDurably(const QString& path, const std::function<void(TByteSink&)>& produce) {
    writeChecked(path, produce, nullptr);
}

void ReplaceAtomically(const QString& path, const QByteArray& bytes) {
    if (TReplacingFile::WritesInPlace(path)) {
        // Renaming over it would replace the device itself.
        TReplacingFile out(path);
        if (!out.open() || !out.write(bytes) || !out.commit())
            fail(QStringLiteral("ファイル「%1」に書き込めませんでした。"), path, out.errorString());
        return;
    }
    replaceThroughTemp(path,
                       [&bytes](TByteSink& sink) { sink.write(bytes.constData(), bytes.size()); });
}

void ReplaceAtomically(const QString& path, const std::function<void(TByteSink&)>& produce) {
    if (TReplacingFile::WritesInPlace(path)) {
        // A device or pipe is written in place, from a whole image.
        struct Collect : TByteSink {
            QByteArray bytes;
            void write(const char* data, qsizetype size) override { bytes.append(data, size); }
        } all;
        produce(all);
        ReplaceAtomically(path, all.bytes);
        return;
    }
    replaceThroughTemp(path, produce);
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
        fail(QStringLiteral("ファイル「%1」を読み込めませんでした。"), from,
             FileError::Text(source));
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        fail(QStringLiteral("ファイル「%1」を読み込めませんでした。"), from,
             FileError::Text(source));
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
