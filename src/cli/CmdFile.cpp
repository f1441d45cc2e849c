// wrennote-cli file commands: inspect, dump, rewrite, convert and generate outline files.
#include "CliCommand.h"

#include "common/DateTime.h"
#include "common/FileError.h"
#include "file/BoundedFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "file/HierText.h"
#include "file/OutlineFile.h"
#include "file/SampleOutline.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QFile>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// A document held by a command: its settings and its outline.
QString sjis(const QByteArray& bytes) {
    return Cp932::toUnicode(bytes);
}

QString dateText(double value) {
    if (value == 0 || !std::isfinite(value))
        return QString();
    const QDateTime dt = WrenDate::toDateTime(value);
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

// ---- info ----

int runInfo(const QStringList& args) {
    if (args.size() != 1)
        throw TCliUsageError{QStringLiteral("info needs FILE")};
    const QString path = args.at(0);
    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(path, r.error);

    int withText = 0, rich = 0, compressed = 0, expanded = 0, withLinks = 0, due = 0, ids = 0;
    qint64 compressedBytes = 0;
    int progress[4] = {0, 0, 0, 0};
    doc.outline.forEach([&](TOutlineNode* node) {
        const TLeafNote* item = node->item();
        if (!item->PageText.isEmpty())
            ++withText;
        if (item->PageCompressedValid && !item->PageCompressed.isEmpty()) {
            ++rich;
            compressedBytes += item->PageCompressed.size();
            if (item->PageExpanded)
                ++expanded;
            else
                ++compressed;
        } else if (!item->PageRich.isEmpty()) {
            ++rich;
            ++expanded;
        }
        if (!item->Links.isEmpty())
            ++withLinks;
        if (item->DueDate != 0)
            ++due;
        if (item->NodeId > 0)
            ++ids;
        if (item->Progress < 4)
            ++progress[item->Progress];
        return true;
    });
    const TOutlineNode* trash = doc.outline.trashNode();
    const TOptionDesc& s = doc.settings;

    QString out;
    out += QStringLiteral("items: %1\n").arg(doc.outline.count());
    out += QStringLiteral("top-level: %1\n").arg(doc.outline.topLevelCount());
    out += QStringLiteral("depth: %1\n").arg(doc.outline.depth());
    out += QStringLiteral("trash: %1\n")
               .arg(trash ? QStringLiteral("yes (%1 items inside)").arg(trash->childCount())
                          : QStringLiteral("none"));
    out += QStringLiteral("pages with text: %1\n").arg(withText);
    out += QStringLiteral("rich pages: %1 (compressed %2, expanded %3, %4 compressed bytes)\n")
               .arg(rich)
               .arg(compressed)
               .arg(expanded)
               .arg(compressedBytes);
    out += QStringLiteral("progress: not started %1, in progress %2, done %3, on hold %4\n")
               .arg(progress[0])
               .arg(progress[1])
               .arg(progress[2])
               .arg(progress[3]);
    out += QStringLiteral("with due date: %1\nwith links: %2\nwith node id: %3\n")
               .arg(due)
               .arg(withLinks)
               .arg(ids);
    if (r.selected)
        out += QStringLiteral("selected: %1\n").arg(sjis(r.selected->item()->Title));
    out += QStringLiteral("settings:\n");
    out += QStringLiteral("  next node id: %1\n").arg(s.NextNodeId);
    out += QStringLiteral("  window: %1,%2 %3x%4 state %5\n")
               .arg(s.FormLeft)
               .arg(s.FormTop)
               .arg(s.FormWidth)
               .arg(s.FormHeight)
               .arg(s.FormState);
    out += QStringLiteral("  tree pane: %1x%2%3%4\n")
               .arg(s.TreeWidth)
               .arg(s.TreeHeight)
               .arg(s.TreeVisible ? QString() : QStringLiteral(" hidden"))
               .arg(s.SplitVertical ? QStringLiteral(" split vertically") : QString());
    out += QStringLiteral("  caption form: %1\n").arg(s.ItemView);
    QStringList labels;
    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i)
        labels.append(s.labelName(i));
    out += QStringLiteral("  labels: %1\n").arg(labels.join(QStringLiteral(", ")));
    out += QStringLiteral("  focus tray columns: %1\n").arg(s.ColumnCount);
    out +=
        QStringLiteral("  date format: %1 / %2\n").arg(sjis(s.DateFormat), sjis(s.DateViewFormat));
    out += QStringLiteral("  backup file: %1, temporary copy: %2\n")
               .arg(s.SaveBAKFile ? QStringLiteral("on") : QStringLiteral("off"),
                    s.SaveTemporal ? QStringLiteral("on") : QStringLiteral("off"));
    CliOut(out);
    return 0;
}

