// CherryTree documents: .ctd (XML) and .ctb (SQLite). A node's text is a run
// of <rich_text> elements with their formatting in attributes; code boxes,
// tables and pictures sit at character offsets of that text, each taking one
// character's place.
#include "file/Cp932.h"
#include "interchange/EveryCore.h"
#include "interchange/Readers.h"
#include "interchange/XmlInput.h"
#include "rtf/PictureData.h"
#include "rtf/RtfReader.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <QUuid>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>

namespace Interchange {

namespace {

struct Run {
    QString text;
    QXmlStreamAttributes attributes;
};

struct Embedded {
    // An anchor is a named place without content.
    enum Kind { Code, Table, Picture, Anchor } kind = Code;
    qint64 offset = 0;
    QString text;       // code, or the table as lines
    QByteArray picture; // PNG bytes
    QString justification;
};

struct CtNode {
    int parent = -1;
    qint64 id = 0;
    QString name;
    bool rich = true;
    qint64 created = 0, changed = 0;
    std::vector<Run> runs;
    std::vector<Embedded> objects;
};

const char* const Headings[] = {"h1", "h2", "h3", "h4", "h5", "h6"};
const double HeadingScale[] = {1.75, 1.5, 1.25, 1.15, 1.1, 1.05};

QColor ctColor(const QStringView value) {
    const QColor c = QColor::fromString(value);
    return c.isValid() ? c : QColor();
}

// Table rows as lines; CherryTree keeps the header row last.
QString tableText(const std::vector<QStringList>& given) {
    std::vector<QStringList> rows = given;
    if (rows.size() > 1)
        std::rotate(rows.rbegin(), rows.rbegin() + 1, rows.rend());
    QStringList lines;
    for (const QStringList& row : rows)
        lines.append(row.join(QStringLiteral(" | ")));
    return lines.join(QLatin1Char('\n'));
}

// Reads the <row>/<cell> content of a <table> element up to its end.
bool readTable(QXmlStreamReader& xml, std::vector<QStringList>* rows) {
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("row")) {
            xml.skipCurrentElement();
            continue;
        }
        QStringList row;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("cell"))
                row.append(xml.readElementText(QXmlStreamReader::IncludeChildElements));
            else
                xml.skipCurrentElement();
        }
        rows->push_back(row);
    }
    return !xml.hasError();
}

// A run with a link, written the way the outline follows links: the run's
// words stay and the link text follows them, or takes their place when the
// words are the target itself.
struct LinkedRun {
    QString replacement; // instead of the words, when not empty
    QString suffix;      // after the words
};

LinkedRun linkOf(const QString& shown, const QStringView link,
                 const QHash<qint64, QString>& names) {
    const QString l = link.toString();
    const qsizetype space = l.indexOf(QLatin1Char(' '));
    const QString kind = l.left(space);
    const QString rest = space < 0 ? QString() : l.mid(space + 1);
    QString target, linkTextOf;
    if (kind == QLatin1String("webs")) {
        target = rest;
        linkTextOf = rest;
    } else if (kind == QLatin1String("file") || kind == QLatin1String("fold")) {
        target = QString::fromUtf8(QByteArray::fromBase64(rest.toLatin1()));
        linkTextOf = QStringLiteral("<file:%1>").arg(target);
    } else if (kind == QLatin1String("node")) {
        target = names.value(rest.section(QLatin1Char(' '), 0, 0).toLongLong());
        if (target.isEmpty())
            return {};
        linkTextOf = QStringLiteral("<node:%1>").arg(target);
    } else {
        return {};
    }
    if (shown.trimmed() == target)
        return {linkTextOf, QString()};
    return {QString(),
            (kind == QLatin1String("webs") ? QStringLiteral(" <%1>") : QStringLiteral(" %1"))
                .arg(linkTextOf)};
}

