#include "interchange/Branch.h"

#include "common/DateTime.h"
#include "file/BoundedFile.h"
#include "file/Cp932.h"
#include "interchange/Readers.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfWriter.h"
#include "settings/OptionDesc.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStringList>
#include <QTextDocument>
#include <QTimeZone>

#include <optional>

namespace Interchange {

namespace {

QString pageLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

bool startsWithSkippingSpace(const QByteArray& head, const char* what) {
    qsizetype i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    return head.mid(i).startsWith(what);
}

} // namespace

TFormat DetectFormat(const QString& path, const QByteArray& head) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("opml"))
        return TFormat::Opml;
    if (ext == QLatin1String("md") || ext == QLatin1String("markdown"))
        return TFormat::Markdown;
    if (ext == QLatin1String("ctd"))
        return TFormat::CherryXml;
    if (ext == QLatin1String("ctb"))
        return TFormat::CherrySqlite;
    if (ext == QLatin1String("ctz") || ext == QLatin1String("ctx"))
        return TFormat::CherryLocked;
    if (ext == QLatin1String("trln"))
        return TFormat::TreeLine;
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return TFormat::CherrySqlite;
    // 7-Zip: the archive CherryTree protects with a password.
    if (head.startsWith("7z\xBC\xAF\x27\x1C"))
        return TFormat::CherryLocked;
    if (startsWithSkippingSpace(head, "{"))
        return TFormat::TreeLine;
    if (startsWithSkippingSpace(head, "<")) {
        const QByteArray start = head.left(4096);
        if (start.contains("<opml"))
            return TFormat::Opml;
        if (start.contains("<cherrytree"))
            return TFormat::CherryXml;
        return TFormat::Unknown;
    }
    if (head.contains('\0'))
        return TFormat::Unknown;
    return TFormat::Markdown;
}

QString FormatName(TFormat format) {
    switch (format) {
    case TFormat::Opml:
        return QStringLiteral("OPML");
    case TFormat::Markdown:
        return QStringLiteral("Markdown");
    case TFormat::CherryXml:
        return QStringLiteral("CherryTree (.ctd)");
    case TFormat::CherrySqlite:
        return QStringLiteral("CherryTree (.ctb)");
    case TFormat::CherryLocked:
        return QStringLiteral("CherryTree (パスワード付き)");
    case TFormat::TreeLine:
        return QStringLiteral("TreeLine (.trln)");
    case TFormat::Unknown:
        break;
    }
    return QStringLiteral("不明な形式");
}

QString OpenFilters() {
    return QStringLiteral("読み込める形式 (*.opml *.md *.markdown *.ctd *.ctb *.trln);;"
                          "OPML (*.opml);;Markdown (*.md *.markdown);;"
                          "CherryTree (*.ctd *.ctb);;TreeLine (*.trln);;"
                          "すべてのファイル (*)");
}

QString Place(const QString& path, qint64 line, qint64 column) {
    const QString name = QFileInfo(path).fileName();
    if (column > 0)
        return QStringLiteral("「%1」の %2 行 %3 列目").arg(name).arg(line).arg(column);
    if (line > 0)
        return QStringLiteral("「%1」の %2 行目").arg(name).arg(line);
    return QStringLiteral("「%1」").arg(name);
}

QString ReadBytes(const QString& path, QByteArray* bytes) {
    const BoundedFile::Result file = BoundedFile::Read(path, MaxFileSize);
    const QString name = QFileInfo(path).fileName();
    switch (file.failure) {
    case BoundedFile::Failure::None:
        *bytes = file.bytes;
        return QString();
    case BoundedFile::Failure::Missing:
        return QStringLiteral("「%1」がありません。").arg(name);
    case BoundedFile::Failure::NotRegular:
        return QStringLiteral(
                   "「%1」は通常のファイルではありません（フォルダ、デバイスやパイプなど）。")
            .arg(name);
    case BoundedFile::Failure::TooLarge:
        return QStringLiteral("「%1」は大きすぎます（%2 バイト）。読み込めるのは 1 GiB までです。")
            .arg(name)
            .arg(file.size);
    case BoundedFile::Failure::OpenFailed:
        return QStringLiteral("「%1」を開けません。%2").arg(name, file.reason);
    case BoundedFile::Failure::ReadFailed:
        return QStringLiteral("「%1」を読み込めません。%2").arg(name, file.reason);
    }
    return QStringLiteral("「%1」を読み込めません。").arg(name);
}