// ---- dump ----

// JSON written as it goes: a large outline never becomes one tree of values,
// and deep nesting never becomes deep recursion.
class JsonOut {
public:
    ~JsonOut() { flush(); }

    void raw(const char* s) { m_buf += s; }
    void raw(const QByteArray& s) { m_buf += s; }
    void string(const QString& s) {
        m_buf += '"';
        const QByteArray utf8 = s.toUtf8();
        for (const char ch : utf8) {
            const auto c = uint8_t(ch);
            switch (c) {
            case '"':
                m_buf += "\\\"";
                break;
            case '\\':
                m_buf += "\\\\";
                break;
            case '\n':
                m_buf += "\\n";
                break;
            case '\r':
                m_buf += "\\r";
                break;
            case '\t':
                m_buf += "\\t";
                break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    const char esc[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                    m_buf.append(esc, sizeof esc);
                } else {
                    m_buf += ch;
                }
            }
            // A page of megabytes goes out as it is escaped, not held whole.
            maybeFlush();
        }
        m_buf += '"';
        maybeFlush();
    }
    void number(double v) {
        if (std::isfinite(v))
            m_buf += QByteArray::number(v, 'g', 17);
        else
            m_buf += "null";
    }
    void number(qint64 v) { m_buf += QByteArray::number(v); }
    void boolean(bool v) { m_buf += v ? "true" : "false"; }
    void key(const char* name) {
        m_buf += '"';
        m_buf += name;
        m_buf += "\": ";
    }
    void newline(int depth) {
        m_buf += '\n';
        // Indentation stops growing: a hostile depth must not blow up the output.
        m_buf += QByteArray(2 * qMin(depth, 40), ' ');
        maybeFlush();
    }
    void flush() {
        if (!m_buf.isEmpty()) {
            std::fwrite(m_buf.constData(), 1, size_t(m_buf.size()), stdout);
            m_buf.clear();
        }
    }

private:
    void maybeFlush() {
        if (m_buf.size() > (1 << 20))
            flush();
    }
    QByteArray m_buf;
};

