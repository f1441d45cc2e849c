#pragma once

#include "interchange/Export.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class QTextDocument;
class TByteSink;
class TLeafNote;
class TOutline;
class TOutlineNode;
struct TLinkMatch;

// What every writer shares: the items to write in tree order, an anchor per
// item, and the page links turned into targets within the file.
namespace Interchange {

class TExportWalk {
public:
    struct Entry {
        TOutlineNode* node;
        int depth; // 0 for the top of what is written
    };

    TExportWalk(TOutline& outline, const TExportOptions& options);

    const std::vector<Entry>& entries() const { return m_entries; }
    // "wren-12" for an item with id 12, "wren-x5" for the fifth without one.
    QString anchor(const TOutlineNode* node) const;
    // Where a link of the page points, or empty when nowhere in or out of the
    // file ("cmd:" links, items not written). kind is a LinkKind.
    QString href(int kind, const QString& linkText) const;
    // The text a link shows once it is a link: the title of a node link, the
    // path of a file link, the link itself otherwise.
    static QString label(int kind, const QString& linkText);

    // The characters a link takes in text, its angle brackets included: a
    // bracketed link's own, and those around a web address written "<...>".
    static void linkRange(QStringView text, const ::TLinkMatch& m, qsizetype* from, qsizetype* to);
    // A link of a text that points somewhere: the characters it takes, its
    // angle brackets included, what it points to and what it shows.
    struct LinkSpan {
        qsizetype from, to;
        QString href, label;
    };
    // The links of text that point somewhere, in order.
    std::vector<LinkSpan> linkSpans(QStringView text) const;
    // Walks text in order: each stretch between links goes to words, each
    // link that points somewhere to link with its target and label.
    void
    splitLinks(QStringView text, const std::function<void(QStringView)>& words,
               const std::function<void(const QString& href, const QString& label)>& link) const;

    // Tells the progress callback; false once cancelled.
    bool step(int done);

    // Each entry's part of the file, made on every core. make runs on any
    // thread and may only read; rich is the item's stored page (empty for a
    // plain one), fetched beforehand on this thread, as the page store
    // keeps count of what is expanded. take gets the parts in order. False
    // when a page could not be read (result->error) or the user cancelled
    // (result->cancelled).
    using MakePart = std::function<QByteArray(const Entry& entry, const QByteArray& rich)>;
    using TakePart = std::function<void(size_t index, const QByteArray& part)>;
    bool makeParts(const MakePart& make, const TakePart& take, TExportResult* result);

    // The page of item as text with LF line breaks (plain pages).
    static QString plainPage(const TLeafNote& item);
    // Loads the item's stored rich page into doc; a page too damaged to
    // show anything shows its plain words. Touches nothing of the item.
    static void loadRich(const TLeafNote& item, const QByteArray& rich, QTextDocument& doc);
    // A picture of the page as a data: URL; empty when there is none.
    static QString imageDataUrl(const QTextDocument& doc, const QString& name);
    // Pictures named by their data, for a writer that names them in its output.
    static void embedImages(QTextDocument& doc);
    // Turns the page's link texts into anchors with their targets.
    void applyLinks(QTextDocument& doc) const;

private:
    TOutline& m_outline;
    const TExportOptions& m_options;
    std::vector<Entry> m_entries;
    QHash<const TOutlineNode*, QString> m_anchors;
    QHash<int, const TOutlineNode*> m_byId;
    QHash<QString, const TOutlineNode*> m_byTitle;
};

// Passes what an export has made so far on to sink, once it is a few
// megabytes, so that a large file is never held whole; without a sink the
// bytes stay.
void Spill(QByteArray& staged, TByteSink* sink, TExportResult& result);
// Ends an export: the rest to the sink, or every byte into result.bytes.
void Finish(QByteArray& staged, TByteSink* sink, TExportResult& result);

// Appends text escaped for XML and HTML: its marks as references, what
// neither can hold as U+FFFD.
void AppendEscaped(QString& out, QStringView text);

} // namespace Interchange