TReadResult ReadFile(const QString& path, const TProgress& progress) {
    QByteArray bytes;
    TReadResult r;
    r.error = ReadBytes(path, &bytes);
    if (!r.error.isEmpty())
        return r;
    const TFormat format = DetectFormat(path, bytes.left(4096));
    switch (format) {
    case TFormat::Opml:
        return ReadOpml(path, bytes, progress);
    case TFormat::Markdown:
        return ReadMarkdown(path, bytes, progress);
    case TFormat::CherryXml:
        return ReadCherryXml(path, bytes, progress);
    case TFormat::CherrySqlite:
        return ReadCherrySqlite(path, bytes, progress);
    case TFormat::TreeLine:
        return ReadTreeLine(path, bytes, progress);
    case TFormat::CherryLocked:
        r.error = QStringLiteral("%1 はパスワードで保護された CherryTree の文書です。"
                                 "CherryTree で保護を外して .ctd か .ctb で保存してから"
                                 "読み込んでください。")
                      .arg(Place(path, 0, 0));
        return r;
    case TFormat::Unknown:
        break;
    }
    r.error = QStringLiteral("%1 は読み込める形式ではありません"
                             "（OPML、Markdown、CherryTree、TreeLine のいずれでもありません）。")
                  .arg(Place(path, 0, 0));
    return r;
}

TOutlineNode* Insert(TOutline& outline, const TBranch& branch, TOutlineNode* under) {
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(branch.items.size());
    // Ids already in use stay with their items; the branch's own are kept
    // only where they clash with none.
    QSet<int> used;
    bool anyId = false;
    for (const TBranchItem& e : branch.items)
        anyId = anyId || e.NodeId > 0;
    if (anyId)
        outline.forEach([&used](TOutlineNode* n) {
            if (n->item()->NodeId > 0)
                used.insert(n->item()->NodeId);
            return true;
        });
    int maxId = 0;
    // An empty outline (a new document) has no view state to keep: one
    // reset instead of a notice per item, and "now" read once.
    std::optional<TOutlineResetScope> reset;
    if (outline.isEmpty())
        reset.emplace(outline);
    TOutlineUpdateScope quiet(outline);
    try {
        for (const TBranchItem& e : branch.items) {
            TOutlineNode* parent = e.parent < 0 ? under : nodes.at(size_t(e.parent));
            TLeafNote* item =
                TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel, parent);
            nodes.push_back(item->TreeNode);
            item->Title = e.Title;
            item->PageText = e.PageText;
            item->PageRich = e.PageRich;
            item->Links = e.Links;
            item->LabelIndex = e.LabelIndex >= 0 && e.LabelIndex <= 7 ? e.LabelIndex : 0;
            item->Progress = uint8_t(e.Progress >= 0 && e.Progress <= 3 ? e.Progress : 0);
            if (e.HasDates) {
                item->CreatedDate = e.Dates[0];
                item->ModifiedDate = e.Dates[1];
                item->DueDate = e.Dates[2];
                item->FinishDate = e.Dates[3];
            }
            if (e.NodeId > 0 && !used.contains(e.NodeId)) {
                item->NodeId = e.NodeId;
                used.insert(e.NodeId);
                maxId = qMax(maxId, e.NodeId);
            }
            item->RefreshCaption();
            item->RefreshIcon();
            item->RefreshLabel();
        }
        for (size_t i = 0; i < nodes.size(); ++i)
            if (branch.items[i].Expanded)
                outline.setExpanded(nodes[i], true);
    } catch (...) {
        for (size_t i = nodes.size(); i-- > 0;)
            if (branch.items[i].parent < 0)
                outline.removeNode(nodes[i]);
        throw;
    }
    if (TOptionDesc* settings = outline.settings())
        if (maxId >= settings->NextNodeId)
            settings->NextNodeId = maxId + 1;
    return nodes.empty() ? nullptr : nodes.front();
}

