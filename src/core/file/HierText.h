#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class TOutline;
class TOutlineNode;

// Import of hierarchical text: heading lines start with one or more marker
// bytes, their count giving the depth relative to the file's first heading;
// every other line is body text of the heading above it. Files are cp932 or
// UTF-8 (with or without a byte-order mark).
namespace HierText {

constexpr qint64 MaxFileSize = qint64(256) << 20;
// Deeper headings are refused: nothing that walks the tree may run out of stack.
constexpr int MaxDepth = 1000;

// One item of the imported branch, in tree order.
struct TEntry {
    int parent = -1; // index of an earlier entry; -1 for the top level
    QByteArray title;
    QByteArray text; // plain-text page, lines ended by CR LF
};

struct TParsed {
    bool ok = true;
    QString error;
    std::vector<TEntry> entries;
    // Characters of a UTF-8 file that cp932 cannot hold became "?".
    bool lossy = false;
};

// The branch described by bytes; its first entry is the item titled topTitle
// that takes the text before the first heading. Refuses binary data, UTF-8
// with a byte-order mark that does not decode, and headings deeper than MaxDepth.
TParsed Parse(const QByteArray& bytes, char marker, const QByteArray& topTitle);

// Appends the entries at the end of the top level in one step (redrawing off);
// returns the first new node. Should creating an item fail, every item made
// is removed again before the failure goes on.
TOutlineNode* Insert(TOutline& outline, const std::vector<TEntry>& entries);

// The title of the imported top item: the file name without folder and
// without an extension of three characters.
QByteArray TitleFromFileName(const QString& path);

struct TImportResult {
    bool ok = false;
    // The file is not there: nothing happens and nothing is said.
    bool missing = false;
    QString error;
    TOutlineNode* top = nullptr;
    int count = 0;
    bool lossy = false;
};

// Reads, checks and inserts the file at path. Refused files leave the
// outline untouched and give a message for the user.
TImportResult ImportFile(const QString& path, TOutline& outline, char marker);

} // namespace HierText
