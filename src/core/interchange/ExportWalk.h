#pragma once

#include "interchange/Export.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

class QTextDocument;
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
    // Walks text in order: each stretch between links goes to words, each
    // link that points somewhere to link with its target and label.
    void
    splitLinks(const QString& text, const std::function<void(QStringView)>& words,
               const std::function<void(const QString& href, const QString& label)>& link) const;

    // Tells the progress callback; false once cancelled.
    bool step(int done);

    // The page of item as text with LF line breaks (plain pages).
    static QString plainPage(const TLeafNote& item);
    // Loads the item's page (rich or plain) into doc; false with the reason
    // when the stored page is damaged.
    static bool loadPage(TLeafNote& item, QTextDocument& doc, QString* error);
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

// XML and HTML text escaping.
QString EscapeXml(const QString& text);

} // namespace Interchange