TBranch Wrapped(const TBranch& branch, const QByteArray& title) {
    TBranch out;
    out.lossy = branch.lossy;
    out.droppedPictures = branch.droppedPictures;
    out.items.reserve(branch.items.size() + 1);
    TBranchItem top;
    top.Title = title;
    top.Expanded = true;
    out.items.push_back(top);
    for (const TBranchItem& e : branch.items) {
        out.items.push_back(e);
        out.items.back().parent = e.parent < 0 ? 0 : e.parent + 1;
    }
    return out;
}

QByteArray TitleBytes(const QString& title, bool* lossy) {
    QString t = title;
    for (QChar& c : t)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    bool lost = false;
    const QByteArray bytes = Cp932::fromUnicode(t, &lost);
    if (lost && lossy)
        *lossy = true;
    return bytes;
}

QByteArray LinkBytes(const QStringList& lines, bool* lossy) {
    QByteArray out;
    for (const QString& line : lines) {
        const QString l = line.trimmed();
        if (l.isEmpty())
            continue;
        bool lost = false;
        out += Cp932::fromUnicode(l, &lost);
        out += "\r\n";
        if (lost && lossy)
            *lossy = true;
    }
    return out;
}

void SetPlainPage(TBranchItem& item, const QString& text) {
    const QString page = pageLineBreaks(text);
    if (Cp932::canEncode(page)) {
        item.PageText = Cp932::fromUnicode(page);
        item.PageRich.clear();
        return;
    }
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    doc.setPlainText(text);
    SetRichPage(item, doc);
}

void SetRichPage(TBranchItem& item, const QTextDocument& doc) {
    item.PageText = Cp932::fromUnicode(pageLineBreaks(doc.toPlainText()));
    // A page with no words and no picture stays plain: the editor keeps
    // the rich form only of a page with text.
    if (item.PageText.isEmpty() && doc.characterCount() <= 1) {
        item.PageRich.clear();
        return;
    }
    item.PageRich = Rtf::write(doc);
}

double FromUnixSeconds(qint64 seconds) {
    if (seconds <= 0)
        return 0;
    // The zone's rules are read once: local time asked per date looks at
    // /etc/localtime each time, three calls per node of a large import.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return WrenDate::fromDateTime(QDateTime::fromSecsSinceEpoch(seconds, zone));
}

double FromDateTimeText(const QString& given) {
    const QString text = given.trimmed();
    if (text.isEmpty())
        return 0;
    QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!dt.isValid()) {
        // RFC 822 as outliners write it, with a zone name Qt does not take.
        static const char* const forms[] = {"ddd, d MMM yyyy HH:mm:ss", "d MMM yyyy HH:mm:ss",
                                            "ddd, d MMM yyyy HH:mm", "d MMM yyyy"};
        QString bare = text;
        const qsizetype space = bare.lastIndexOf(QLatin1Char(' '));
        const QString zone = space > 0 ? bare.mid(space + 1) : QString();
        int offset = 0;
        if (zone == QLatin1String("GMT") || zone == QLatin1String("UT") ||
            zone == QLatin1String("UTC") || zone == QLatin1String("Z"))
            bare.truncate(space);
        else if (zone.size() == 5 && (zone[0] == QLatin1Char('+') || zone[0] == QLatin1Char('-'))) {
            offset = (zone.mid(1, 2).toInt() * 60 + zone.mid(3, 2).toInt()) * 60;
            if (zone[0] == QLatin1Char('-'))
                offset = -offset;
            bare.truncate(space);
        }
        const QLocale c = QLocale::c();
        for (const char* form : forms) {
            dt = c.toDateTime(bare, QLatin1String(form));
            if (dt.isValid()) {
                dt.setTimeZone(QTimeZone(offset));
                break;
            }
        }
    }
    if (!dt.isValid())
        return 0;
    return WrenDate::fromDateTime(dt.toLocalTime());
}

} // namespace Interchange
