// The item record: one item's fields followed by the records of its children.
// Both directions walk the subtree with an explicit stack, so that a file
// nesting a million levels costs memory, never the call stack.
#include "file/ItemRecord.h"

#include "file/ByteStream.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <vector>

namespace {

constexpr qsizetype kCompressedTextLimit = qsizetype(64) << 20;

// What a record says about its node rather than its item.
struct NodeFlags {
    int32_t childCount = 0;
    bool expanded = false;
    bool selected = false;
};

void readFixedBlock(TLeafNote& item, TByteReader& in, NodeFlags& flags) {
    const QByteArray b = in.bytes(ItemRecord::FixedBlockSize, "項目の固定部");
    const char* p = b.constData();
    item.NodeId = ByteOrder::i32At(p + 0);
    item.LabelIndex = ByteOrder::i32At(p + 4);
    item.Progress = uint8_t(p[8]);
    item.CreatedDate = ByteOrder::f64At(p + 12);
    item.ModifiedDate = ByteOrder::f64At(p + 20);
    item.DueDate = ByteOrder::f64At(p + 28);
    item.FinishDate = ByteOrder::f64At(p + 36);
    flags.childCount = ByteOrder::i32At(p + 44);
    flags.expanded = p[48] != 0;
    flags.selected = p[49] != 0;
}

int32_t readLength(TByteReader& in, const char* what) {
    const int32_t n = in.i32(what);
    if (n < 0)
        throw EReadError(QStringLiteral("ファイルが壊れています: %1の長さが負です (%2, 位置 %3)")
                             .arg(QString::fromUtf8(what))
                             .arg(n)
                             .arg(in.pos() - 4));
    return n;
}

NodeFlags readFields(TLeafNote& item, TByteReader& in) {
    NodeFlags flags;
    in.u8("項目の始まり"); // start byte; any value
    int ignored = 0;
    for (;;) {
        const uint8_t tag = in.u8("項目の印");
        if (tag == 0 || tag >= 20) {
            if (++ignored >= MaxIgnoredTagRun)
                throw IgnoredTagRunError(QStringLiteral("項目の記録"), in.pos());
            continue;
        }
        ignored = 0;
        switch (tag) {
        case ItemRecord::TagEnd:
            return flags;
        case ItemRecord::TagProgress:
            item.Progress = in.u8("進捗状況");
            break;
        case ItemRecord::TagLabel:
            item.LabelIndex = in.i32("ラベル");
            break;
        case ItemRecord::TagTitle:
            item.Title = in.string("項目の題名");
            break;
        case ItemRecord::TagRichPage: {
            const int32_t n = readLength(in, "ページ");
            if (n >= 1) {
                item.PageRich = in.bytes(n, "ページ");
                // The compressed copy, if any came earlier, no longer matches.
                item.PageCompressed.clear();
                item.PageCompressedValid = false;
                item.PageExpanded = false;
            }
            break;
        }
        case ItemRecord::TagLinkList: {
            const int32_t count = readLength(in, "リンクの一覧");
            // Every entry takes at least its length field.
            if (count > in.remaining() / 4)
                throw EReadError(
                    QStringLiteral(
                        "ファイルが壊れています: リンクの数 %1 が残りのデータより多すぎます "
                        "(位置 %2)")
                        .arg(count)
                        .arg(in.pos() - 4));
            QByteArray links;
            for (int32_t i = 0; i < count; ++i) {
                links += in.string("リンク");
                links += "\r\n";
            }
            item.Links = links;
            break;
        }
        case ItemRecord::TagCreated:
            item.CreatedDate = in.f64("作成日");
            break;
        case ItemRecord::TagModified:
            item.ModifiedDate = in.f64("更新日");
            break;
        case ItemRecord::TagDue:
            item.DueDate = in.f64("期日");
            break;
        case ItemRecord::TagFinished:
            item.FinishDate = in.f64("完了日");
            break;
        case ItemRecord::TagChildCount:
            flags.childCount = in.i32("子項目の数");
            break;
        case ItemRecord::TagExpanded:
            flags.expanded = true;
            break;
        case ItemRecord::TagSelected:
            flags.selected = true;
            break;
        case ItemRecord::TagPageText:
            item.PageText = in.string("ページの本文");
            break;
        case ItemRecord::TagNodeId:
            item.NodeId = in.i32("項目の番号");
            break;
        case ItemRecord::TagLinks:
            item.Links = in.string("リンク");
            break;
        case ItemRecord::TagCompressedPage: {
            const int32_t n = readLength(in, "圧縮したページ");
            if (n > 0) {
                item.PageCompressed = in.bytes(n, "圧縮したページ");
                item.PageCompressedValid = true;
                item.PageExpanded = false;
            }
            break;
        }
        case ItemRecord::TagFixedBlock:
            readFixedBlock(item, in, flags);
            break;
        case ItemRecord::TagCompressedText:
            // Decompressed while the file loads, so kept small: a few bytes of a
            // hostile file must not ask for gigabytes.
            {
                TOutline& tree = item.outline();
                const qint64 room = tree.expandRoom();
                item.PageText =
                    room < kCompressedTextLimit
                        ? PageZip::decompress(in.string("圧縮したページの本文"), qsizetype(room),
                                              PageZip::BudgetMessage(tree.expandBudget()))
                        : PageZip::decompress(in.string("圧縮したページの本文"),
                                              kCompressedTextLimit);
                tree.chargeExpanded(item.PageText.size());
                break;
            }
        default:
            break; // 0 and 20..255 carry nothing
        }
    }
}

void checkChildCount(int32_t count, const TByteReader& in) {
    if (count < 0)
        throw EReadError(QStringLiteral("ファイルが壊れています: 子項目の数が負です (%1, 位置 %2)")
                             .arg(count)
                             .arg(in.pos()));
    // Each child record takes at least its start byte and its end tag.
    if (count > in.remaining() / 2)
        throw EReadError(
            QStringLiteral(
                "ファイルが壊れています: 子項目の数 %1 が残りのデータより多すぎます (位置 %2)")
                .arg(count)
                .arg(in.pos()));
}

void finishNode(TLeafNote& item, bool expanded) {
    TOutline& tree = item.outline();
    if (expanded)
        tree.setExpanded(item.TreeNode, true);
    if (item.NodeId == -1)
        tree.setTrashNode(item.TreeNode);
    item.RefreshCaption();
    item.RefreshIcon();
    item.RefreshLabel();
}

void normaliseLabel(TLeafNote& item) {
    if (item.LabelIndex < 0 || item.LabelIndex > 7)
        item.LabelIndex = 0;
}

void writeFixedBlock(const TLeafNote& item, TByteWriter& out, bool exportFlag) {
    char b[ItemRecord::FixedBlockSize] = {};
    const TOutlineNode* node = item.TreeNode;
    ByteOrder::putI32(b + 0, exportFlag ? 0 : item.NodeId);
    ByteOrder::putI32(b + 4, item.LabelIndex);
    b[8] = char(item.Progress);
    ByteOrder::putF64(b + 12, item.CreatedDate);
    ByteOrder::putF64(b + 20, item.ModifiedDate);
    ByteOrder::putF64(b + 28, item.DueDate);
    ByteOrder::putF64(b + 36, item.FinishDate);
    ByteOrder::putI32(b + 44, node->childCount());
    b[48] = node->expanded() ? 1 : 0;
    b[49] = node->selected() ? 1 : 0;
    out.bytes(QByteArray::fromRawData(b, ItemRecord::FixedBlockSize));
}

void writeFields(TLeafNote& item, TByteWriter& out, bool exportFlag) {
    out.u8(ItemRecord::StartByte);
    out.u8(ItemRecord::TagFixedBlock);
    writeFixedBlock(item, out, exportFlag);
    if (!item.Title.isEmpty()) {
        out.u8(ItemRecord::TagTitle);
        out.string(item.Title);
    }
    if (!item.Links.isEmpty()) {
        out.u8(ItemRecord::TagLinks);
        out.string(item.Links);
    }
    if (!item.PageText.isEmpty()) {
        out.u8(ItemRecord::TagPageText);
        out.string(item.PageText);
    }
    const bool haveCopy = item.PageCompressedValid && !item.PageCompressed.isEmpty();
    if (!haveCopy && !item.PageRich.isEmpty()) {
        item.PageCompressed = PageZip::compress(item.PageRich);
        item.PageCompressedValid = true;
        item.PageExpanded = true; // PageRich already holds what the copy expands to
    }
    if (item.PageCompressedValid && !item.PageCompressed.isEmpty()) {
        out.u8(ItemRecord::TagCompressedPage);
        out.i32(int32_t(item.PageCompressed.size()));
        out.bytes(item.PageCompressed);
    }
    out.u8(ItemRecord::TagEnd);
}

} // namespace

