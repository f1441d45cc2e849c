// Footnotes: gathered while read and shown as paragraphs of their own
// after the paragraph that refers to them, numbered where \chftn stands.
#include "rtf/parser/ParserState.h"

#include <algorithm>

namespace Rtf::detail {

void Parser::beginNote() {
    if (!inNote() && m_overflow == 0) {
        syncFormat();
        flushText();
        m_noteDepth = m_stack.size();
    }
}

// Called as a group closes, before it leaves the stack.
void Parser::endNote() {
    if (m_noteDepth == m_stack.size()) {
        flushText();
        m_noteDepth = 0;
        m_notes.push_back(NoteRun{{}, {}, std::nullopt, true});
    }
}

void Parser::noteMark() {
    if (top().dest == Dest::Text && !top().ch.hidden) {
        if (!inNote() && m_noteCount < 1000000)
            ++m_noteCount;
        appendChars(QString::number(std::max(1, m_noteCount)));
    }
}

void Parser::emitNotes() {
    bool open = false;
    for (const NoteRun& r : m_notes) {
        if (r.paragraphEnd) {
            if (open)
                m_out->formatParagraph(ParaState());
            open = false;
            continue;
        }
        if (!open)
            m_out->breakParagraph();
        open = true;
        if (r.picture)
            m_out->picture(*r.picture, r.ch);
        else
            m_out->text(r.text, r.ch);
    }
    if (open)
        m_out->formatParagraph(ParaState());
    m_notes.clear();
}

} // namespace Rtf::detail
