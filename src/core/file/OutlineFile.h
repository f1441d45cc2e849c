#pragma once

#include "file/ByteStream.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;
class TByteSink;
class TOptionDesc;
class TOutline;
class TOutlineNode;

// Whole documents: the settings record followed by every item record.
namespace OutlineFile {

struct ReadResult {
    // False when reading stopped early; the items read so far stay in the
    // outline and the document must be treated as not read correctly.
    bool ok = true;
    QString error;
    // The read was stopped by its progress callback; nothing read is kept.
    bool cancelled = false;
    // The node of the last record marked selected, if any (already selected).
    TOutlineNode* selected = nullptr;
};

// Reads a ".wrn" image into settings and outline (the outline is cleared first).
ReadResult readDocument(const QByteArray& bytes, TOptionDesc& settings, TOutline& outline);
// The same from an open device, read through a small window, so that a large
// document is not held in memory twice while it loads. progress is told of
// each block read and may cancel; a cancelled read leaves the outline empty.
ReadResult readDocument(QIODevice& device, TOptionDesc& settings, TOutline& outline,
                        const TReadProgress& progress = {});
// The ".wrn" image of the whole outline, or of branch alone as the only
// top-level record. Ids are kept (export flag off). Compresses pages that
// have no valid compressed copy yet.
QByteArray writeDocument(const TOptionDesc& settings, TOutline& outline,
                         TOutlineNode* branch = nullptr);
// The same image streamed into sink a block at a time, never held whole.
void writeDocument(const TOptionDesc& settings, TOutline& outline, TByteSink& sink,
                   TOutlineNode* branch = nullptr);
// Item records alone (clipboard and drag payloads): node and its subtree.
QByteArray writeItems(TOutlineNode* node, bool exportFlag);
// Reads item records until the end of bytes, each as a new item at code of
// ref (see TLeafNote::Create); returns the first created node via result.selected.
// With allOrNothing a failed read removes every item it made (a paste must not
// leave half an item behind); otherwise what was read stays.
ReadResult readItems(const QByteArray& bytes, TOutline& outline, int code, TOutlineNode* ref,
                     bool allOrNothing = false);

// Reads an older ".lkp" text outline into outline (appended to what is there).
ReadResult readLkp(const QByteArray& bytes, TOutline& outline);

// Reads the file at path (".lkp" by its extension, else ".wrn"). A file that
// cannot be opened gives ok = false with the reason.
// The outline is cleared first in both cases; for ".lkp" the settings are left
// as they are (the caller resets them to the defaults of a new document).
ReadResult readFile(const QString& path, TOptionDesc& settings, TOutline& outline);

// Writes bytes to device in full. False with the reason when any write fails
// or comes up short.
bool writeToDevice(QIODevice& device, const QByteArray& bytes, QString* error = nullptr);
// Writes bytes to path through a temporary file in the same folder that
// replaces path only when everything was written and flushed; on failure path
// is left as it was. False with the reason.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// The same, streamed: produce hands the content on a block at a time.
// written receives the number of bytes.
bool writeFile(const QString& path, const std::function<void(TByteSink&)>& produce,
               qint64* written = nullptr, QString* error = nullptr);

} // namespace OutlineFile
