#include "file/OutlineFile.h"

#include "common/FileError.h"
#include "common/ReplacingFile.h"
#include "file/BoundedFile.h"
#include "file/ByteStream.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QFile>
#include <QFileInfo>

#include <new>
#include <vector>

namespace OutlineFile {

namespace {

// Runs body; any failure becomes ok = false with its message.
template <typename Body> void guarded(ReadResult& result, Body&& body) {
    try {
        body();
    } catch (const EReadCancelled& e) {
        result.ok = false;
        result.cancelled = true;
        result.error = e.message();
    } catch (const EReadError& e) {
        result.ok = false;
        result.error = e.message();
    } catch (const EIllegalOptionRecord& e) {
        result.ok = false;
        result.error = e.message();
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.error = QStringLiteral("メモリが足りないため読み込めませんでした");
    } catch (const std::exception& e) {
        result.ok = false;
        result.error = QString::fromLocal8Bit(e.what());
    }
}

// Room for the records, so that a large document is not copied over and over
// while its buffer grows. Pages not yet compressed count at their full size.
qsizetype estimatedSize(const TOutline& outline, TOutlineNode* from) {
    qsizetype size = 4096; // the settings record
    outline.forEach(
        [&size](TOutlineNode* node) {
            const TLeafNote* item = node->item();
            size +=
                80 + item->Title.size() + item->Links.size() + item->PageText.size() +
                (item->PageCompressedValid ? item->PageCompressed.size() : item->PageRich.size());
            return true;
        },
        from);
    return size;
}

} // namespace

namespace {

ReadResult readDocumentFrom(TByteReader& in, TOptionDesc& settings, TOutline& outline) {
    ReadResult result;
    TOutlineResetScope reset(outline);
    outline.clear();
    outline.setExpandBudget(TOutline::ExpandBudgetFor(in.size()));
    TOutlineNode* selected = nullptr;
    guarded(result, [&] {
        // Said as it is rather than as damage at position 0.
        if (in.size() == 0)
            throw EReadError(QStringLiteral("ファイルが空です (0 バイト)。"));
        settings.ReadFromStream(in);
        while (!in.atEnd()) {
            TLeafNote* item = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
            item->ReadFromStream(in, selected);
        }
    });
    // Half a document the user gave up on must not look like the document.
    if (result.cancelled) {
        outline.clear();
        return result;
    }
    // The last record marked selected wins, also of a document read only in part.
    if (selected)
        outline.setSelectedNode(selected);
    result.selected = selected;
    return result;
}

} // namespace

ReadResult readDocument(const QByteArray& bytes, TOptionDesc& settings, TOutline& outline) {
    TByteReader in(bytes);
    return readDocumentFrom(in, settings, outline);
}

ReadResult readDocument(QIODevice& device, TOptionDesc& settings, TOutline& outline,
                        const TReadProgress& progress) {
    TByteReader in(device, progress);
    return readDocumentFrom(in, settings, outline);
}

namespace {

void writeRecords(const TOptionDesc& settings, TOutline& outline, TOutlineNode* branch,
                  TByteWriter& out) {
    settings.WriteToStream(out);
    if (branch) {
        branch->item()->WriteToStream(out, false);
    } else {
        for (TOutlineNode* top : outline.topLevelNodes())
            top->item()->WriteToStream(out, false);
    }
}

} // namespace

QByteArray writeDocument(const TOptionDesc& settings, TOutline& outline, TOutlineNode* branch) {
    QByteArray bytes;
    bytes.reserve(estimatedSize(outline, branch));
    TByteWriter out(bytes);
    writeRecords(settings, outline, branch, out);
    return bytes;
}

void writeDocument(const TOptionDesc& settings, TOutline& outline, TByteSink& sink,
                   TOutlineNode* branch) {
    QByteArray buffer;
    buffer.reserve((1 << 20) + 4096);
    TByteWriter out(buffer, sink);
    writeRecords(settings, outline, branch, out);
    out.flush();
}

QByteArray writeItems(TOutlineNode* node, bool exportFlag) {
    QByteArray bytes;
    if (!node)
        return bytes;
    bytes.reserve(estimatedSize(*node->outline(), node));
    TByteWriter out(bytes);
    node->item()->WriteToStream(out, exportFlag);
    return bytes;
}

ReadResult readItems(const QByteArray& bytes, TOutline& outline, int code, TOutlineNode* ref,
                     bool allOrNothing) {
    ReadResult result;
    TOutlineUpdateScope update(outline);
    TOutlineNode* ignored = nullptr; // a pasted record's selected flag does not move the selection
    TOutlineNode* const trash = outline.trashNode();
    std::vector<TOutlineNode*> made;
    TByteReader in(bytes);
    // Pasted pages bring their share of the budget with them.
    outline.addExpandBudget(TOutline::ExpandBudgetFor(bytes.size()) - TOutline::BaseExpandBudget);
    guarded(result, [&] {
        while (!in.atEnd()) {
            // The first record goes where asked, each further one just below the one before.
            TLeafNote* item = result.selected ? TLeafNote::Create(outline, InsertBelow, ref)
                                              : TLeafNote::Create(outline, code, ref);
            if (!result.selected)
                result.selected = item->TreeNode;
            made.push_back(item->TreeNode);
            ref = item->TreeNode;
            item->ReadFromStream(in, ignored);
        }
    });
    if (!result.ok && allOrNothing) {
        TOutlineNode* const refParent = made.empty() ? nullptr : made.front()->parent();
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            outline.removeNode(*it);
        if (refParent && !refParent->hasChildren())
            refParent->item()->RefreshIcon();
        made.clear();
        result.selected = nullptr;
    }
    if (trash && outline.trashNode() != trash) {
        // A payload claiming to be a trash must not replace the document's own.
        outline.setTrashNode(trash);
        for (TOutlineNode* top : made)
            outline.forEach(
                [](TOutlineNode* node) {
                    if (node->item()->NodeId == -1)
                        node->item()->NodeId = 0;
                    return true;
                },
                top);
    }
    return result;
}

ReadResult readFile(const QString& path, TOptionDesc& settings, TOutline& outline) {
    QFile file;
    QString error;
    if (!BoundedFile::OpenRegular(path, file, &error)) {
        ReadResult result;
        result.ok = false;
        result.error = error;
        return result;
    }
    if (QFileInfo(path).suffix().compare(QLatin1String("lkp"), Qt::CaseInsensitive) != 0)
        return readDocument(file, settings, outline);
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        ReadResult result;
        result.ok = false;
        result.error = QStringLiteral("ファイルが大きすぎて読み込めません");
        return result;
    }
    if (file.error() != QFileDevice::NoError) {
        ReadResult result;
        result.ok = false;
        result.error = QStringLiteral("ファイルを読み込めません: %1").arg(FileError::Text(file));
        return result;
    }
    TOutlineResetScope reset(outline);
    outline.clear();
    return readLkp(bytes, outline);
}