QTextCharFormat runFormat(const QXmlStreamAttributes& a, const QFont& base) {
    QTextCharFormat f;
    if (a.value(QLatin1String("weight")) == QLatin1String("heavy"))
        f.setFontWeight(QFont::Bold);
    if (a.value(QLatin1String("style")) == QLatin1String("italic"))
        f.setFontItalic(true);
    if (!a.value(QLatin1String("underline")).isEmpty() &&
        a.value(QLatin1String("underline")) != QLatin1String("none"))
        f.setFontUnderline(true);
    if (a.value(QLatin1String("strikethrough")) == QLatin1String("true"))
        f.setFontStrikeOut(true);
    const QColor fg = ctColor(a.value(QLatin1String("foreground")));
    if (fg.isValid())
        f.setForeground(fg);
    const QColor bg = ctColor(a.value(QLatin1String("background")));
    if (bg.isValid())
        f.setBackground(bg);
    const QStringView scale = a.value(QLatin1String("scale"));
    const double size = base.pointSizeF() > 0 ? base.pointSizeF() : 10.5;
    for (int h = 0; h < 6; ++h)
        if (scale == QLatin1String(Headings[h])) {
            f.setFontPointSize(qRound(size * HeadingScale[h] * 2) / 2.0);
            f.setFontWeight(QFont::Bold);
        }
    if (scale == QLatin1String("small"))
        f.setFontPointSize(qRound(size * 0.8 * 2) / 2.0);
    else if (scale == QLatin1String("sup"))
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (scale == QLatin1String("sub"))
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (a.value(QLatin1String("family")) == QLatin1String("monospace")) {
        f.setFontFamilies({QStringLiteral("monospace")});
        f.setFontFixedPitch(true);
    }
    return f;
}

Qt::Alignment alignment(const QStringView j) {
    if (j == QLatin1String("center"))
        return Qt::AlignHCenter;
    if (j == QLatin1String("right"))
        return Qt::AlignRight;
    if (j == QLatin1String("fill"))
        return Qt::AlignJustify;
    return Qt::AlignLeft;
}

bool isPlainRun(const Run& run) {
    for (const QXmlStreamAttribute& a : run.attributes)
        if (!a.value().isEmpty() && a.name() != QLatin1String("justification"))
            return false;
    return true;
}

std::atomic<int> g_pictureSerial{0};

// Builds a node's rich page: the runs in order, each object put where its
// offset says (an offset counts the objects before it, one character each).
class PageBuilder {
public:
    PageBuilder(QTextDocument& doc, TBranch& branch)
        : m_doc(doc), m_cursor(&doc), m_branch(branch) {}

    void text(const QString& given, const QTextCharFormat& format) {
        QString text = given;
        if (m_afterBlock && text.startsWith(QLatin1Char('\n')))
            text.remove(0, 1);
        if (text.isEmpty())
            return;
        m_afterBlock = false;
        m_cursor.insertText(text, format);
    }

    void object(const Embedded& e) {
        switch (e.kind) {
        case Embedded::Anchor:
            return;
        case Embedded::Picture: {
            const QImage image = PictureData::Decode(e.picture);
            if (image.isNull()) {
                ++m_branch.droppedPictures;
                return;
            }
            const QString name = QStringLiteral("ctimage:%1").arg(++g_pictureSerial);
            m_doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
            QTextImageFormat f;
            f.setName(name);
            f.setWidth(image.width());
            f.setHeight(image.height());
            // PNG and JPEG are kept byte for byte rather than written anew.
            if (PictureData::IsPng(e.picture) || PictureData::IsJpeg(e.picture))
                f.setProperty(Rtf::PictureDataProperty, e.picture);
            m_cursor.insertImage(f);
            m_afterBlock = false;
            return;
        }
        case Embedded::Code:
        case Embedded::Table: {
            QTextCharFormat mono;
            mono.setFontFamilies({QStringLiteral("monospace")});
            mono.setFontFixedPitch(true);
            if (!m_cursor.atBlockStart())
                m_cursor.insertText(QStringLiteral("\n"), mono);
            m_cursor.insertText(e.text + QLatin1Char('\n'), mono);
            m_afterBlock = true;
            return;
        }
        }
    }

