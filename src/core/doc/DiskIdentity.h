#pragma once

#include <QString>

#include <cstdint>

class QIODevice;

// What a document's file was when this window last read or wrote it. Another
// program (a file-sync tool above all) may replace it at any time; comparing
// tells whether the file is still the one we know.
struct TDiskIdentity {
    bool known = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    // The content's sum, from TRunningSum.
    uint64_t digest = 0;

    // Same file, same size and time: nobody has written it since.
    bool sameStat(const TDiskIdentity& other) const {
        return known && other.known && device == other.device && inode == other.inode &&
               size == other.size && mtimeNs == other.mtimeNs;
    }
};

namespace DiskIdentity {

// The file's identity without its digest; known is false when it is missing
// or not a regular file.
TDiskIdentity Stat(const QString& path);
// The same for an open file.
TDiskIdentity StatOpen(int fd);
// The digest of everything the device holds from its start; false when it
// could not be read whole.
bool Digest(QIODevice& device, uint64_t* digest);
// The identity with its digest; known is false when the file cannot be read.
TDiskIdentity Take(const QString& path);

} // namespace DiskIdentity