bool writeToDevice(QIODevice& device, const QByteArray& bytes, QString* error) {
    if (WriteAll(device, bytes))
        return true;
    if (error)
        *error = QStringLiteral("書き込みに失敗しました: %1").arg(FileError::Text(device));
    return false;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    TReplacingFile file(path);
    if (!file.open()) {
        if (error)
            *error = QStringLiteral("ファイルを作成できません: %1").arg(file.errorString());
        return false;
    }
    if (!file.write(bytes)) {
        if (error)
            *error = QStringLiteral("書き込みに失敗しました: %1").arg(file.errorString());
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("ファイルを保存できません: %1").arg(file.errorString());
        return false;
    }
    return true;
}

bool writeFile(const QString& path, const std::function<void(TByteSink&)>& produce, qint64* written,
               QString* error) {
    struct Failed {};
    struct Sink : TByteSink {
        TReplacingFile& file;
        qint64 count = 0;
        explicit Sink(TReplacingFile& f) : file(f) {}
        void write(const char* data, qsizetype size) override {
            if (!file.write(QByteArray::fromRawData(data, size)))
                throw Failed{};
            count += size;
        }
    };
    TReplacingFile file(path);
    if (!file.open()) {
        if (error)
            *error = QStringLiteral("ファイルを作成できません: %1").arg(file.errorString());
        return false;
    }
    Sink sink(file);
    try {
        produce(sink);
    } catch (const Failed&) {
        if (error)
            *error = QStringLiteral("書き込みに失敗しました: %1").arg(file.errorString());
        return false;
    } catch (const EReadError& e) {
        if (error)
            *error = e.message();
        return false;
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("ファイルを保存できません: %1").arg(file.errorString());
        return false;
    }
    if (written)
        *written = sink.count;
    return true;
}

} // namespace OutlineFile