    int position() const { return m_cursor.position(); }

private:
    QTextDocument& m_doc;
    QTextCursor m_cursor;
    TBranch& m_branch;
    bool m_afterBlock = false;
};

// One node into an item: a plain page when the node has nothing but words,
// else a rich page built in a document and written as RTF.
void convert(const CtNode& node, const QHash<qint64, QString>& names, TBranchItem& item,
             TBranch& branch) {
    item.Title = TitleBytes(node.name, &branch.lossy);
    if (node.created > 0 || node.changed > 0) {
        item.Dates[0] = FromUnixSeconds(node.created > 0 ? node.created : node.changed);
        item.Dates[1] = FromUnixSeconds(node.changed > 0 ? node.changed : node.created);
        item.HasDates = true;
    }
    bool plain = node.objects.empty();
    for (const Run& run : node.runs)
        plain = plain && isPlainRun(run);
    if (plain || !node.rich) {
        QString text;
        for (const Run& run : node.runs)
            text += run.text;
        for (const Embedded& e : node.objects)
            if (e.kind == Embedded::Code || e.kind == Embedded::Table)
                text += QLatin1Char('\n') + e.text + QLatin1Char('\n');
        SetPlainPage(item, text);
        return;
    }
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    PageBuilder page(doc, branch);
    std::vector<const Embedded*> objects;
    for (const Embedded& e : node.objects)
        objects.push_back(&e);
    std::stable_sort(objects.begin(), objects.end(),
                     [](const Embedded* a, const Embedded* b) { return a->offset < b->offset; });
    size_t next = 0;
    // Where object k falls in the words alone.
    auto wordsAt = [&objects](size_t k) { return objects[k]->offset - qint64(k); };
    struct Aligned {
        int from, to;
        Qt::Alignment alignment;
    };
    std::vector<Aligned> aligned;
    qint64 words = 0;
    for (const Run& run : node.runs) {
        const QTextCharFormat format = runFormat(run.attributes, doc.defaultFont());
        const int from = page.position();
        const QStringView link = run.attributes.value(QLatin1String("link"));
        const LinkedRun linked = link.isEmpty() ? LinkedRun() : linkOf(run.text, link, names);
        // CherryTree counts characters, not UTF-16 units: an emoji is one.
        const qint64 length = run.text.toUcs4().size();
        if (!linked.replacement.isEmpty()) {
            page.text(linked.replacement, format);
        } else {
            qint64 taken = 0;
            qsizetype takenUnit = 0;
            while (next < objects.size() && wordsAt(next) < words + length) {
                const qint64 cut = qMax(wordsAt(next) - words, taken);
                qsizetype cutUnit = takenUnit;
                for (qint64 k = taken; k < cut; ++k)
                    cutUnit += run.text.at(cutUnit).isHighSurrogate() &&
                                       cutUnit + 1 < run.text.size() &&
                                       run.text.at(cutUnit + 1).isLowSurrogate()
                                   ? 2
                                   : 1;
                page.text(run.text.mid(takenUnit, cutUnit - takenUnit), format);
                taken = cut;
                takenUnit = cutUnit;
                page.object(*objects[next++]);
            }
            page.text(run.text.mid(takenUnit), format);
            page.text(linked.suffix, format);
        }
        words += length;
        const QStringView j = run.attributes.value(QLatin1String("justification"));
        if (!j.isEmpty() && j != QLatin1String("left"))
            aligned.push_back({from, page.position(), alignment(j)});
    }
    while (next < objects.size())
        page.object(*objects[next++]);
    for (const Aligned& a : aligned) {
        QTextCursor c(&doc);
        c.setPosition(qMin(a.from, doc.characterCount() - 1));
        c.setPosition(qMin(a.to, doc.characterCount() - 1), QTextCursor::KeepAnchor);
        QTextBlockFormat bf;
        bf.setAlignment(a.alignment);
        c.mergeBlockFormat(bf);
    }
    SetRichPage(item, doc);
}

