#include "output/rtf/RtfExport.h"

#include "common/ReplacingFile.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/GapBuffer.h"
#include "output/TemplateFill.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>

namespace OutputEngine {

namespace {

// Line breaks of inserted text become paragraph breaks, counted as one
// position each, as the document counts them.
QString toDocumentText(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QString(QChar::ParagraphSeparator));
    s.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
    s.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
    return s;
}

// The document seen as one string whose indices are cursor positions.
class DocBuffer {
public:
    using Text = QString;
    // The characters one item's filled template may hold.
    static constexpr qint64 kMaxSize = qint64(1) << 20;

    explicit DocBuffer(QTextDocument& doc) : m_doc(doc) { reload(); }

    int size() const { return m_text.size(); }
    int at(int i) const { return m_text.at(i).unicode(); }
    bool matchesAt(int pos, const QString& what) const { return m_text.matchesAt(pos, what); }
    int indexOf(const QString& what, int from) { return m_text.indexOf(what, from); }
    QString mid(int pos, int length) const { return m_text.mid(pos, length); }
    static QString fromUnicode(const QString& s) { return s; }
    static QString toUnicode(const QString& s) { return s; }
    static QString fromCp932(const QByteArray& b) { return Cp932::toUnicode(b); }
    static QString repeated(const QString& s, int times) { return s.repeated(times); }

    // A macro whose text reaches out of its table cell is left as written:
    // the document would remove whatever the selection of cells covers.
    bool editable(int pos, int length) const {
        QTextCursor a(&m_doc), b(&m_doc);
        a.setPosition(pos);
        b.setPosition(pos + length);
        if (a.currentFrame() != b.currentFrame())
            return false;
        const QTextTable* table = a.currentTable();
        return !table || table->cellAt(pos) == table->cellAt(pos + length);
    }

    // The text's own format (that of its first character) carries over to the value.
    void replace(int pos, int length, const QString& value) {
        const QString text = toDocumentText(value);
        QTextCursor c(&m_doc);
        c.setPosition(length > 0 ? pos + 1 : pos);
        const QTextCharFormat format = c.charFormat();
        c.setPosition(pos);
        c.setPosition(pos + length, QTextCursor::KeepAnchor);
        if (text.isEmpty())
            c.removeSelectedText();
        else
            c.insertText(text, format);
        m_text.replace(pos, length, text);
        // Tables and frames may refuse an edit; then start again from what is there.
        if (m_doc.characterCount() != m_text.size())
            reload();
    }

    QTextCharFormat formatAt(int pos) const {
        QTextCursor c(&m_doc);
        c.setPosition(pos + 1);
        return c.charFormat();
    }

private:
    void reload() {
        const int n = m_doc.characterCount();
        QString text(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i)
            text[i] = m_doc.characterAt(i);
        m_text = TGapText<QString>(text);
    }

    QTextDocument& m_doc;
    // Edited where the document is, so that each macro costs its own length.
    TGapText<QString> m_text;
};

// A character put in just before the closing brace starts a paragraph of its
// own exactly when the text ends with a paragraph mark, also when groups
// follow the text (Word writes its own data there).
bool endsWithParagraphMark(const QByteArray& rtf, const QTextDocument& doc) {
    const qsizetype close = rtf.lastIndexOf('}');
    if (close < 0)
        return false;
    QTextDocument probe;
    if (!Rtf::load(rtf.left(close) + "{X}" + rtf.mid(close), probe).ok)
        return false;
    return probe.blockCount() > doc.blockCount() && probe.lastBlock().text() == QLatin1String("X");
}

const OutputMacros::Names<QString>& docNames() {
    static const OutputMacros::Names<QString> names([](const QString& s) { return s; });
    return names;
}

} // namespace

TRtfTemplate::TRtfTemplate(const QByteArray& bytes, const QString& path)
    : m_doc(std::make_unique<QTextDocument>()) {
    if (!Rtf::isRtf(bytes)) {
        QTextCursor(m_doc.get()).insertText(toDocumentText(Cp932::toUnicode(bytes)));
        return;
    }
    const Rtf::ReadResult r = Rtf::load(bytes, *m_doc);
    if (!r.ok)
        throw EOutputError(EOutputError::readMessage(path, r.error));
    m_endsWithParagraph = endsWithParagraphMark(bytes, *m_doc);
}

