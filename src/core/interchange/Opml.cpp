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
#include "rtf/RtfReader.h"

#include <QDateTime>
#include <QLocale>
#include <QXmlStreamReader>
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

QString rfc822(double value) {
    const QDateTime dt = WrenDate::toDateTime(value);
    return QLocale::c().toString(dt.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
           QStringLiteral(" GMT");
}

} // namespace

namespace {

// The file is written as bytes, escaped as it goes: a large outline makes
// hundreds of megabytes, and going through a QString per attribute doubled
// the time.
class OpmlOut {
public:
    QByteArray bytes;

    void raw(const char* s) { bytes += s; }
    void raw(const QByteArray& s) { bytes += s; }
    void indent(int depth) {
        bytes += '\n';
        bytes += QByteArray(2 * qMin(depth, 40), ' ');
    }
    // An attribute value from UTF-8: XML's marks escaped, line breaks and
    // tabs as references, what XML cannot hold as U+FFFD.
    void escaped(const QByteArray& utf8, bool foldCrLf = false) {
        const char* d = utf8.constData();
        const qsizetype n = utf8.size();
        qsizetype run = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const auto c = uint8_t(d[i]);
            const char* rep = nullptr;
            switch (c) {
            case '&':
                rep = "&amp;";
                break;
            case '<':
                rep = "&lt;";
                break;
            case '>':
                rep = "&gt;";
                break;
            case '"':
                rep = "&quot;";
                break;
            case '\n':
                rep = "&#10;";
                break;
            case '\r':
                // A page's CR LF is one line break, as the reader gives back.
                if (foldCrLf) {
                    rep = "&#10;";
                    if (i + 1 < n && d[i + 1] == '\n') {
                        bytes.append(d + run, i - run);
                        bytes += rep;
                        ++i;
                        run = i + 1;
                        continue;
                    }
                } else {
                    rep = "&#13;";
                }
                break;
            case '\t':
                rep = "&#9;";
                break;
            default:
                if (c < 0x20)
                    rep = "\xEF\xBF\xBD";
                // U+FFFE and U+FFFF: EF BF BE / EF BF BF.
                else if (c == 0xEF && i + 2 < n && uint8_t(d[i + 1]) == 0xBF &&
                         (uint8_t(d[i + 2]) == 0xBE || uint8_t(d[i + 2]) == 0xBF)) {
                    bytes.append(d + run, i - run);
                    bytes += "\xEF\xBF\xBD";
                    i += 2;
                    run = i + 1;
                    continue;
                }
            }
            if (rep) {
                bytes.append(d + run, i - run);
                bytes += rep;
                run = i + 1;
            }
        }
        bytes.append(d + run, n - run);
    }
    void attribute(const char* name, const QByteArray& utf8, bool foldCrLf = false) {
        bytes += ' ';
        bytes += name;
        bytes += "=\"";
        escaped(utf8, foldCrLf);
        bytes += '"';
    }
    // A value that needs no escaping (numbers, base64).
    void plain(const char* name, const QByteArray& value) {
        bytes += ' ';
        bytes += name;
        bytes += "=\"";
        bytes += value;
        bytes += '"';
    }
};

// Codes that Unicode does not bring back as they were: NEC's row 13 and the
// IBM extensions repeat characters found elsewhere, the unassigned and
// user-defined areas and a few single bytes have no fixed partner. Text
// without them needs no trip back to be sure of it.
bool mayChangeOnTheWayBack(const QByteArray& cp932) {
    const auto* d = reinterpret_cast<const uint8_t*>(cp932.constData());
    const qsizetype n = cp932.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uint8_t c = d[i];
        if (c < 0x80)
            continue;
        if (Cp932::isLeadByte(c)) {
            if (c == 0x87 || c >= 0xEB || i + 1 >= n)
                return true;
            const uint8_t t = d[++i]; // its second byte
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return true;
            continue;
        }
        if (c == 0x80 || c == 0xA0 || c >= 0xFD)
            return true;
    }
    return false;
}

// cp932 bytes as UTF-8; exact is false when the way back would not give the
// same bytes (damaged or duplicate codes), so they travel as they are too.
QByteArray utf8Of(const QByteArray& cp932, bool* exact) {
    bool high = false;
    for (const char c : cp932)
        if (uint8_t(c) >= 0x80) {
            high = true;
            break;
        }
    if (!high) {
        *exact = true;
        for (const char c : cp932)
            if (uint8_t(c) < 0x20 && c != '\r' && c != '\n' && c != '\t')
                *exact = false;
        return cp932;
    }
    const QString text = Cp932::toUnicode(cp932);
    *exact = !mayChangeOnTheWayBack(cp932) && !text.contains(QChar::ReplacementCharacter)
                 ? true
                 : Cp932::fromUnicode(xmlSafe(text)) == cp932;
    return text.toUtf8();
}