void dumpSettings(JsonOut& j, const TOptionDesc& s, int d) {
    bool first = true;
    auto field = [&](const char* name) {
        if (!first)
            j.raw(",");
        first = false;
        j.newline(d + 1);
        j.key(name);
    };
    auto num = [&](const char* name, qint64 v) {
        field(name);
        j.number(v);
    };
    auto flag = [&](const char* name, bool v) {
        field(name);
        j.boolean(v);
    };
    auto text = [&](const char* name, const QByteArray& v) {
        field(name);
        j.string(sjis(v));
    };
    j.raw("{");
    num("SisterPos", s.SisterPos);
    num("DaughterPos", s.DaughterPos);
    num("AuntPos", s.AuntPos);
    num("ClipPos", s.ClipPos);
    flag("DateAuto", s.DateAuto);
    flag("LinkAuto", s.LinkAuto);
    flag("ProceedAuto", s.ProceedAuto);
    flag("FinishAuto", s.FinishAuto);
    flag("ExpandOnlyOne", s.ExpandOnlyOne);
    flag("CheckOutOfDate", s.CheckOutOfDate);
    flag("HideForm", s.HideForm);
    flag("StayOn", s.StayOn);
    flag("DropExpand", s.DropExpand);
    flag("DragCollapse", s.DragCollapse);
    flag("ConfirmDel", s.ConfirmDel);
    flag("ConfirmSave", s.ConfirmSave);
    text("HierSymbol", QByteArray(1, s.HierSymbol));
    num("BackColorTitle", s.BackColorTitle);
    num("BackColorText", s.BackColorText);
    num("BackColorLink", s.BackColorLink);
    num("NextNodeId", s.NextNodeId);
    num("FormLeft", s.FormLeft);
    num("FormTop", s.FormTop);
    num("FormWidth", s.FormWidth);
    num("FormHeight", s.FormHeight);
    num("FormState", s.FormState);
    num("TreeWidth", s.TreeWidth);
    num("TreeHeight", s.TreeHeight);
    flag("TreeVisible", s.TreeVisible);
    flag("SplitVertical", s.SplitVertical);
    num("ItemView", s.ItemView);
    flag("StatusVisible", s.StatusVisible);
    flag("LinkPanelVisible", s.LinkPanelVisible);
    flag("DatePanelVisible", s.DatePanelVisible);
    flag("ShowRuler", s.ShowRuler);
    flag("ShowCalendar", s.ShowCalendar);
    flag("MaxCalendar", s.MaxCalendar);
    num("CalendarHeight", s.CalendarHeight);
    flag("ListViewVisible", s.ListViewVisible);
    flag("PreferText", s.PreferText);
    num("ListViewHeight", s.ListViewHeight);
    flag("SaveTemporal", s.SaveTemporal);
    flag("SaveBAKFile", s.SaveBAKFile);
    flag("WordWrap", s.WordWrap);
    num("InFileLinkColor", s.InFileLinkColor);
    num("HyperLinkColor", s.HyperLinkColor);
    flag("TrashOnTerminate", s.TrashOnTerminate);
    num("ClipHotKey", s.ClipHotKey);
    num("ClipHotModifiers", s.ClipHotModifiers);
    flag("ShowProcs", s.ShowProcs);

    field("LabelText");
    j.raw("[");
    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i) {
        if (i)
            j.raw(", ");
        j.string(sjis(s.LabelText[size_t(i)]));
    }
    j.raw("]");
    field("LabelImage");
    j.raw("[");
    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i) {
        if (i)
            j.raw(", ");
        j.number(qint64(s.LabelImage[size_t(i)]));
    }
    j.raw("]");
    text("DateFormat", s.DateFormat);
    text("DateViewFormat", s.DateViewFormat);
    num("ColumnCount", s.ColumnCount);
    field("Columns");
    j.raw("[");
    const int columns = qBound(0, int(s.ColumnCount), TOptionDesc::MaxColumns);
    for (int i = 0; i < columns; ++i) {
        if (i)
            j.raw(", ");
        j.raw("{\"Kind\": ");
        j.number(qint64(s.Columns[size_t(i)].Kind));
        j.raw(", \"Width\": ");
        j.number(qint64(s.Columns[size_t(i)].Width));
        j.raw("}");
    }
    j.raw("]");
    const std::pair<const char*, const TFontDesc*> fonts[] = {{"DefFont", &s.DefFont},
                                                              {"TreeViewFont", &s.TreeViewFont},
                                                              {"TitleFont", &s.TitleFont},
                                                              {"LinkFont", &s.LinkFont},
                                                              {"ListViewFont", &s.ListViewFont}};
    for (const auto& [name, f] : fonts) {
        field(name);
        j.raw("{\"Name\": ");
        j.string(sjis(f->Name));
        j.raw(", \"Size\": ");
        j.number(qint64(f->Size));
        j.raw(", \"Color\": ");
        j.number(qint64(f->Color));
        j.raw(", \"Charset\": ");
        j.number(qint64(f->Charset));
        j.raw(", \"Bold\": ");
        j.boolean(f->Bold);
        j.raw(", \"Italic\": ");
        j.boolean(f->Italic);
        j.raw(", \"Underline\": ");
        j.boolean(f->Underline);
        j.raw("}");
    }
    j.newline(d);
    j.raw("}");
}

