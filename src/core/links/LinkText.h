#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TLeafNote;
class TWrenDoc;

// The link texts the commands produce, so that nobody types them. A part
// that would end the link early (a ">", a tab or other control character)
// is kept out of it.
namespace LinkText {

// "<node:" + Title + ";" + NodeId + ">", in cp932. Gives the item its NodeId
// first when it has none (the document is not marked changed by that).
QByteArray NodeLinkText(TLeafNote& item);

// The copy-link-to-item command's clipboard text: one space either side.
QByteArray NodeLinkClipboardText(TLeafNote& item);

// Link to a line of the page on show: "<line:" + line + ">".
QString LineLinkInside(const QString& line);

// Link to a line of item's page: "<line:" + line + "/node:" + Title + ";"
// + NodeId + ">", giving item its NodeId first when it has none.
QString LineLinkOutside(const QString& line, TLeafNote& item);

// "<file:" + path + ">".
QString FileLinkText(const QString& path);

// Links to dropped or chosen files, each path made relative to the
// document's folder when it lies below it. One file: its link alone;
// several: CR LF, then each link followed by CR LF.
QString FileLinksText(const TWrenDoc& doc, const QStringList& paths);

} // namespace LinkText
