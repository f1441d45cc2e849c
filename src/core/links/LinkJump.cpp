#include "links/LinkJump.h"

#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QByteArrayView>

namespace {

template <class View, class Char>
TLineHit findLine(const View& page, const View& line, Char lf, Char paragraph) {
    const qsizetype n = page.size();
    const qsizetype m = line.size();
    for (qsizetype start = 0; start + m <= n;) {
        if (page.sliced(start, m) == line)
            return {start, m};
        qsizetype next = start;
        while (next < n && page.at(next) != lf && page.at(next) != paragraph)
            ++next;
        if (next >= n)
            break;
        start = next + 1;
    }
    return {};
}

} // namespace

namespace LinkJump {

TOutlineNode* FindTarget(const TOutline& outline, const TNodeLinkBody& body) {
    if (!body.ok())
        return nullptr;
    if (body.NodeId != 0) {
        if (TOutlineNode* node = outline.findByNodeId(body.NodeId))
            return node;
    }
    bool lossy = false;
    const QByteArray title = Cp932::fromUnicode(body.Title, &lossy);
    // A title is stored in cp932, so one with a character beyond it is no title
    // (its "?" placeholder must not match an item's real "?").
    if (lossy)
        return nullptr;
    TOutlineNode* found = nullptr;
    outline.forEach([&](TOutlineNode* node) {
        if (node->item()->Title == title) {
            found = node;
            return false;
        }
        return true;
    });
    return found;
}

TNodeJump JumpToNode(const TOutline& outline, const QString& body) {
    TNodeJump jump;
    const TNodeLinkBody parsed = LinkTarget::ParseNodeLink(body);
    jump.Error = parsed.Error;
    jump.Node = FindTarget(outline, parsed);
    return jump;
}

TLineJump JumpToLine(const TOutline& outline, const QString& body) {
    TLineJump jump;
    const TLineLinkBody parsed = LinkTarget::ParseLineLink(body);
    jump.LineText = parsed.LineText;
    if (!parsed.HasNode) {
        jump.Go = true;
        return jump;
    }
    jump.Error = parsed.Node.Error;
    jump.Node = FindTarget(outline, parsed.Node);
    // A missing item must not send the reader to a look-alike line of the
    // page that happens to be on show.
    jump.Go = jump.Node != nullptr;
    return jump;
}

TLineHit FindLineStart(QStringView page, QStringView lineText) {
    return findLine(page, lineText, QChar(u'\n'), QChar(QChar::ParagraphSeparator));
}

TLineHit FindLineStart(const QByteArray& cp932Page, const QByteArray& cp932LineText) {
    // LF never is the second byte of a double-byte character, so every start
    // found is a character start.
    return findLine(QByteArrayView(cp932Page), QByteArrayView(cp932LineText), '\n', '\n');
}

} // namespace LinkJump