QString nodePlace(const QString& path, const CtNode& node) {
    return QStringLiteral("「%1」のノード「%2」(id %3)")
        .arg(QDir::toNativeSeparators(QFileInfo(path).fileName()), node.name)
        .arg(node.id);
}

// The nodes read, into the branch; stops when cancelled.
bool convertAll(const std::vector<CtNode>& nodes, TReadResult& r, const TProgress& progress) {
    QHash<qint64, QString> names;
    for (const CtNode& n : nodes)
        names.insert(n.id, n.name);
    const size_t n = nodes.size();
    r.branch.items.resize(n);
    // Each node on its own, on every core; what they lose is gathered here.
    std::atomic<bool> lossy{false};
    std::atomic<int> dropped{0};
    constexpr size_t Batch = 1024;
    for (size_t from = 0; from < n; from += Batch) {
        const size_t count = std::min(Batch, n - from);
        OnEveryCore(count, [&](size_t k) {
            const size_t i = from + k;
            TBranch lost;
            r.branch.items[i].parent = nodes[i].parent;
            convert(nodes[i], names, r.branch.items[i], lost);
            if (lost.lossy)
                lossy = true;
            if (lost.droppedPictures)
                dropped += lost.droppedPictures;
        });
        if (progress && !progress(qint64(from + count), qint64(n))) {
            r.cancelled = true;
            return false;
        }
    }
    r.branch.lossy = r.branch.lossy || lossy;
    r.branch.droppedPictures += dropped;
    return true;
}

// The content of a <node> of a .ctd, or of a .ctb's rich text, up to the end
// of the element holding it. Child nodes of a .ctd are left to the caller.
enum class Step { Done, ChildNode, Failed };

Step readContent(QXmlStreamReader& xml, CtNode& node, const QString& path, QString* error,
                 bool allowChildNodes) {
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (!AcceptDtd(xml, path, error))
            return Step::Failed;
        if (t == QXmlStreamReader::EndElement)
            return Step::Done;
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (name == QLatin1String("node") && allowChildNodes)
            return Step::ChildNode;
        if (name == QLatin1String("rich_text")) {
            Run run;
            run.attributes = a;
            run.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            node.runs.push_back(std::move(run));
        } else if (name == QLatin1String("codebox")) {
            Embedded e;
            e.kind = Embedded::Code;
            e.offset = a.value(QLatin1String("char_offset")).toLongLong();
            e.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            node.objects.push_back(std::move(e));
        } else if (name == QLatin1String("table")) {
            Embedded e;
            e.kind = Embedded::Table;
            e.offset = a.value(QLatin1String("char_offset")).toLongLong();
            std::vector<QStringList> rows;
            if (!readTable(xml, &rows))
                break;
            e.text = tableText(rows);
            node.objects.push_back(std::move(e));
        } else if (name == QLatin1String("encoded_png")) {
            Embedded e;
            e.kind = Embedded::Picture;
            e.offset = a.value(QLatin1String("char_offset")).toLongLong();
            const QString data = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!a.value(QLatin1String("anchor")).isEmpty() || data.trimmed().isEmpty())
                e.kind = Embedded::Anchor;
            else
                e.picture = QByteArray::fromBase64(data.toLatin1());
            node.objects.push_back(std::move(e));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        *error = XmlError(xml, path);
    return xml.hasError() ? Step::Failed : Step::Done;
}

// A time stamp in seconds; 0 for none, or for one no calendar holds.
qint64 unixSeconds(QStringView text) {
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok && std::isfinite(d) && d > 0 && d < 1e11 ? qint64(d) : 0;
}

