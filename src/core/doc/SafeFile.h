#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <stdexcept>

class TByteSink;

// A file could not be written, renamed or deleted. The message names the
// file and the reason and is shown to the user as it stands.
class EFileError : public std::runtime_error {
public:
    explicit EFileError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// File operations that never pass a failure over. Each throws EFileError.
namespace SafeFile {

// Writes bytes to path as a new file (whatever had the name is removed first,
// a link is not followed), flushes them to the disk and reads them back to
// compare before it returns.
void WriteDurably(const QString& path, const QByteArray& bytes);
// The same for content made while it is written: produce passes it to the
// sink a block at a time. The file is read back a block at a time and checked
// against a checksum taken while it was written, so the content is never held
// whole. Whatever produce throws removes the file and travels on.
void WriteDurably(const QString& path, const std::function<void(TByteSink&)>& produce);
// Replaces path with bytes so that a reader sees either the old or the new
// content, never a part: a hidden temporary file beside it, written durably,
// then renamed over it. An existing device or pipe is written in place.
void ReplaceAtomically(const QString& path, const QByteArray& bytes);
// The same, streamed as WriteDurably streams.
void ReplaceAtomically(const QString& path, const std::function<void(TByteSink&)>& produce);
// Renames from over to (replacing to when it exists) in one step.
void RenameOver(const QString& from, const QString& to);
// Renames from to to, refusing when to exists.
void RenameNoReplace(const QString& from, const QString& to);
// Makes to a second name of from's content (a hard link, or a copy where the
// file system has none). to must not exist.
void LinkOrCopy(const QString& from, const QString& to);
// Deletes a file; a missing file is not an error.
void Remove(const QString& path);
// Removes hidden temporary files that an earlier ReplaceAtomically of path
// left behind when it was killed. A temporary still being written (locked
// by its writer) is left alone. Best effort: nothing is reported.
void RemoveStaleTemporaries(const QString& path);
// Flushes the folder entry of path so a rename survives a power cut; best effort.
void SyncFolderOf(const QString& path);
// The system's reason for the last failure.
QString LastReason();

} // namespace SafeFile
