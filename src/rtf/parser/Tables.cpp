// Tables: row and cell definitions, cells read whole and merged, borders;
// a table goes to the sink in one piece when it ends.
#include "rtf/parser/ParserState.h"

#include <algorithm>

namespace Rtf::detail {

namespace {

// True when a cell holds more than the format of an empty paragraph.
bool hasContent(const std::vector<SinkEvent>& events) {
    return std::any_of(events.begin(), events.end(),
                       [](const SinkEvent& e) { return e.kind != SinkEvent::Kind::Paragraph; });
}

} // namespace

void appendContent(std::vector<SinkEvent>& to, std::vector<SinkEvent>&& from) {
    if (!hasContent(from))
        return;
    if (!to.empty()) {
        SinkEvent brk;
        brk.kind = SinkEvent::Kind::Break;
        to.push_back(std::move(brk));
    }
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

namespace {

constexpr size_t kMaxColumns = 64;
constexpr int kMaxEdge = 10000000; // twips; far beyond any page, far from overflow

// Joining cells costs QTextTable a pass over all its cells each time, so a
// long table with joined cells goes out in parts of about this many rows,
// cut where no cell spans the cut.
constexpr int kMaxJoinedRows = 400;

} // namespace

std::vector<Table> splitTable(Table&& t) {
    const bool joined = std::any_of(t.cells.begin(), t.cells.end(), [](const TableCell& c) {
        return !c.covered && (c.rowSpan > 1 || c.colSpan > 1);
    });
    if (!joined || t.rows <= kMaxJoinedRows)
        return {std::move(t)};
    std::vector<Table> parts;
    int start = 0;
    while (start < t.rows) {
        int end = std::min(start + kMaxJoinedRows, t.rows);
        for (int r = start; r < end; ++r)
            for (int c = 0; c < t.columns; ++c) {
                const TableCell& cell = t.at(r, c);
                if (!cell.covered)
                    end = std::max(end, std::min(t.rows, r + cell.rowSpan));
            }
        Table part;
        part.rows = end - start;
        part.columns = t.columns;
        part.widths = t.widths;
        part.borderTwips = t.borderTwips;
        part.borderColor = t.borderColor;
        part.paddingTwips = t.paddingTwips;
        part.align = t.align;
        part.cells.assign(std::make_move_iterator(t.cells.begin() + ptrdiff_t(start) * t.columns),
                          std::make_move_iterator(t.cells.begin() + ptrdiff_t(end) * t.columns));
        parts.push_back(std::move(part));
        start = end;
    }
    return parts;
}

void Recorder::text(const QString& t, const CharState& ch) {
    SinkEvent e;
    e.kind = SinkEvent::Kind::Text;
    e.text = t;
    e.ch = ch;
    events.push_back(std::move(e));
}

void Recorder::picture(const Picture& p, const CharState& ch) {
    SinkEvent e;
    e.kind = SinkEvent::Kind::Picture;
    e.picture = p;
    e.ch = ch;
    events.push_back(std::move(e));
}

void Recorder::formatParagraph(const ParaState& para) {
    SinkEvent e;
    e.kind = SinkEvent::Kind::Paragraph;
    e.para = para;
    events.push_back(std::move(e));
}

void Recorder::breakParagraph() {
    SinkEvent e;
    e.kind = SinkEvent::Kind::Break;
    events.push_back(std::move(e));
}

void Recorder::table(const Table& t) {
    // Not reached: a table inside a cell is read as its text.
    bool first = true;
    for (const TableCell& c : t.cells) {
        if (c.covered)
            continue;
        if (!first)
            breakParagraph();
        first = false;
        events.insert(events.end(), c.content.begin(), c.content.end());
    }
}

void Parser::checkTable() {
    // Called for every piece of text: the common case first.
    const bool inTable = !m_stack.empty() && top().para.inTable;
    if (inTable == m_tableOpen || inNote() || m_stack.empty() || m_overflow > 0)
        return;
    if (inTable && !m_tableOpen)
        startTable();
    else if (!inTable && m_tableOpen && m_row.empty() && !cellHasContent())
        endTable(); // only between rows: a row begun goes on until its end
}

void Parser::startTable() {
    // What came before belongs to the paragraph before the table.
    syncFormat();
    flushText();
    if (!paragraphEmpty())
        endParagraph();
    m_tableOpen = true;
    m_outerBreak = m_pendingBreak;
    m_out = &m_cell;
    m_pendingBreak = false;
    m_paraEmpty = true;
}

bool Parser::cellHasContent() const {
    return !m_cell.events.empty() || !m_text.isEmpty() || !m_bytes.isEmpty() || !m_notes.empty();
}

void Parser::finishCell() {
    flushText();
    // A mark just before the cell's end makes no empty paragraph.
    if (!m_pendingBreak)
        m_out->formatParagraph(shownPara(m_stack.empty() ? m_finalPara : top().para));
    emitNotes();
    std::vector<SinkEvent> events = std::move(m_cell.events);
    m_cell.events.clear();
    if (m_row.size() < kMaxCells)
        m_row.push_back(std::move(events));
    else
        appendContent(m_row.back(), std::move(events));
    m_numbered = false;
    m_markGlyph = QChar();
    m_pendingBreak = false;
    m_paraEmpty = true;
}

void Parser::finishRow() {
    if (cellHasContent())
        finishCell();
    if (m_row.empty())
        return;
    m_tableCells += m_row.size();
    m_rows.push_back(RawRow{m_rowDef, std::move(m_row)});
    m_row.clear();
    if (m_tableCells >= kMaxTableCells)
        endTable();
}

void Parser::endTable() {
    if (cellHasContent() || !m_row.empty())
        finishRow();
    if (!m_tableOpen)
        return; // ended by the row above
    m_out = &m_sink;
    m_tableOpen = false;
    m_tableCells = 0;
    Table t = buildTable(m_rows);
    m_rows.clear();
    if (t.rows == 0) {
        m_pendingBreak = m_outerBreak;
        return;
    }
    for (const Table& part : splitTable(std::move(t)))
        m_sink.table(part);
    m_pendingBreak = false;
    m_paraEmpty = true;
}

void Parser::borderControl(Op op, int p) {
    switch (op) {
    case Op::CellBorder:
        m_borderTarget = 1;
        break;
    case Op::RowBorder:
        m_borderTarget = 2;
        break;
    case Op::ParaBorder:
        m_borderTarget = 0;
        break;
    case Op::BorderStyle:
    case Op::BorderNone:
    case Op::BorderWidth: {
        int w = 0;
        if (op == Op::BorderStyle)
            w = 15; // a hairline until \brdrw says more
        else if (op == Op::BorderWidth)
            w = clampInt(p, 1, 255);
        if (m_borderTarget == 1) {
            if (op != Op::BorderWidth || m_cellDef.border > 0)
                m_cellDef.border = w;
        } else if (m_borderTarget == 2) {
            if (op != Op::BorderWidth || m_rowDef.border > 0)
                m_rowDef.border = w;
        }
        break;
    }
    case Op::BorderColor:
        if (m_borderTarget != 0 && m_rowDef.borderColor == 0)
            m_rowDef.borderColor = std::max(0, p);
        break;
    default:
        break;
    }
}

void Parser::tableControl(Op op, const Token& t, const Entry& e) {
    Group& g = top();
    const int p = t.param;
    const bool on = !t.hasParam || p != 0;
    switch (op) {
    case Op::InTbl:
        g.para.inTable = on;
        break;
    case Op::Cell:
        if (g.dest != Dest::Text)
            break;
        if (inNote() || m_overflow > 0) {
            appendChars(u"\t");
            break;
        }
        if (!m_tableOpen)
            startTable();
        finishCell();
        break;
    case Op::Row:
        if (g.dest != Dest::Text)
            break;
        if (m_tableOpen && !inNote())
            finishRow();
        else
            paragraph();
        break;
    case Op::NestCell:
        // A table inside a cell stays text: cells apart by tabs, rows as
        // paragraphs.
        if (g.dest == Dest::Text)
            appendChars(u"\t");
        break;
    case Op::NestRow:
        if (g.dest == Dest::Text)
            paragraph();
        break;
    case Op::Trowd:
        m_rowDef = RowDef();
        m_cellDef = CellDef();
        m_borderTarget = 0;
        break;
    case Op::Cellx:
        m_cellDef.right = clampInt(p, -kMaxEdge, kMaxEdge);
        if (m_rowDef.cells.size() < kMaxCells)
            m_rowDef.cells.push_back(m_cellDef);
        m_cellDef = CellDef();
        m_borderTarget = 0;
        break;
    case Op::Trgaph:
        m_rowDef.gap = clampInt(p, 0, 10000);
        break;
    case Op::Trleft:
        m_rowDef.left = clampInt(p, -kMaxEdge, kMaxEdge);
        break;
    case Op::TrAlign:
        m_rowDef.align = e.value == 1 ? Align::Center : e.value == 2 ? Align::Right : Align::Left;
        break;
    case Op::CellMerge:
        m_cellDef.merge |= quint8(1u << e.value);
        break;
    case Op::Itap:
        g.para.inTable = p > 0;
        break;
    case Op::CellBorder:
    case Op::RowBorder:
    case Op::ParaBorder:
    case Op::BorderStyle:
    case Op::BorderNone:
    case Op::BorderWidth:
    case Op::BorderColor:
        borderControl(op, p);
        break;
    default:
        break;
    }
}

Table buildTable(std::vector<RawRow>& rows) {
    Table t;
    if (rows.empty())
        return t;
    // The right edges of every row's cells, kept rising.
    std::vector<std::vector<int>> edges(rows.size());
    int left = kMaxTwips;
    size_t widest = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const RowDef& def = rows[r].def;
        // Empty cells past the row's definition are dropped (LibreOffice
        // ends rows that hold a table with one); any with text are kept.
        auto& cells = rows[r].cells;
        while (!def.cells.empty() && cells.size() > def.cells.size() && !hasContent(cells.back()))
            cells.pop_back();
        const size_t n = std::max(def.cells.size(), cells.size());
        int prev = def.left;
        left = std::min(left, def.left);
        for (size_t i = 0; i < n; ++i) {
            int right = i < def.cells.size() ? def.cells[i].right : prev + 1440;
            right = std::max(right, prev + 1);
            edges[r].push_back(right);
            prev = right;
        }
        widest = std::max(widest, n);
    }
    // Columns where any row has a cell edge; edges closer than a point
    // are one.
    std::vector<int> bounds;
    for (const auto& e : edges)
        bounds.insert(bounds.end(), e.begin(), e.end());
    std::sort(bounds.begin(), bounds.end());
    std::vector<int> kept;
    for (int b : bounds)
        if (kept.empty() || b >= kept.back() + 20)
            kept.push_back(b);
    // Too ragged a table gets one column per cell instead.
    const bool byEdges = kept.size() <= kMaxColumns;
    t.columns = int(byEdges ? kept.size() : std::min(widest, kMaxColumns));
    t.rows = int(rows.size());
    t.cells.resize(size_t(t.rows) * size_t(t.columns));
    if (byEdges) {
        int prev = std::min(left, kept.front() - 1);
        for (int b : kept) {
            t.widths.append(b - prev);
            prev = b;
        }
    } else {
        for (int c = 0; c < t.columns; ++c)
            t.widths.append(1440);
    }
    auto column = [&](int right) {
        return int(std::upper_bound(kept.begin(), kept.end(), right) - kept.begin()) - 1;
    };
    // Where each position's cell begins (row * columns + column), -1: free.
    std::vector<int> owner(t.cells.size(), -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        RawRow& row = rows[r];
        const int base = int(r) * t.columns;
        int col = 0;
        int last = -1; // the row's last cell of its own
        for (size_t i = 0; i < edges[r].size(); ++i) {
            std::vector<SinkEvent> content;
            if (i < row.cells.size())
                content = std::move(row.cells[i]);
            const quint8 merge = i < row.def.cells.size() ? row.def.cells[i].merge : 0;
            int end = byEdges ? std::max(col, column(edges[r][i])) : col;
            if (col >= t.columns) {
                if (last >= 0)
                    appendContent(t.cells[size_t(last)].content, std::move(content));
                continue;
            }
            end = std::min(end, t.columns - 1);
            const int span = end - col + 1;
            // Joined to the cell before it in the row, when that one is its
            // neighbour (a cell joined to the one above may stand between).
            if ((merge & 2) && last >= 0 && t.cells[size_t(last)].rowSpan == 1 &&
                last - base + t.cells[size_t(last)].colSpan == col) {
                TableCell& first = t.cells[size_t(last)];
                first.colSpan += span;
                for (int c = col; c <= end; ++c) {
                    owner[size_t(base + c)] = last;
                    t.cells[size_t(base + c)].covered = true;
                }
                appendContent(first.content, std::move(content));
                col = end + 1;
                continue;
            }
            // Joined to the cell above it.
            if ((merge & 8) && r > 0) {
                const int above = owner[size_t(base - t.columns + col)];
                if (above >= 0 && above % t.columns == col &&
                    t.cells[size_t(above)].colSpan == span) {
                    TableCell& first = t.cells[size_t(above)];
                    first.rowSpan += 1;
                    for (int c = col; c <= end; ++c) {
                        owner[size_t(base + c)] = above;
                        t.cells[size_t(base + c)].covered = true;
                    }
                    appendContent(first.content, std::move(content));
                    col = end + 1;
                    continue;
                }
            }
            const int at = base + col;
            TableCell& cell = t.cells[size_t(at)];
            cell.content = std::move(content);
            cell.colSpan = span;
            for (int c = col; c <= end; ++c) {
                owner[size_t(base + c)] = at;
                if (c > col)
                    t.cells[size_t(base + c)].covered = true;
            }
            last = at;
            col = end + 1;
        }
    }
    const RowDef& first = rows.front().def;
    t.paddingTwips = first.gap;
    t.align = first.align;
    for (const RawRow& row : rows) {
        t.borderTwips = std::max(t.borderTwips, row.def.border);
        for (const CellDef& c : row.def.cells)
            t.borderTwips = std::max(t.borderTwips, c.border);
        if (t.borderColor == 0)
            t.borderColor = row.def.borderColor;
    }
    return t;
}

} // namespace Rtf::detail