void takeNodeAttributes(const QXmlStreamAttributes& a, CtNode& n) {
    n.name = a.value(QLatin1String("name")).toString();
    n.id = a.value(QLatin1String("unique_id")).toLongLong();
    const QStringView lang = a.value(QLatin1String("prog_lang"));
    n.rich = lang.isEmpty() || lang == QLatin1String("custom-colors");
    n.created = unixSeconds(a.value(QLatin1String("ts_creation")));
    n.changed = unixSeconds(a.value(QLatin1String("ts_lastsave")));
}

} // namespace

TReadResult ReadCherryXml(const QString& path, const QByteArray& bytes, const TProgress& progress) {
    TReadResult r;
    QXmlStreamReader xml(bytes);
    std::vector<CtNode> nodes;
    bool sawRoot = false;
    // Depth-first over <node> elements without recursion: the open nodes.
    std::vector<int> open;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (!AcceptDtd(xml, path, &r.error))
            return r;
        if (t == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("node") && !open.empty())
                open.pop_back();
            continue;
        }
        if (t != QXmlStreamReader::StartElement)
            continue;
        if (!sawRoot) {
            if (xml.name() != QLatin1String("cherrytree")) {
                r.error =
                    XmlProblem(xml, path,
                               QStringLiteral("CherryTree の文書ではありません"
                                              "（最初の要素が <cherrytree> ではありません）。"));
                return r;
            }
            sawRoot = true;
            continue;
        }
        if (xml.name() != QLatin1String("node")) {
            xml.skipCurrentElement();
            continue;
        }
        // A node and its content, then each child node the same way.
        for (;;) {
            if (int(open.size()) >= MaxDepth) {
                r.error = XmlProblem(
                    xml, path,
                    QStringLiteral("ノードの階層が深すぎます。読み込めるのは %1 階層までです。")
                        .arg(MaxDepth));
                return r;
            }
            if (int(nodes.size()) >= MaxItems) {
                r.error =
                    XmlProblem(xml, path,
                               QStringLiteral("ノードが多すぎます。読み込めるのは %1 個までです。")
                                   .arg(MaxItems));
                return r;
            }
            CtNode n;
            n.parent = open.empty() ? -1 : open.back();
            takeNodeAttributes(xml.attributes(), n);
            nodes.push_back(std::move(n));
            open.push_back(int(nodes.size()) - 1);
            // Told at every node's start, top-level ones too, so a flat file
            // can be stopped as well.
            if (progress && nodes.size() % 4096 == 0 &&
                !progress(xml.characterOffset(), bytes.size())) {
                r.cancelled = true;
                return r;
            }
            Step step = readContent(xml, nodes.back(), path, &r.error, true);
            if (step == Step::Failed)
                return r;
            if (step == Step::ChildNode)
                continue;
            // The node ended; its parent's content goes on.
            open.pop_back();
            bool child = false;
            while (!open.empty()) {
                step = readContent(xml, nodes[size_t(open.back())], path, &r.error, true);
                if (step == Step::Failed)
                    return r;
                if (step == Step::ChildNode) {
                    child = true;
                    break;
                }
                open.pop_back();
            }
            if (!child)
                break;
        }
    }
    if (xml.hasError()) {
        r.error = XmlError(xml, path);
        return r;
    }
    if (!sawRoot) {
        r.error = QStringLiteral("%1: CherryTree の文書ではありません（要素がありません）。")
                      .arg(Place(path, 0, 0));
        return r;
    }
    if (!convertAll(nodes, r, progress))
        return r;
    r.ok = true;
    return r;
}

namespace {

// A database connection of its own, closed and removed however the read ends.
class Connection {
public:
    explicit Connection(const QString& file)
        : m_name(QStringLiteral("wren-ctb-%1").arg(QUuid::createUuid().toString())) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    }
    ~Connection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

} // namespace

