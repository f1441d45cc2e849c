#pragma once

#include <QByteArray>
#include <QString>

// Path helpers shared by the document, links and the link panel. Paths use
// "/" here; names written on Windows ("doc\a.txt") are read with "\" as a
// separator too.

// Every existing path is made absolute and spelled as stored (symbolic links
// resolved, so that one document has one name); a path that does not exist
// comes back unchanged, less a trailing separator.
QString CanonicalPath(const QString& path);
// File name without folder; when its fourth character from the end is ".",
// without the last four characters.
QString NameWithoutExt(const QString& path);
// The file name part (after the last "/" or "\").
QString FileNameOf(const QString& path);
// Everything before the last "/" or "\" (without it; "/" for a file in the
// root); empty when there is no separator.
QString FolderOf(const QString& path);
// The extension with its dot, from the last "." of the file name; empty when none.
QString ExtOf(const QString& path);
// Replaces * , / : ; < > ? \ | ~ with "_". In the byte form the second byte
// of a double-byte character is never examined.
QByteArray SafeFileName(const QByteArray& cp932);
QString SafeFileName(const QString& text);
// Starts with "http:", "https:", "mailto:" or "ftp:", ignoring case.
bool IsUrl(const QString& text);
// Not starting with "/" or "\", second character not ":", and not a URL.
bool IsRelativePath(const QString& text);
// The path with its last three characters replaced (".wrn" -> ".bak").
QString WithLastChars(const QString& path, const QString& replacement);
