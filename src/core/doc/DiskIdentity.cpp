#include "doc/DiskIdentity.h"

#include "doc/RunningSum.h"

#include <QFile>

#include <sys/stat.h>

namespace {

TDiskIdentity fromStat(const struct stat& st) {
    TDiskIdentity id;
    if (!S_ISREG(st.st_mode))
        return id;
    id.known = true;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = qint64(st.st_size);
    id.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

} // namespace

namespace DiskIdentity {

TDiskIdentity Stat(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return TDiskIdentity();
    return fromStat(st);
}

TDiskIdentity StatOpen(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return TDiskIdentity();
    return fromStat(st);
}

bool Digest(QIODevice& device, uint64_t* digest) {
    if (!device.seek(0))
        return false;
    TRunningSum sum;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = device.read(block.data(), block.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        sum.add(block.constData(), n);
    }
    *digest = sum.digest();
    return true;
}

TDiskIdentity Take(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TDiskIdentity();
    TDiskIdentity id = StatOpen(file.handle());
    if (id.known && !Digest(file, &id.digest))
        return TDiskIdentity();
    return id;
}

} // namespace DiskIdentity