TRtfTemplate::~TRtfTemplate() = default;

std::unique_ptr<QTextDocument> TRtfTemplate::Fill(TOutlineNode* node, TOutlineNode* walkRoot,
                                                  const TOptionDesc* settings) const {
    std::unique_ptr<QTextDocument> work(m_doc->clone());
    work->setUndoRedoEnabled(false);
    DocBuffer buf(*work);
    {
        // All macros in one edit block: outside one, every cursor move lays
        // out its whole paragraph again, and a long paragraph of macros
        // filled in quadratic time.
        QTextCursor block(work.get());
        block.beginEditBlock();
        OutputMacros::FillMacros(buf, docNames(), TTemplateItem(node, walkRoot, settings));
        block.endEditBlock();
    }

    // Only the first "&Content" takes the page; "&Link" has no meaning here.
    const int at = buf.indexOf(docNames().content, 0);
    if (at < 0)
        return work;
    TLeafNote& item = *node->item();
    const QTextCharFormat format = buf.formatAt(at);
    QTextCursor c(work.get());
    c.setPosition(at);
    c.setPosition(at + int(docNames().content.size()), QTextCursor::KeepAnchor);
    c.removeSelectedText();

    QByteArray rich;
    try {
        // A page expanded only for the export is let go again, so that a
        // long export stays within the document's budget.
        const bool shown = item.PageExpanded;
        rich = item.GetPage();
        if (!shown)
            item.ReleasePage();
    } catch (const EReadError& e) {
        throw EOutputError(QStringLiteral("\"%1\" のページを読み込めません。\n%2")
                               .arg(Cp932::toUnicode(item.Title), e.message()));
    }
    if (!rich.isEmpty()) {
        QTextDocument page;
        // A damaged rich form falls back to the plain text, which is always kept.
        if (Rtf::load(rich, page).ok) {
            c.insertFragment(QTextDocumentFragment(&page));
            return work;
        }
    }
    const QString text = toDocumentText(Cp932::toUnicode(item.PageText));
    if (!text.isEmpty())
        c.insertText(text, format);
    return work;
}

} // namespace OutputEngine

void ExportRtf(TOutline& outline, TOutlineNode* root, const QString& destination,
               const QString& templatePath, const TOutputProgress* progress) {
    const OutputEngine::TRtfTemplate tmpl(OutputEngine::ReadTemplateFile(templatePath),
                                          templatePath);
    // Opened first so that an unwritable destination stops the export before any work.
    TReplacingFile out(destination);
    if (!out.open())
        throw EOutputError(EOutputError::writeMessage(destination, out.errorString()));

    QTextDocument result;
    result.setDefaultFont(tmpl.document().defaultFont());
    QTextCursor end(&result);

    const int maximum = OutputEngine::ItemCount(outline, root);
    if (progress && progress->started)
        progress->started(OutputEngine::ProgressCaption(destination, TTemplateKind::Rtf), maximum);
    int position = 0;
    const TOptionDesc* settings = outline.settings();
    OutputEngine::Walk(outline, root, [&](TOutlineNode* node, TOutlineNode* walkRoot) {
        ++position;
        if (progress && progress->itemStarting)
            progress->itemStarting(position, maximum);
        const std::unique_ptr<QTextDocument> filled = tmpl.Fill(node, walkRoot, settings);
        end.movePosition(QTextCursor::End);
        if (tmpl.endsWithParagraph() && position > 1)
            end.insertBlock();
        end.insertFragment(QTextDocumentFragment(filled.get()));
        if (progress && progress->itemWritten)
            progress->itemWritten();
    });

    const QByteArray bytes = Rtf::write(result);
    if (!out.write(bytes) || !out.commit())
        throw EOutputError(EOutputError::writeMessage(destination, out.errorString()));
}
