#pragma once

#include "links/LinkKind.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>

class TWrenDoc;

// Node link body: Title [";" NodeId].
struct TNodeLinkBody {
    QString Title;
    // 0: the link names its item by title only.
    int32_t NodeId = 0;
    // Set when the body ends in ";" and a number that is none (no digits, or
    // beyond 32 bits): the jump is abandoned and this is shown to the user.
    QString Error;

    bool ok() const { return Error.isEmpty(); }
};

// Line link body: LineText ["/node:" NodeBody].
struct TLineLinkBody {
    // The beginning of the target line, matched exactly.
    QString LineText;
    // False: the line is looked for in the page on show.
    bool HasNode = false;
    TNodeLinkBody Node;
};

// Where a file link points.
struct TFileLinkTarget {
    // Absolute path, or the body unchanged when it is a web address.
    QString Path;
    // An outline file (".wrn", any case): opened as a document, not by the
    // system.
    bool IsOutline = false;
    // Empty when the link cannot be followed: a relative path in a document
    // that has no file yet has no folder to be read against.
    QUrl Url;

    bool valid() const { return !Path.isEmpty() && Url.isValid(); }
};

// A command link split into what QProcess starts; never a shell.
struct TCommandLine {
    QString Program;
    QStringList Arguments;

    bool valid() const { return !Program.isEmpty(); }
};

// What following a clicked link means.
enum class LinkAction {
    None,
    OpenWithSystem, // hand Url to the system (web addresses, "newwren:")
    FollowFile,     // file link: open File (an outline as a document)
    FollowNode,     // node link: see JumpToNode
    FollowLine,     // line link: see JumpToLine
    RunCommand,     // command link: start Command detached
};

struct TLinkClick {
    LinkAction Action = LinkAction::None;
    // The text a click hands on (LinkScan::ClickText).
    QString Text;
    // OpenWithSystem only.
    QUrl Url;
    // FollowFile only.
    TFileLinkTarget File;
    // RunCommand only.
    TCommandLine Command;
};

// Reading link bodies for following. Bodies come as the editor shows them.
namespace LinkTarget {

// The NodeId is the run of ASCII digits after the last ";" that ends the
// body; the title is what lies before that ";". Without such a ";" the whole
// body is the title. ";0" means by title only.
TNodeLinkBody ParseNodeLink(const QString& body);

// Split at the first "/node:".
TLineLinkBody ParseLineLink(const QString& body);

// The path read against the document's folder when relative ("\" counts as
// a separator); absolute paths and web addresses stay as they are.
TFileLinkTarget ParseFileLink(const TWrenDoc& doc, const QString& body);

// Split as QProcess::splitCommand does: spaces separate, double quotes
// group, a tripled quote inside quotes is a literal one.
TCommandLine ParseCommandLine(const QString& body);

// A text the system is asked to open ("newwren:" bodies, the open-selection
// command): a text with a scheme ("http:", "mailto:", ...) as a URL, anything
// else as a file path, relative ones against the document's folder. Invalid
// when there is nothing to open.
QUrl SystemOpenUrl(const TWrenDoc& doc, const QString& text);

// What a click on a link of kind with the given click text does.
TLinkClick ClickAction(const TWrenDoc& doc, LinkKind kind, const QString& clickText);

} // namespace LinkTarget
