#pragma once

#include "output/OutputEngine.h"

#include <QByteArray>

#include <memory>

class QTextDocument;

namespace OutputEngine {

// An RTF template: loaded once, copied for every item and filled by edits of
// the rich text, so that each expansion keeps the formatting of its macro.
class TRtfTemplate {
public:
    // A file that is not RTF is taken as plain cp932 text. Throws
    // EOutputError (naming path) when the RTF cannot be read.
    TRtfTemplate(const QByteArray& bytes, const QString& path);
    ~TRtfTemplate();

    const QTextDocument& document() const { return *m_doc; }
    // The template's text ends with a paragraph mark, which the document
    // does not show as a block of its own: filled copies are then whole
    // paragraphs and follow each other as such.
    bool endsWithParagraph() const { return m_endsWithParagraph; }
    // The template filled for one item. Throws EOutputError when the item's
    // page cannot be expanded.
    std::unique_ptr<QTextDocument> Fill(TOutlineNode* node, TOutlineNode* walkRoot,
                                        const TOptionDesc* settings) const;

private:
    std::unique_ptr<QTextDocument> m_doc;
    bool m_endsWithParagraph = false;
};

} // namespace OutputEngine

// As ExportText, through an RTF template, writing one RTF document. Needs a
// QGuiApplication (fonts). Throws EOutputError.
void ExportRtf(TOutline& outline, TOutlineNode* root, const QString& destination,
               const QString& templatePath, const TOutputProgress* progress = nullptr);
