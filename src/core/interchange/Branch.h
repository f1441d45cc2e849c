#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

class QTextDocument;
class TOutline;
class TOutlineNode;

// Reading other programs' outlines: every reader builds a whole branch
// first, and only a branch that was read to its end goes into the outline,
// in one step, so a file that fails half way leaves nothing behind.
namespace Interchange {

// As large as the biggest page a document may expand to: our own OPML of a
// large outline carries every rich page in base64.
constexpr qint64 MaxFileSize = qint64(1) << 30;
// As deep as the hierarchical-text import: nothing that walks the tree may
// run out of stack.
constexpr int MaxDepth = 1000;
constexpr int MaxItems = 5000000;

// One item of a branch, in tree order. Texts are cp932 bytes, as stored.
struct TBranchItem {
    int parent = -1; // index of an earlier item; -1 for the branch's top level
    QByteArray Title;
    QByteArray PageText;
    QByteArray PageRich; // empty for a plain page
    QByteArray Links;    // CR LF ended lines
    int NodeId = 0;      // 0: none given
    int LabelIndex = 0;
    int Progress = 0;
    double Dates[4] = {0, 0, 0, 0}; // created, modified, due, finished
    bool HasDates = false;          // otherwise the item gets "now"
    bool Expanded = false;
};

struct TBranch {
    std::vector<TBranchItem> items;
    // A title or link line lost characters cp932 lacks ("?" took their place).
    bool lossy = false;
    // Pictures that could not be kept, remote ones and the like.
    int droppedPictures = 0;
};

struct TReadResult {
    bool ok = false;
    bool cancelled = false;
    QString error; // names the file and the place
    TBranch branch;
};

// Told of the work done so far; returning false cancels.
using TProgress = std::function<bool(qint64 done, qint64 total)>;

enum class TFormat { Unknown, Opml, Markdown, CherryXml, CherrySqlite, CherryLocked, TreeLine };

// By the extension first, then by the first bytes.
TFormat DetectFormat(const QString& path, const QByteArray& head);
// "OPML", "Markdown", ...
QString FormatName(TFormat format);
// The filters of an open dialog, all formats first.
QString OpenFilters();

// Reads the file at path in whatever format it is. Nothing is inserted.
TReadResult ReadFile(const QString& path, const TProgress& progress = {});

// Inserts the branch in one step, redrawing off: under parent as its last
// children (nullptr: at the end of the top level). Node ids of the branch
// are kept when no item of the outline holds them yet (and the document's
// next id moves past them); otherwise the item gets none. Should creating an
// item fail, every item made is removed again before the failure goes on.
// Returns the first new node.
TOutlineNode* Insert(TOutline& outline, const TBranch& branch, TOutlineNode* parent = nullptr);

// The branch under one new top item with the given title (the file's name),
// so that an import arrives as one book.
TBranch Wrapped(const TBranch& branch, const QByteArray& title);

// ---- helpers shared by the readers ----

// A title for the model: cp932, "?" for what it lacks, line breaks as spaces.
QByteArray TitleBytes(const QString& title, bool* lossy);
// A link line list for the model.
QByteArray LinkBytes(const QStringList& lines, bool* lossy);
// A plain page: plain text when cp932 holds it, else rich text that keeps
// every character (the plain text then has "?" where cp932 lacks one).
void SetPlainPage(TBranchItem& item, const QString& text);
// A rich page from a document.
void SetRichPage(TBranchItem& item, const QTextDocument& doc);

// "「name」の 3 行 5 列目" and the like.
QString Place(const QString& path, qint64 line, qint64 column);
// The message for a file that BoundedFile refused, or empty when read.
QString ReadBytes(const QString& path, QByteArray* bytes);

// Dates of items: days since 1899-12-30 in local time.
double FromUnixSeconds(qint64 seconds);
double FromDateTimeText(const QString& text); // ISO 8601 or RFC 822; 0 when neither

} // namespace Interchange