// One item's fields, leaving its object open at "children": [
void dumpItemHead(JsonOut& j, TOutlineNode* node, int d) {
    TLeafNote* item = node->item();
    auto field = [&](const char* name, bool first = false) {
        if (!first)
            j.raw(",");
        j.newline(d + 1);
        j.key(name);
    };
    auto date = [&](const char* name, const char* textName, double v) {
        field(name);
        j.number(v);
        field(textName);
        j.string(dateText(v));
    };
    j.raw("{");
    field("Title", true);
    j.string(sjis(item->Title));
    field("NodeId");
    j.number(qint64(item->NodeId));
    field("LabelIndex");
    j.number(qint64(item->LabelIndex));
    field("Progress");
    j.number(qint64(item->Progress));
    date("CreatedDate", "CreatedDateText", item->CreatedDate);
    date("ModifiedDate", "ModifiedDateText", item->ModifiedDate);
    date("DueDate", "DueDateText", item->DueDate);
    date("FinishDate", "FinishDateText", item->FinishDate);
    field("Links");
    j.string(sjis(item->Links));
    field("PageText");
    j.string(sjis(item->PageText));
    field("PageCompressedBytes");
    j.number(qint64(item->PageCompressedValid ? item->PageCompressed.size() : 0));
    try {
        const QByteArray& rich = item->GetPage();
        field("PageRich");
        j.string(sjis(rich));
        // Written out: the next pages get its room in the budget.
        item->ReleasePage();
    } catch (const EReadError& e) {
        field("PageRich");
        j.raw("null");
        field("PageError");
        j.string(e.message());
    }
    field("Expanded");
    j.boolean(node->expanded());
    field("Selected");
    j.boolean(node->selected());
    field("Trash");
    j.boolean(node->outline()->trashNode() == node);
    field("Children");
    j.raw("[");
}

int runDump(const QStringList& args) {
    if (args.size() != 1)
        throw TCliUsageError{QStringLiteral("dump needs FILE")};
    const QString path = args.at(0);
    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(path, r.error);

    JsonOut j;
    j.raw("{");
    j.newline(1);
    j.key("Settings");
    dumpSettings(j, doc.settings, 1);
    j.raw(",");
    j.newline(1);
    j.key("Items");
    j.raw("[");
    // Each level: the list being written and the index of the next entry.
    struct Level {
        const std::vector<TOutlineNode*>* nodes;
        size_t next;
    };
    std::vector<Level> stack{{&doc.outline.topLevelNodes(), 0}};
    while (!stack.empty()) {
        Level& top = stack.back();
        const int d = 2 * int(stack.size());
        if (top.next >= top.nodes->size()) {
            const bool hadAny = !top.nodes->empty();
            stack.pop_back();
            if (hadAny)
                j.newline(d - 1);
            j.raw("]");
            if (!stack.empty()) {
                j.newline(d - 2);
                j.raw("}");
            }
            continue;
        }
        if (top.next > 0)
            j.raw(",");
        TOutlineNode* node = (*top.nodes)[top.next++];
        j.newline(d);
        dumpItemHead(j, node, d);
        stack.push_back({&node->children(), 0});
    }
    j.newline(0);
    j.raw("}\n");
    j.flush();
    // A write that failed while the buffer was flushed earlier shows only in the error flag.
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    return written ? 0 : CliFail(QString(), QStringLiteral("cannot write output"));
}

// ---- writing ----

int runRoundtrip(const QStringList& args) {
    if (args.size() != 2)
        throw TCliUsageError{QStringLiteral("roundtrip needs IN and OUT")};
    TCliDocument doc;
    const OutlineFile::ReadResult r = OutlineFile::readFile(args.at(0), doc.settings, doc.outline);
    if (!r.ok)
        return CliFail(args.at(0),
                       r.error +
                           QStringLiteral("（正しく読めなかったため、何も書き出していません）"));
    return CliWriteDocument(args.at(1), doc);
}

