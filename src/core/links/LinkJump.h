#pragma once

#include "links/LinkTarget.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

class TOutline;
class TOutlineNode;

// Where a node link leads.
struct TNodeJump {
    // The item to select and show; nullptr when none matches (then nothing
    // happens, silently).
    TOutlineNode* Node = nullptr;
    // Not empty: the body's number is none; abandon and show this.
    QString Error;
};

// Where a line link leads.
struct TLineJump {
    // False: nothing to do (the named item is missing, or Error is set).
    bool Go = false;
    // The item to show first; nullptr means the page on show.
    TOutlineNode* Node = nullptr;
    // Look this up with FindLineStart in the page once it is shown.
    QString LineText;
    QString Error;
};

// A line found in a page: select Length characters from Start and scroll
// its line to the top.
struct TLineHit {
    qsizetype Start = -1;
    qsizetype Length = 0;

    bool found() const { return Start >= 0; }
};

// Resolution of node and line links against an outline, without any window.
namespace LinkJump {

// First node in tree order (the trash included) whose NodeId matches, else
// the first whose title equals exactly (case-sensitive, as cp932 bytes).
TOutlineNode* FindTarget(const TOutline& outline, const TNodeLinkBody& body);

TNodeJump JumpToNode(const TOutline& outline, const QString& body);
TLineJump JumpToLine(const TOutline& outline, const QString& body);

// The first line of page that begins with lineText (an empty one matches at
// 0). Lines end with LF, CR LF or, in editor text, a paragraph separator.
TLineHit FindLineStart(QStringView page, QStringView lineText);
TLineHit FindLineStart(const QByteArray& cp932Page, const QByteArray& cp932LineText);

} // namespace LinkJump