void TLeafNote::ReadFromStream(TByteReader& in, TOutlineNode*& selected) {
    struct Open {
        TLeafNote* item;
        int32_t childrenLeft;
        bool expanded;
    };
    std::vector<Open> open;

    // Reads one record's fields; a record that fails is finished with what it got.
    auto begin = [&](TLeafNote* item) {
        NodeFlags flags;
        try {
            flags = readFields(*item, in);
            if (flags.selected)
                selected = item->TreeNode;
            normaliseLabel(*item);
            checkChildCount(flags.childCount, in);
        } catch (...) {
            normaliseLabel(*item);
            finishNode(*item, flags.expanded);
            throw;
        }
        open.push_back({item, flags.childCount, flags.expanded});
    };

    try {
        begin(this);
        while (!open.empty()) {
            Open& top = open.back();
            if (top.childrenLeft == 0) {
                finishNode(*top.item, top.expanded);
                open.pop_back();
                continue;
            }
            --top.childrenLeft;
            TLeafNote* child = Create(outline(), InsertLastChild, top.item->TreeNode);
            begin(child);
        }
    } catch (...) {
        // Ancestors of the failed record keep what they read.
        while (!open.empty()) {
            finishNode(*open.back().item, open.back().expanded);
            open.pop_back();
        }
        throw;
    }
}

void TLeafNote::WriteToStream(TByteWriter& out, bool exportFlag) {
    writeFields(*this, out, exportFlag);
    std::vector<std::pair<const TOutlineNode*, size_t>> stack;
    stack.emplace_back(TreeNode, 0);
    while (!stack.empty()) {
        const TOutlineNode* node = stack.back().first;
        const size_t next = stack.back().second;
        if (next >= node->children().size()) {
            stack.pop_back();
            continue;
        }
        ++stack.back().second;
        const TOutlineNode* child = node->child(int(next));
        writeFields(*child->item(), out, exportFlag);
        stack.emplace_back(child, 0);
    }
}
