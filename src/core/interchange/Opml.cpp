// OPML 2.0: one <outline> per item, "text" the title and "_note" the page's
// plain text as other outliners write them; everything else an item holds
// in attributes of our own namespace, so a document comes back whole.
#include "interchange/Opml.h"
#include "common/DateTime.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "interchange/Export.h"
#include "interchange/ExportWalk.h"
#include "interchange/Readers.h"
#include "interchange/XmlInput.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QDateTime>
#include <QLocale>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

namespace Interchange {

const QString OpmlNamespace = QStringLiteral("urn:x-wrennote:opml:1");

namespace {

const char* const DateNames[4] = {"created", "modified", "due", "finished"};

// What XML 1.0 cannot carry becomes U+FFFD.
QString xmlSafe(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar(0xFFFD);
    }
    return out;
}

// Bytes that do not come back the same through Unicode (damaged cp932)
// travel as they are as well.
bool survivesUnicode(const QByteArray& bytes) {
    for (char c : bytes)
        if (uint8_t(c) >= 0x80 || uint8_t(c) < 0x20)
            return Cp932::fromUnicode(xmlSafe(Cp932::toUnicode(bytes))) == bytes;
    return true;
}

QString rfc822(double value) {
    const QDateTime dt = WrenDate::toDateTime(value);
    return QLocale::c().toString(dt.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
           QStringLiteral(" GMT");
}

} // namespace

TExportResult ExportOpml(TOutline& outline, const TExportOptions& options) {
    TExportResult result;
    TExportWalk walk(outline, options);
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeNamespace(OpmlNamespace, QStringLiteral("wren"));
    xml.writeStartElement(QStringLiteral("opml"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeTextElement(QStringLiteral("title"), xmlSafe(options.title));
    xml.writeTextElement(QStringLiteral("dateCreated"),
                         rfc822(WrenDate::fromDateTime(QDateTime::currentDateTime())));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
    int open = 0;
    int done = 0;
    for (const TExportWalk::Entry& e : walk.entries()) {
        while (open > e.depth) {
            xml.writeEndElement();
            --open;
        }
        TLeafNote* item = e.node->item();
        xml.writeStartElement(QStringLiteral("outline"));
        ++open;
        xml.writeAttribute(QStringLiteral("text"), xmlSafe(Cp932::toUnicode(item->Title)));
        if (!survivesUnicode(item->Title))
            xml.writeAttribute(OpmlNamespace, QStringLiteral("title-bytes"),
                               QString::fromLatin1(item->Title.toBase64()));
        const QString note = TExportWalk::plainPage(*item);
        if (!note.isEmpty())
            xml.writeAttribute(QStringLiteral("_note"), xmlSafe(note));
        if (!survivesUnicode(item->PageText))
            xml.writeAttribute(OpmlNamespace, QStringLiteral("text-bytes"),
                               QString::fromLatin1(item->PageText.toBase64()));
        if (item->CreatedDate != 0)
            xml.writeAttribute(QStringLiteral("created"), rfc822(item->CreatedDate));
        if (item->NodeId > 0)
            xml.writeAttribute(OpmlNamespace, QStringLiteral("id"), QString::number(item->NodeId));
        xml.writeAttribute(OpmlNamespace, QStringLiteral("progress"),
                           QString::number(item->Progress));
        xml.writeAttribute(OpmlNamespace, QStringLiteral("label"),
                           QString::number(item->LabelIndex));
        for (int i = 0; i < 4; ++i)
            xml.writeAttribute(OpmlNamespace, QLatin1String(DateNames[i]),
                               QString::number(item->GetDate(i), 'g', 17));
        if (!item->Links.isEmpty()) {
            xml.writeAttribute(OpmlNamespace, QStringLiteral("links"),
                               xmlSafe(Cp932::toUnicode(item->Links)));
            if (!survivesUnicode(item->Links))
                xml.writeAttribute(OpmlNamespace, QStringLiteral("links-bytes"),
                                   QString::fromLatin1(item->Links.toBase64()));
        }
        if (e.node->expanded())
            xml.writeAttribute(OpmlNamespace, QStringLiteral("expanded"), QStringLiteral("1"));
        QByteArray rich;
        try {
            rich = item->GetPage();
        } catch (const EReadError& err) {
            result.error = QStringLiteral("「%1」のページが壊れています: %2")
                               .arg(Cp932::toUnicode(item->Title), err.message());
            return result;
        }
        if (!rich.isEmpty()) {
            xml.writeAttribute(OpmlNamespace, QStringLiteral("rtf"),
                               QString::fromLatin1(rich.toBase64()));
            item->ReleasePage();
        }
        ++done;
        if (!walk.step(done)) {
            result.cancelled = true;
            return result;
        }
    }
    while (open-- > 0)
        xml.writeEndElement();
    xml.writeEndElement(); // body
    xml.writeEndElement(); // opml
    xml.writeEndDocument();
    result.ok = true;
    result.bytes = bytes;
    result.count = done;
    return result;
}

TReadResult ReadOpml(const QString& path, const QByteArray& bytes, const TProgress& progress) {
    TReadResult r;
    QXmlStreamReader xml(bytes);
    TBranch& branch = r.branch;
    std::vector<int> open; // items of the <outline> elements open, -1 for foreign ones
    bool sawOpml = false, inBody = false;
    int steps = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!AcceptDtd(xml, path, &r.error))
            return r;
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (!sawOpml) {
                if (name != QLatin1String("opml")) {
                    r.error =
                        XmlProblem(xml, path,
                                   QStringLiteral("OPML ではありません"
                                                  "（最初の要素が <opml> ではありません）。"));
                    return r;
                }
                sawOpml = true;
                continue;
            }
            if (name == QLatin1String("body") && open.empty()) {
                inBody = true;
                continue;
            }
            if (!inBody || name != QLatin1String("outline")) {
                xml.skipCurrentElement();
                continue;
            }
            if (int(open.size()) >= MaxDepth) {
                r.error =
                    XmlProblem(xml, path,
                               QStringLiteral("階層が深すぎます。読み込めるのは %1 階層までです。")
                                   .arg(MaxDepth));
                return r;
            }
            if (int(branch.items.size()) >= MaxItems) {
                r.error =
                    XmlProblem(xml, path,
                               QStringLiteral("項目が多すぎます。読み込めるのは %1 項目までです。")
                                   .arg(MaxItems));
                return r;
            }
            const QXmlStreamAttributes a = xml.attributes();
            TBranchItem item;
            item.parent = open.empty() ? -1 : open.back();
            QString title = a.value(QLatin1String("text")).toString();
            if (title.isEmpty())
                title = a.value(QLatin1String("title")).toString();
            const QStringView titleBytes = a.value(OpmlNamespace, QLatin1String("title-bytes"));
            item.Title = titleBytes.isEmpty() ? TitleBytes(title, &branch.lossy)
                                              : QByteArray::fromBase64(titleBytes.toLatin1());
            QString note = a.value(QLatin1String("_note")).toString();
            const QString url = a.value(QLatin1String("url")).toString();
            if (!url.isEmpty() && !note.contains(url))
                note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + url;
            const QStringView rtf = a.value(OpmlNamespace, QLatin1String("rtf"));
            const QStringView textBytes = a.value(OpmlNamespace, QLatin1String("text-bytes"));
            if (!rtf.isEmpty()) {
                item.PageRich = QByteArray::fromBase64(rtf.toLatin1());
                QString page = note;
                page.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
                item.PageText = Cp932::fromUnicode(page);
            } else {
                SetPlainPage(item, note);
            }
            if (!textBytes.isEmpty())
                item.PageText = QByteArray::fromBase64(textBytes.toLatin1());
            const QStringView linkBytes = a.value(OpmlNamespace, QLatin1String("links-bytes"));
            if (!linkBytes.isEmpty())
                item.Links = QByteArray::fromBase64(linkBytes.toLatin1());
            else if (a.hasAttribute(OpmlNamespace, QLatin1String("links")))
                item.Links = LinkBytes(a.value(OpmlNamespace, QLatin1String("links"))
                                           .toString()
                                           .split(QLatin1Char('\n')),
                                       &branch.lossy);
            item.NodeId = a.value(OpmlNamespace, QLatin1String("id")).toInt();
            item.Progress = a.value(OpmlNamespace, QLatin1String("progress")).toInt();
            item.LabelIndex = a.value(OpmlNamespace, QLatin1String("label")).toInt();
            item.Expanded = a.value(OpmlNamespace, QLatin1String("expanded")) == QLatin1String("1");
            bool ours = false;
            for (int i = 0; i < 4; ++i) {
                const QStringView v = a.value(OpmlNamespace, QLatin1String(DateNames[i]));
                if (v.isEmpty())
                    continue;
                bool ok = false;
                const double d = v.toDouble(&ok);
                if (ok && std::isfinite(d)) {
                    item.Dates[i] = d;
                    ours = true;
                }
            }
            if (!ours) {
                const double created =
                    FromDateTimeText(a.value(QLatin1String("created")).toString());
                if (created != 0) {
                    item.Dates[0] = item.Dates[1] = created;
                    ours = true;
                }
            }
            item.HasDates = ours;
            branch.items.push_back(std::move(item));
            open.push_back(int(branch.items.size()) - 1);
            if (progress && ++steps % 1024 == 0 && !progress(xml.characterOffset(), bytes.size())) {
                r.cancelled = true;
                return r;
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("outline") && !open.empty())
                open.pop_back();
            else if (xml.name() == QLatin1String("body"))
                inBody = false;
        }
    }
    if (xml.hasError()) {
        r.error = XmlError(xml, path);
        return r;
    }
    if (!sawOpml) {
        r.error =
            QStringLiteral("%1: OPML ではありません（要素がありません）。").arg(Place(path, 0, 0));
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace Interchange
