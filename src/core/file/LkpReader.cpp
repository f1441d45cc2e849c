// Import of the older line-oriented outline format (".lkp").
#include "file/OutlineFile.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QByteArrayView>
#include <QHash>

namespace OutlineFile {

namespace {

// Lines ended by CR LF, CR or LF; a break at the very end opens no further line.
class LineCursor {
public:
    explicit LineCursor(const QByteArray& bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // Number (1-based) of the line next() returns next.
    int nextLineNumber() const { return m_line + 1; }

    bool next(QByteArrayView& line) {
        if (atEnd())
            return false;
        const char* data = m_bytes.constData();
        const qsizetype size = m_bytes.size();
        qsizetype end = m_pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        line = QByteArrayView(data + m_pos, end - m_pos);
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            m_pos = end + 2;
        else
            m_pos = end < size ? end + 1 : end;
        ++m_line;
        return true;
    }

    bool peek(QByteArrayView& line) const {
        LineCursor copy = *this;
        return copy.next(line);
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
    int m_line = 0;
};

// Bytes up to the next separator (any code <= 10); the separator after a
// field is skipped. Nothing taken: the field is empty and the position stays,
// so every later field of the line is empty too.
QByteArray nextField(QByteArrayView line, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < line.size() && uint8_t(line[pos]) > 10)
        ++pos;
    if (pos == start)
        return QByteArray();
    QByteArray field = line.sliced(start, pos - start).toByteArray();
    if (pos < line.size())
        ++pos;
    return field;
}

bool isPageMarker(QByteArrayView line) {
    return line.size() == 1 && line[0] == '\x04';
}

// Children of a node by title, first of each title only, built on first use.
// The import only appends, so an index once built stays right.
class TitleIndex {
public:
    explicit TitleIndex(TOutline& outline) : m_outline(outline) {}

    TOutlineNode* find(TOutlineNode* parent, const QByteArray& title) {
        return indexOf(parent).value(title, nullptr);
    }
    void added(TOutlineNode* parent, TOutlineNode* child) {
        auto& index = indexOf(parent);
        if (!index.contains(child->item()->Title))
            index.insert(child->item()->Title, child);
    }

private:
    QHash<QByteArray, TOutlineNode*>& indexOf(TOutlineNode* parent) {
        auto it = m_index.find(parent);
        if (it != m_index.end())
            return it.value();
        QHash<QByteArray, TOutlineNode*> index;
        for (TOutlineNode* child : m_outline.childrenOf(parent))
            if (!index.contains(child->item()->Title))
                index.insert(child->item()->Title, child);
        return m_index.insert(parent, index).value();
    }

    TOutline& m_outline;
    QHash<TOutlineNode*, QHash<QByteArray, TOutlineNode*>> m_index;
};

TLeafNote* readItemLine(QByteArrayView line, TOutline& outline, TitleIndex& index) {
    qsizetype pos = 0;
    TOutlineNode* parent = nullptr;
    QByteArray field = nextField(line, pos);
    // An empty field names nothing: descending on it would let a run of empty
    // lines build one ever deeper chain.
    while (!field.isEmpty()) {
        TOutlineNode* match = index.find(parent, field);
        if (!match)
            break;
        parent = match;
        field = nextField(line, pos);
    }
    TLeafNote* item =
        TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel, parent);
    item->SetTitle(field);
    index.added(parent, item->TreeNode);

    field = nextField(line, pos);
    if (field != "0" && field != "1") {
        // A missing field is no link: an empty line in the link panel helps nobody.
        if (!field.isEmpty())
            item->Links = field + "\r\n";
        field = nextField(line, pos);
    }
    item->SetProgress(field == "0" ? ProgressNotStarted : ProgressDone);
    field = nextField(line, pos);
    if (field == "1" && parent)
        outline.setExpanded(parent, true);
    nextField(line, pos); // one more field, unused
    return item;
}

} // namespace

ReadResult readLkp(const QByteArray& bytes, TOutline& outline) {
    ReadResult result;
    TOutlineResetScope reset(outline);
    TitleIndex index(outline);
    LineCursor lines(bytes);
    QByteArrayView line;
    while (lines.next(line)) {
        TLeafNote* item = readItemLine(line, outline, index);
        QByteArrayView marker;
        if (!lines.peek(marker) || !isPageMarker(marker))
            continue;
        const int firstLine = lines.nextLineNumber();
        lines.next(marker);
        // The first line after the marker is text; after it every second line
        // is text or the closing marker, the lines between are skipped.
        QByteArray text;
        bool closed = false;
        if (lines.next(line)) {
            text.append(line.data(), line.size());
            text.append("\r\n");
            QByteArrayView skipped;
            while (lines.next(skipped) && lines.next(line)) {
                if (isPageMarker(line)) {
                    closed = true;
                    break;
                }
                text.append(line.data(), line.size());
                text.append("\r\n");
            }
        }
        // What was read of an unclosed page stays with its item.
        item->PageText = text;
        if (!closed) {
            result.ok = false;
            result.error =
                QStringLiteral("ページの終わりの印がありません: %1 行目から始まるページが"
                               "ファイルの終わりまで閉じられていません")
                    .arg(firstLine);
            break;
        }
    }
    return result;
}

} // namespace OutlineFile
