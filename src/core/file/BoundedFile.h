#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Reading a whole file of bounded size without ever waiting on it: opened
// without blocking, so that a pipe or device put in a file's place cannot
// hang the window, and refused unless it is a regular file.
namespace BoundedFile {

enum class Failure { None, Missing, NotRegular, TooLarge, OpenFailed, ReadFailed };

struct Result {
    QByteArray bytes;
    Failure failure = Failure::None;
    // The size found, for TooLarge.
    qint64 size = 0;
    // The system's reason, for OpenFailed and ReadFailed.
    QString reason;

    bool ok() const { return failure == Failure::None; }
};

// Reads at most limit bytes; a file that is larger (or grows past limit
// while it is read) is refused, never cut.
Result Read(const QString& path, qint64 limit);

// Opens path into file for reading without waiting on it, and refuses
// anything but a regular file (a folder, pipe, socket or device). False with
// the reason, on one line; the caller names the file.
bool OpenRegular(const QString& path, QFile& file, QString* error);
// Why a file of this mode cannot be read as a document ("名前付きパイプ" ...).
QString KindOf(unsigned mode);

} // namespace BoundedFile