int runConvertLkp(const QStringList& args) {
    if (args.size() != 2)
        throw TCliUsageError{QStringLiteral("convert-lkp needs IN and OUT")};
    const QString in = args.at(0);
    QFile file;
    QString error;
    if (!BoundedFile::OpenRegular(in, file, &error))
        return CliFail(in, error);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return CliFail(in,
                       QStringLiteral("ファイルを読み込めません: %1").arg(FileError::Text(file)));
    TCliDocument doc; // a new document's settings, not the user's stored defaults
    const OutlineFile::ReadResult r = OutlineFile::readLkp(bytes, doc.outline);
    if (!r.ok)
        return CliFail(in, r.error + QStringLiteral("（何も書き出していません）"));
    return CliWriteDocument(args.at(1), doc);
}

int runImportText(const QStringList& args) {
    if (args.size() != 2 && args.size() != 3)
        throw TCliUsageError{QStringLiteral("import-text needs IN and OUT")};
    char marker = '.';
    if (args.size() == 3) {
        const QByteArray m = args.at(2).toLatin1();
        if (args.at(2).size() != 1 || uint8_t(m.at(0)) < 0x21 || uint8_t(m.at(0)) > 0x7E)
            throw TCliUsageError{
                QStringLiteral("MARKER must be one printable ASCII character: %1").arg(args.at(2))};
        marker = m.at(0);
    }
    TCliDocument doc; // a new document's settings, not the user's stored defaults
    const HierText::TImportResult r = HierText::ImportFile(args.at(0), doc.outline, marker);
    if (!r.ok)
        return CliFail(args.at(0), r.error + QStringLiteral("（何も書き出していません）"));
    TLeafNote::CreateTrash(doc.outline);
    return CliWriteDocument(args.at(1), doc);
}

int runGenerate(const QStringList& given) {
    QStringList args = given;
    const bool rich = args.removeAll(QStringLiteral("--rich-1k")) > 0;
    if (args.size() != 2 && args.size() != 3)
        throw TCliUsageError{QStringLiteral("generate needs N and OUT")};
    bool ok = false;
    const int count = args.at(0).toInt(&ok);
    if (!ok || count < 1 || count > 10000000)
        throw TCliUsageError{
            QStringLiteral("N must be a number from 1 to 10000000: %1").arg(args.at(0))};
    uint32_t seed = 1;
    if (args.size() == 3) {
        seed = args.at(2).toUInt(&ok);
        if (!ok)
            throw TCliUsageError{
                QStringLiteral("SEED must be a non-negative number: %1").arg(args.at(2))};
    }
    TCliDocument doc;
    SampleOutline::generate(doc.outline, doc.settings, count, seed,
                            rich ? SampleOutline::RichPages1K : SampleOutline::MixedPages);
    return CliWriteDocument(args.at(1), doc);
}

const TCliRegistrar info(TCliCommand{QStringLiteral("info"),
                                     QStringLiteral("info FILE   (counts, depth, pages, settings)"),
                                     runInfo, false});
const TCliRegistrar dump(TCliCommand{
    QStringLiteral("dump"), QStringLiteral("dump FILE   (settings and every item as JSON)"),
    runDump, false});
const TCliRegistrar roundtrip(TCliCommand{
    QStringLiteral("roundtrip"),
    QStringLiteral("roundtrip IN OUT   (read a .wrn or .lkp file and write it as .wrn)"),
    runRoundtrip, false});
const TCliRegistrar convertLkp(TCliCommand{
    QStringLiteral("convert-lkp"),
    QStringLiteral("convert-lkp IN OUT   (import a .lkp file into a .wrn)"), runConvertLkp, false});
const TCliRegistrar importText(TCliCommand{
    QStringLiteral("import-text"),
    QStringLiteral("import-text IN OUT [MARKER]   (import indented text, cp932 or UTF-8, into a "
                   ".wrn; MARKER defaults to \".\")"),
    runImportText, false});
const TCliRegistrar generate(TCliCommand{
    QStringLiteral("generate"),
    QStringLiteral("generate N OUT [SEED] [--rich-1k]   (a sample outline of N items, for "
                   "benchmarks; --rich-1k: a 1 KB rich page on every item)"),
    runGenerate, false});

} // namespace