// Every line break CR LF: the reader gives back exactly these.
bool breaksAreCrLf(const QByteArray& bytes) {
    const char* d = bytes.constData();
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] == '\r') {
            if (i + 1 >= n || d[i + 1] != '\n')
                return false;
            ++i;
        } else if (d[i] == '\n') {
            return false;
        }
    }
    return true;
}

} // namespace

TExportResult ExportOpml(TOutline& outline, const TExportOptions& options, TByteSink* sink) {
    TExportResult result;
    TExportWalk walk(outline, options);
    OpmlOut x;
    if (!sink)
        x.bytes.reserve(qsizetype(walk.entries().size()) * 512);
    x.raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\" xmlns:wren=\"");
    x.raw(OpmlNamespace.toUtf8());
    x.raw("\">\n  <head>\n    <title>");
    {
        OpmlOut t;
        t.escaped(xmlSafe(options.title).toUtf8());
        x.raw(t.bytes);
    }
    x.raw("</title>\n    <dateCreated>");
    x.raw(rfc822(WrenDate::fromDateTime(QDateTime::currentDateTime())).toUtf8());
    x.raw("</dateCreated>\n  </head>\n  <body>");
    // An item's element up to its end, which depends on the next item.
    auto make = [](const TExportWalk::Entry& e, const QByteArray& rich) {
        const TLeafNote* item = e.node->item();
        OpmlOut o;
        o.indent(e.depth + 2);
        o.raw("<outline");
        bool exact = true;
        o.attribute("text", utf8Of(item->Title, &exact));
        if (!exact)
            o.plain("wren:title-bytes", item->Title.toBase64());
        if (!item->PageText.isEmpty()) {
            o.attribute("_note", utf8Of(item->PageText, &exact), true);
            if (!exact || !breaksAreCrLf(item->PageText))
                o.plain("wren:text-bytes", item->PageText.toBase64());
        }
        if (item->CreatedDate != 0)
            o.attribute("created", rfc822(item->CreatedDate).toUtf8());
        if (item->NodeId > 0)
            o.plain("wren:id", QByteArray::number(item->NodeId));
        o.plain("wren:progress", QByteArray::number(item->Progress));
        o.plain("wren:label", QByteArray::number(item->LabelIndex));
        static const char* const names[4] = {"wren:created", "wren:modified", "wren:due",
                                             "wren:finished"};
        for (int i = 0; i < 4; ++i)
            o.plain(names[i], QByteArray::number(item->GetDate(i), 'g', 17));
        if (!item->Links.isEmpty()) {
            o.attribute("wren:links", utf8Of(item->Links, &exact));
            if (!exact)
                o.plain("wren:links-bytes", item->Links.toBase64());
        }
        if (e.node->expanded())
            o.plain("wren:expanded", "1");
        if (!rich.isEmpty())
            o.plain("wren:rtf", rich.toBase64());
        return std::move(o.bytes);
    };
    const auto& entries = walk.entries();
    auto take = [&](size_t k, const QByteArray& part) {
        const int depth = entries[k].depth;
        x.raw(part);
        const int nextDepth = k + 1 < entries.size() ? entries[k + 1].depth : 0;
        if (nextDepth > depth) {
            x.raw(">");
            return;
        }
        x.raw("/>");
        for (int d = depth - 1; d >= nextDepth; --d) {
            x.indent(d + 2);
            x.raw("</outline>");
        }
        Spill(x.bytes, sink, result);
    };
    if (!walk.makeParts(make, take, &result))
        return result;
    x.raw("\n  </body>\n</opml>\n");
    Finish(x.bytes, sink, result);
    result.count = int(entries.size());
    return result;
}

namespace {

// Our base64 attributes, strictly: a damaged one is not taken, and the
// readable attribute beside it stands instead.
bool bytesOf(QStringView base64, QByteArray* out) {
    if (base64.isEmpty())
        return false;
    const auto decoded =
        QByteArray::fromBase64Encoding(base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    *out = *decoded;
    return true;
}

} // namespace

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
            QByteArray exact;
            item.Title = bytesOf(a.value(OpmlNamespace, QLatin1String("title-bytes")), &exact)
                             ? exact
                             : TitleBytes(title, &branch.lossy);
            QString note = a.value(QLatin1String("_note")).toString();
            const QString url = a.value(QLatin1String("url")).toString();
            if (!url.isEmpty() && !note.contains(url))
                note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + url;
            QByteArray rich;
            if (bytesOf(a.value(OpmlNamespace, QLatin1String("rtf")), &rich) && Rtf::isRtf(rich)) {
                item.PageRich = rich;
                QString page = note;
                page.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
                item.PageText = Cp932::fromUnicode(page);
            } else {
                SetPlainPage(item, note);
            }
            if (bytesOf(a.value(OpmlNamespace, QLatin1String("text-bytes")), &exact))
                item.PageText = exact;
            if (bytesOf(a.value(OpmlNamespace, QLatin1String("links-bytes")), &exact))
                item.Links = exact;
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