TReadResult ReadCherrySqlite(const QString& path, const QByteArray& bytes,
                             const TProgress& progress) {
    TReadResult r;
    const QString where = Place(path, 0, 0);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        r.error = QStringLiteral("%1: SQLite のドライバ（libqt6sql6-sqlite）が入っていないため、"
                                 ".ctb を読み込めません。")
                      .arg(where);
        return r;
    }
    if (!bytes.startsWith(QByteArray("SQLite format 3\0", 16))) {
        r.error = QStringLiteral("%1: SQLite のデータベースではありません。").arg(where);
        return r;
    }
    // A private copy: the user's file is never opened in place, so no
    // journal appears beside it and a program writing it meanwhile cannot
    // change what is read.
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/wren-ctb-XXXXXX.sqlite"));
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) {
        r.error =
            QStringLiteral("%1: 一時ファイルを作れません（%2）。").arg(where, copy.errorString());
        return r;
    }
    copy.close();
    Connection connection(copy.fileName());
    QSqlDatabase db = connection.db();
    if (!db.open()) {
        r.error = QStringLiteral("%1: SQLite のデータベースとして開けません（%2）。")
                      .arg(where, db.lastError().text());
        return r;
    }
    const QStringList tables = db.tables();
    if (!tables.contains(QStringLiteral("node")) || !tables.contains(QStringLiteral("children"))) {
        r.error = QStringLiteral("%1: CherryTree の文書ではありません（node 表か children 表が"
                                 "ありません）。")
                      .arg(where);
        return r;
    }
    auto failed = [&](const QSqlQuery& q, const QString& what) {
        r.error = QStringLiteral("%1: %2を読めません（データベースが壊れています: %3）。")
                      .arg(where, what, q.lastError().databaseText());
        return r;
    };
    // Nodes; files of older versions have no time stamps.
    struct Row {
        QString name, txt;
        bool rich = true;
        qint64 created = 0, changed = 0;
    };
    QHash<qint64, Row> rows;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        const bool stamps =
            q.exec(QStringLiteral("SELECT node_id, name, txt, syntax, ts_creation, ts_lastsave "
                                  "FROM node"));
        if (!stamps && !q.exec(QStringLiteral("SELECT node_id, name, txt, syntax FROM node")))
            return failed(q, QStringLiteral("ノードの表"));
        while (q.next()) {
            Row row;
            row.name = q.value(1).toString();
            row.txt = q.value(2).toString();
            const QString syntax = q.value(3).toString();
            row.rich = syntax.isEmpty() || syntax == QLatin1String("custom-colors");
            if (stamps) {
                row.created = unixSeconds(q.value(4).toString());
                row.changed = unixSeconds(q.value(5).toString());
            }
            rows.insert(q.value(0).toLongLong(), row);
            if (rows.size() > MaxItems) {
                r.error = QStringLiteral("%1: ノードが多すぎます。読み込めるのは %2 個までです。")
                              .arg(where)
                              .arg(MaxItems);
                return r;
            }
        }
        if (q.lastError().isValid())
            return failed(q, QStringLiteral("ノードの表"));
    }
    QHash<qint64, std::vector<qint64>> childrenOf;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT node_id, father_id FROM children "
                                   "ORDER BY father_id, sequence, node_id")))
            return failed(q, QStringLiteral("親子の表"));
        while (q.next())
            childrenOf[q.value(1).toLongLong()].push_back(q.value(0).toLongLong());
    }
    QHash<qint64, std::vector<Embedded>> objectsOf;
    if (tables.contains(QStringLiteral("codebox"))) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT node_id, offset, txt FROM codebox")))
            return failed(q, QStringLiteral("コードボックスの表"));
        while (q.next()) {
            Embedded e;
            e.kind = Embedded::Code;
            e.offset = q.value(1).toLongLong();
            e.text = q.value(2).toString();
            objectsOf[q.value(0).toLongLong()].push_back(std::move(e));
        }
    }
    if (tables.contains(QStringLiteral("grid"))) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT node_id, offset, txt FROM grid")))
            return failed(q, QStringLiteral("表の表"));
        while (q.next()) {
            Embedded e;
            e.kind = Embedded::Table;
            e.offset = q.value(1).toLongLong();
            QXmlStreamReader xml(q.value(2).toString());
            std::vector<QStringList> cells;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("table")) {
                    readTable(xml, &cells);
                    break;
                }
            }
            e.text = tableText(cells);
            objectsOf[q.value(0).toLongLong()].push_back(std::move(e));
        }
    }
    if (tables.contains(QStringLiteral("image"))) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT node_id, offset, png, anchor FROM image")))
            return failed(q, QStringLiteral("画像の表"));
        while (q.next()) {
            Embedded e;
            e.kind = q.value(3).toString().isEmpty() ? Embedded::Picture : Embedded::Anchor;
            e.offset = q.value(1).toLongLong();
            if (e.kind == Embedded::Picture)
                e.picture = q.value(2).toByteArray();
            objectsOf[q.value(0).toLongLong()].push_back(std::move(e));
        }
    }

    // Depth first from the top (father 0), each node once.
    std::vector<CtNode> nodes;
    nodes.reserve(size_t(rows.size()));
    struct Pending {
        qint64 id;
        int parent;
        int depth;
    };
    std::vector<Pending> stack;
    const std::vector<qint64> tops = childrenOf.value(0);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        stack.push_back({*it, -1, 0});
    QSet<qint64> seen;
    // false when the file is refused (r tells why).
    auto walk = [&]() -> bool {
        while (!stack.empty()) {
            const Pending p = stack.back();
            stack.pop_back();
            const auto row = rows.constFind(p.id);
            if (row == rows.constEnd() || seen.contains(p.id))
                continue; // a dangling or repeated entry of the children table
            seen.insert(p.id);
            CtNode n;
            n.id = p.id;
            n.parent = p.parent;
            n.name = row->name;
            n.rich = row->rich;
            n.created = row->created;
            n.changed = row->changed;
            if (p.depth >= MaxDepth) {
                r.error =
                    QStringLiteral("%1: ノードの階層が深すぎます。読み込めるのは %2 階層までです。")
                        .arg(nodePlace(path, n))
                        .arg(MaxDepth);
                return false;
            }
            if (n.rich) {
                QXmlStreamReader xml(row->txt);
                while (!xml.atEnd() && !xml.hasError()) {
                    xml.readNext();
                    if (!AcceptDtd(xml, path, &r.error))
                        return false;
                    if (xml.isStartElement() && xml.name() == QLatin1String("node")) {
                        QString error;
                        if (readContent(xml, n, path, &error, false) == Step::Failed) {
                            r.error =
                                QStringLiteral("%1: 本文の XML が壊れています（%2 行 %3 列目）。")
                                    .arg(nodePlace(path, n))
                                    .arg(xml.lineNumber())
                                    .arg(xml.columnNumber());
                            return false;
                        }
                        break;
                    }
                }
                if (xml.hasError()) {
                    r.error = QStringLiteral("%1: 本文の XML が壊れています（%2 行 %3 列目）。")
                                  .arg(nodePlace(path, n))
                                  .arg(xml.lineNumber())
                                  .arg(xml.columnNumber());
                    return false;
                }
            } else {
                n.runs.push_back(Run{row->txt, {}});
            }
            n.objects = objectsOf.value(p.id);
            nodes.push_back(std::move(n));
            const int index = int(nodes.size()) - 1;
            const std::vector<qint64> children = childrenOf.value(p.id);
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back({*it, index, p.depth + 1});
        }
        return true;
    };
    if (!walk())
        return r;
    // Nodes the children table does not reach are kept at the top level
    // rather than lost.
    if (seen.size() < rows.size()) {
        std::vector<qint64> lost;
        for (auto it = rows.constBegin(); it != rows.constEnd(); ++it)
            if (!seen.contains(it.key()))
                lost.push_back(it.key());
        std::sort(lost.begin(), lost.end(), std::greater<qint64>());
        for (const qint64 id : lost)
            stack.push_back({id, -1, 0});
        if (!walk())
            return r;
    }
    if (!convertAll(nodes, r, progress))
        return r;
    r.ok = true;
    return r;
}

} // namespace Interchange
