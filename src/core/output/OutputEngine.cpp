#include "output/OutputEngine.h"

#include "common/FileError.h"
#include "common/ReplacingFile.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/GapBuffer.h"
#include "output/TemplateFill.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

QString EOutputError::readMessage(const QString& path, const QString& reason) {
    return QStringLiteral("出力フォーマットファイル \"%1\" を読み込めません。\n%2")
        .arg(path, reason);
}

QString EOutputError::writeMessage(const QString& path, const QString& reason) {
    return QStringLiteral("ファイル \"%1\" に書き込めません。\n%2").arg(path, reason);
}

namespace OutputEngine {

namespace {

// Fuzzing reaches the limit with a smaller one, in far less time a run.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr qint64 kFilledLimit = qint64(1) << 20;
#else
constexpr qint64 kFilledLimit = qint64(1) << 26;
#endif

// The text kind works on cp932 bytes: the macros are ASCII, and "&", ","
// and ")" never occur as the second byte of a character, so byte search is safe.
struct ByteBuffer {
    using Text = QByteArray;
    // One item's filled template; far beyond any real template.
    static constexpr qint64 kMaxSize = kFilledLimit;
    TGapBuffer text;

    int size() const { return text.size(); }
    int at(int i) const { return static_cast<unsigned char>(text.at(i)); }
    bool matchesAt(int pos, const QByteArray& what) const { return text.matchesAt(pos, what); }
    int indexOf(const QByteArray& what, int from) { return text.indexOf(what, from); }
    QByteArray mid(int pos, int length) const { return text.mid(pos, length); }
    static bool editable(int, int) { return true; }
    void replace(int pos, int length, const QByteArray& value) { text.replace(pos, length, value); }
    static QByteArray fromUnicode(const QString& s) { return Cp932::fromUnicode(s); }
    static QString toUnicode(const QByteArray& b) { return Cp932::toUnicode(b); }
    static QByteArray fromCp932(const QByteArray& b) { return b; }
    static QByteArray repeated(const QByteArray& b, int times) { return b.repeated(times); }
};

const OutputMacros::Names<QByteArray>& byteNames() {
    static const OutputMacros::Names<QByteArray> names(
        [](const QString& s) { return Cp932::fromUnicode(s); });
    return names;
}

TOutlineNode* nextSkippingSubtree(const TOutlineNode* node) {
    for (const TOutlineNode* n = node; n; n = n->parent())
        if (TOutlineNode* s = n->nextSibling())
            return s;
    return nullptr;
}

void walkOne(TOutlineNode* root,
             const std::function<void(TOutlineNode* node, TOutlineNode* walkRoot)>& visit) {
    const int rootLevel = root->level();
    TOutlineNode* n = root;
    while (n) {
        TOutlineNode* next;
        if (n->item()->IsTrash()) {
            next = nextSkippingSubtree(n);
        } else {
            visit(n, root);
            next = n->hasChildren() ? n->firstChild() : nextSkippingSubtree(n);
        }
        if (!next || next->level() <= rootLevel)
            break;
        n = next;
    }
}

} // namespace

TTemplateKind KindOf(const QString& templatePath) {
    return QFileInfo(templatePath).suffix().toLower() == QLatin1String("rtf") ? TTemplateKind::Rtf
                                                                              : TTemplateKind::Text;
}

QString ProgressCaption(const QString& destination, TTemplateKind kind) {
    return QLatin1Char('"') + QFileInfo(destination).fileName() + QLatin1Char('"') +
           (kind == TTemplateKind::Rtf ? QStringLiteral("へＲＴＦファイルとして出力中")
                                       : QStringLiteral("へテキストファイルとして出力中"));
}

QString ProposedFileName(const QString& documentPath, const TOutlineNode* root,
                         TTemplateKind kind) {
    QString base;
    if (root) {
        QByteArray title = root->item()->Title;
        for (qsizetype i = 0; i < title.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(title.at(i));
            if (Cp932::isLeadByte(c))
                ++i; // "表" ends in a backslash byte that is no backslash
            else if (std::strchr("*,/:;<>?\\|~", c) && c != 0)
                title[i] = '_';
        }
        base = Cp932::toUnicode(title);
    } else {
        base = documentPath.isEmpty() ? QStringLiteral("名称未設定")
                                      : QFileInfo(documentPath).completeBaseName();
    }
    return base + (kind == TTemplateKind::Rtf ? QStringLiteral(".rtf") : QStringLiteral(".txt"));
}

int ItemCount(const TOutline& outline, TOutlineNode* root) {
    if (!root)
        return outline.count();
    int n = 0;
    outline.forEach(
        [&n](TOutlineNode* node) {
            if (!node->item()->IsInTrash())
                ++n;
            return true;
        },
        root);
    return n;
}

void Walk(const TOutline& outline, TOutlineNode* root,
          const std::function<void(TOutlineNode* node, TOutlineNode* walkRoot)>& visit) {
    if (root) {
        walkOne(root, visit);
        return;
    }
    for (int i = 0; i < outline.topLevelCount(); ++i)
        walkOne(outline.topLevel(i), visit);
}

QByteArray ReadTemplateFile(const QString& path) {
    // Far beyond any real template; a larger file or an endless device is
    // refused before it can take all memory.
    constexpr qint64 kMaxTemplateSize = qint64(1) << 26;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EOutputError(EOutputError::readMessage(path, FileError::Text(file)));
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = file.read(qint64(1) << 16);
        if (file.error() != QFileDevice::NoError)
            throw EOutputError(EOutputError::readMessage(path, FileError::Text(file)));
        if (chunk.isEmpty())
            return bytes;
        if (bytes.size() + chunk.size() > kMaxTemplateSize)
            throw EOutputError(
                EOutputError::readMessage(path, QStringLiteral("ファイルが大きすぎます。")));
        bytes += chunk;
    }
}

QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == '\r' && i + 1 < n && text.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

TTextTemplate::TTextTemplate(const QByteArray& templateBytes) {
    for (const QByteArray& line : SplitLines(templateBytes))
        m_text += line + "\r\n";
}

QByteArray TTextTemplate::Fill(TOutlineNode* node, TOutlineNode* walkRoot,
                               const TOptionDesc* settings) const {
    static const QByteArray kContent("&Content");
    static const QByteArray kLink("&Link");
    ByteBuffer buf{TGapBuffer(m_text)};
    OutputMacros::FillMacros(buf, byteNames(), TTemplateItem(node, walkRoot, settings));
    const QByteArray filled = buf.text.text();

    const TLeafNote& item = *node->item();
    QByteArray out;
    out.reserve(filled.size());
    for (const QByteArray& line : SplitLines(filled)) {
        qsizetype at = line.indexOf(kContent);
        qsizetype macroLength = kContent.size();
        const QByteArray* source = &item.PageText;
        if (at < 0) {
            at = line.indexOf(kLink);
            macroLength = kLink.size();
            source = &item.Links;
        }
        if (at < 0) {
            out += line;
            out += "\r\n";
            continue;
        }
        const QByteArray before = line.left(at);
        const QByteArray after = line.mid(at + macroLength);
        for (const QByteArray& part : SplitLines(*source)) {
            if (out.size() + before.size() + part.size() + after.size() > ByteBuffer::kMaxSize)
                OutputMacros::ThrowTooLarge(item);
            out += before;
            out += part;
            out += after;
            out += "\r\n";
        }
    }
    return out;
}

} // namespace OutputEngine

void ExportText(TOutline& outline, TOutlineNode* root, const QString& destination,
                const QString& templatePath, const TOutputProgress* progress) {
    const OutputEngine::TTextTemplate tmpl(OutputEngine::ReadTemplateFile(templatePath));

    // Written beside the destination and renamed over it at the end, so a
    // failed export leaves whatever was there before.
    TReplacingFile out(destination);
    if (!out.open())
        throw EOutputError(EOutputError::writeMessage(destination, out.errorString()));

    const int maximum = OutputEngine::ItemCount(outline, root);
    if (progress && progress->started)
        progress->started(OutputEngine::ProgressCaption(destination, TTemplateKind::Text), maximum);
    int position = 0;
    const TOptionDesc* settings = outline.settings();
    OutputEngine::Walk(outline, root, [&](TOutlineNode* node, TOutlineNode* walkRoot) {
        ++position;
        if (progress && progress->itemStarting)
            progress->itemStarting(position, maximum);
        const QByteArray chunk = tmpl.Fill(node, walkRoot, settings);
        if (!out.write(chunk))
            throw EOutputError(EOutputError::writeMessage(destination, out.errorString()));
        if (progress && progress->itemWritten)
            progress->itemWritten();
    });
    if (!out.commit())
        throw EOutputError(EOutputError::writeMessage(destination, out.errorString()));
}
