#pragma once

#include "interchange/Branch.h"

// One reader per format. Each takes the file's bytes (path names the file in
// messages) and builds a whole branch, or fails with a message that names
// the file and the place.
namespace Interchange {

TReadResult ReadOpml(const QString& path, const QByteArray& bytes, const TProgress& progress);
TReadResult ReadMarkdown(const QString& path, const QByteArray& bytes, const TProgress& progress);
TReadResult ReadCherryXml(const QString& path, const QByteArray& bytes, const TProgress& progress);
// The database is opened from a private copy of bytes, never in the user's place.
TReadResult ReadCherrySqlite(const QString& path, const QByteArray& bytes,
                             const TProgress& progress);
TReadResult ReadTreeLine(const QString& path, const QByteArray& bytes, const TProgress& progress);

} // namespace Interchange
