#include "file/HierText.h"

#include "file/BoundedFile.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QByteArrayView>
#include <QFileInfo>
#include <QStringDecoder>

namespace HierText {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool hasHighBytes(const QByteArray& bytes) {
    for (char c : bytes)
        if (uint8_t(c) >= 0x80)
            return true;
    return false;
}

// A file that decodes as UTF-8 and has characters beyond ASCII is UTF-8:
// cp932 text practically never decodes (its lead bytes are UTF-8
// continuation bytes or lack their continuation).
bool decodeUtf8(QByteArrayView bytes, QString* text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

// Lines ended by CR LF, CR or LF; a break at the very end opens no further line.
class Lines {
public:
    explicit Lines(const QByteArray& bytes) : m_bytes(bytes) {}
    bool next(QByteArrayView& line) {
        const qsizetype size = m_bytes.size();
        if (m_pos >= size)
            return false;
        const char* data = m_bytes.constData();
        qsizetype end = m_pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        line = QByteArrayView(data + m_pos, end - m_pos);
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            m_pos = end + 2;
        else
            m_pos = end < size ? end + 1 : end;
        ++m_number;
        return true;
    }
    int number() const { return m_number; }

private:
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
    int m_number = 0;
};

} // namespace

TParsed Parse(const QByteArray& input, char marker, const QByteArray& topTitle) {
    TParsed out;
    if (input.contains('\0')) {
        out.ok = false;
        out.error = QStringLiteral("テキストファイルではありません（NUL 文字を含みます）。");
        return out;
    }
    QByteArray bytes = input;
    QString unicode;
    if (input.startsWith(Utf8Bom)) {
        if (!decodeUtf8(QByteArrayView(input).sliced(Utf8Bom.size()), &unicode)) {
            out.ok = false;
            out.error = QStringLiteral("UTF-8 のテキストとして読めません。");
            return out;
        }
        bytes = Cp932::fromUnicode(unicode, &out.lossy);
    } else if (hasHighBytes(input) && decodeUtf8(input, &unicode)) {
        bytes = Cp932::fromUnicode(unicode, &out.lossy);
    }

    std::vector<int> depth; // by entry
    out.entries.push_back(TEntry{-1, topTitle, QByteArray()});
    depth.push_back(0);
    int current = 0;
    int base = 0; // marker count of the first heading; 0 until one is seen
    QByteArray text;
    Lines lines(bytes);
    QByteArrayView line;
    while (lines.next(line)) {
        if (line.size() <= 1 || line[0] != marker) {
            text.append(line.data(), line.size());
            text.append("\r\n");
            continue;
        }
        out.entries[size_t(current)].text = text;
        text.clear();
        qsizetype count = 0;
        while (count < line.size() && line[count] == marker)
            ++count;
        if (base == 0)
            base = int(count);
        const qsizetype target = count - base + 1;
        if (target > MaxDepth) {
            out = TParsed();
            out.ok = false;
            out.error = QStringLiteral("%1 行目の見出しは階層が深すぎます（%2 階層）。"
                                       "読み込めるのは %3 階層までです。")
                            .arg(lines.number())
                            .arg(target)
                            .arg(MaxDepth);
            return out;
        }
        TEntry entry;
        entry.title = line.sliced(count).toByteArray();
        int newDepth;
        if (target > depth[size_t(current)]) {
            entry.parent = current;
            newDepth = depth[size_t(current)] + 1;
        } else {
            // Just after the ancestor at the target depth (the top level at most).
            newDepth = int(std::max<qsizetype>(target, 0));
            int reached = current;
            while (depth[size_t(reached)] > newDepth)
                reached = out.entries[size_t(reached)].parent;
            entry.parent = out.entries[size_t(reached)].parent;
        }
        out.entries.push_back(std::move(entry));
        depth.push_back(newDepth);
        current = int(out.entries.size()) - 1;
    }
    out.entries[size_t(current)].text = text;
    return out;
}

TOutlineNode* Insert(TOutline& outline, const std::vector<TEntry>& entries) {
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(entries.size());
    TOutlineUpdateScope quiet(outline);
    try {
        for (const TEntry& e : entries) {
            TOutlineNode* parent = e.parent < 0 ? nullptr : nodes.at(size_t(e.parent));
            TLeafNote* item =
                TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel, parent);
            item->SetTitle(e.title);
            item->SetPage(e.text, QByteArray());
            nodes.push_back(item->TreeNode);
        }
    } catch (...) {
        for (size_t i = nodes.size(); i-- > 0;)
            if (entries[i].parent < 0)
                outline.removeNode(nodes[i]);
        throw;
    }
    return nodes.empty() ? nullptr : nodes.front();
}

QByteArray TitleFromFileName(const QString& path) {
    QString name = QFileInfo(path).fileName();
    // Only a real extension goes: "memo" stays "memo", not "".
    if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        name.chop(4);
    return Cp932::fromUnicode(name);
}

TImportResult ImportFile(const QString& path, TOutline& outline, char marker) {
    TImportResult r;
    const BoundedFile::Result file = BoundedFile::Read(path, MaxFileSize);
    switch (file.failure) {
    case BoundedFile::Failure::None:
        break;
    case BoundedFile::Failure::Missing:
        r.missing = true;
        r.error = QStringLiteral("ファイルがありません。");
        return r;
    case BoundedFile::Failure::NotRegular:
        r.error =
            QStringLiteral("通常のファイルではありません（フォルダ、デバイスやパイプなど）。");
        return r;
    case BoundedFile::Failure::TooLarge:
        r.error = QStringLiteral("ファイルが大きすぎます（%1 バイト）。読み込めるのは 256 MiB "
                                 "までです。")
                      .arg(file.size);
        return r;
    case BoundedFile::Failure::OpenFailed:
        r.error = QStringLiteral("ファイルを開けません。%1").arg(file.reason);
        return r;
    case BoundedFile::Failure::ReadFailed:
        r.error = QStringLiteral("ファイルを読み込めません。%1").arg(file.reason);
        return r;
    }
    const TParsed parsed = Parse(file.bytes, marker, TitleFromFileName(path));
    if (!parsed.ok) {
        r.error = parsed.error;
        return r;
    }
    r.top = Insert(outline, parsed.entries);
    r.count = int(parsed.entries.size());
    r.lossy = parsed.lossy;
    r.ok = true;
    return r;
}

} // namespace HierText
