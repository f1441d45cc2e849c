// The token loop and the group stack: each group's formats and destination
// (where its text goes: the page, the font or colour table, a picture, a field
// instruction, a list mark), and what a group does as it closes.
#include "rtf/parser/ParserState.h"

#include <algorithm>

namespace Rtf::detail {

void Parser::push() {
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    Group g = m_stack.empty() ? Group() : m_stack.back();
    g.star = false;
    if (g.dest == Dest::Upr)
        g.dest = Dest::UprChild;
    else if (g.dest == Dest::UprChild)
        g.dest = Dest::Skip;
    if (g.dest == Dest::StyleSheet) {
        // A style's properties start from the defaults.
        g.dest = Dest::StyleEntry;
        g.ch = CharState();
        g.para = ParaState();
        m_styleKind = StyleKind::None;
    }
    m_stack.push_back(std::move(g));
}

void Parser::pop() {
    m_ucSkip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    endNote();
    const Dest closing = top().dest;
    const Dest parent = m_stack.size() > 1 ? m_stack[m_stack.size() - 2].dest : Dest::Skip;
    if (closing == Dest::FontTable)
        commitFont();
    if (closing == Dest::Pict && parent != Dest::Pict)
        keepPictureSource();
    if (closing == Dest::StyleEntry && parent == Dest::StyleSheet)
        commitStyle(top());
    if (m_stack.size() == 1)
        m_finalPara = top().para;
    m_stack.pop_back();
    m_formatDirty = true;
    if (closing == Dest::Pict && parent != Dest::Pict)
        finishPicture(m_stack.empty() ? CharState() : top().ch);
    if (closing == Dest::ListText && parent != Dest::ListText)
        finishMark();
    if (closing == Dest::FieldInst && parent != Dest::FieldInst)
        finishFieldInst();
    if (closing == Dest::ListTable && parent != Dest::ListTable)
        commitListDef();
}

void Parser::destination(Op op) {
    Group& g = top();
    switch (op) {
    case Op::DestFontTable:
        g.dest = Dest::FontTable;
        break;
    case Op::DestColorTable:
        g.dest = Dest::ColorTable;
        m_color = 0;
        m_colorSet = false;
        break;
    case Op::DestSkip:
        g.dest = Dest::Skip;
        break;
    case Op::DestText:
        break;
    case Op::DestPict:
        g.dest = Dest::Pict;
        m_pict = PendingPicture();
        break;
    case Op::DestListText:
        g.dest = Dest::ListText;
        m_mark.clear();
        m_markBytes.clear();
        break;
    case Op::DestFieldInst:
        g.dest = Dest::FieldInst;
        m_fieldInst.clear();
        m_fieldBytes.clear();
        break;
    case Op::DestFieldResult:
        if (g.skipResult)
            g.dest = Dest::Skip;
        break;
    case Op::DestFootnote:
        beginNote();
        break;
    case Op::DestListTable:
        g.dest = Dest::ListTable;
        break;
    case Op::DestListOverrides:
        g.dest = Dest::ListOverrides;
        break;
    case Op::DestStyleSheet:
        g.dest = Dest::StyleSheet;
        break;
    case Op::DestPn:
        g.dest = Dest::Pn;
        // The bullet belongs to the paragraph around this group.
        if (m_overflow == 0 && m_stack.size() >= 2)
            m_stack[m_stack.size() - 2].para.bullet = true;
        break;
    case Op::Upr:
        g.uprParent = g.dest;
        g.dest = Dest::Upr;
        break;
    case Op::Ud:
        break;
    default:
        break;
    }
}

void Parser::textBytes(QByteArrayView bytes) {
    Group& g = top();
    switch (g.dest) {
    case Dest::Text:
        if (!g.ch.hidden)
            appendBytes(bytes);
        break;
    case Dest::FontTable:
        fontTableBytes(bytes);
        break;
    case Dest::ColorTable:
        colorTableBytes(bytes);
        break;
    case Dest::Pict:
        pictureBytes(bytes);
        break;
    case Dest::UprChild:
        g.dest = Dest::Skip;
        break;
    case Dest::ListText:
        markBytes(bytes);
        break;
    case Dest::FieldInst:
        fieldBytes(bytes);
        break;
    default:
        break;
    }
}

void Parser::unicodeChar(int code) {
    if (code < 0)
        code += 65536;
    char16_t u = (code < 0 || code > 0xFFFF) ? char16_t(0xFFFD) : char16_t(code);
    if (u == 0)
        return;
    const QChar c(u);
    switch (top().dest) {
    case Dest::Text:
        if (!top().ch.hidden)
            appendChars(QStringView(&c, 1));
        break;
    case Dest::ListText:
        markChars(QStringView(&c, 1));
        break;
    case Dest::FieldInst:
        fieldChar(c);
        break;
    case Dest::FontTable:
        if (m_font.active) {
            flushFontBytes();
            m_font.name.append(c);
        }
        break;
    default:
        break;
    }
}

void Parser::controlSymbol(const Token& t) {
    Group& g = top();
    if (t.value == '*') {
        g.star = true;
        return;
    }
    if (g.dest == Dest::UprChild)
        g.dest = Dest::Skip;
    if (g.dest != Dest::Text || g.ch.hidden)
        return;
    if (t.value == '~')
        appendChars(u"\u00A0");
    else if (t.value == '-')
        appendChars(u"\u00AD");
    else if (t.value == '_')
        appendChars(u"\u2011");
}

ParseResult Parser::run() {
    ParseResult result;
    m_tok.next(); // the outer group's brace
    push();
    m_tok.next(); // \rtfN
    while (!m_tok.atEnd()) {
        Token t = m_tok.next();
        if (m_ucSkip > 0) {
            // The fallback after \uN: \'xx, one text byte and any control
            // count as one character each; a brace ends the skipping.
            switch (t.type) {
            case Token::Text: {
                const qsizetype k = std::min<qsizetype>(m_ucSkip, t.text.size());
                m_ucSkip -= int(k);
                t.text = t.text.sliced(k);
                if (t.text.isEmpty())
                    continue;
                break;
            }
            case Token::HexByte:
            case Token::ControlSymbol:
                --m_ucSkip;
                continue;
            case Token::ControlWord:
                --m_ucSkip;
                if (t.word == "bin" && t.hasParam)
                    m_tok.takeBinary(t.param);
                continue;
            default:
                m_ucSkip = 0;
                break;
            }
        }
        switch (t.type) {
        case Token::GroupStart:
            m_ucSkip = 0;
            push();
            if (m_overflow == 0)
                top().start = m_tok.position() - 1;
            break;
        case Token::GroupEnd:
            pop();
            if (m_stack.empty() && m_overflow == 0) {
                // The document ends with its outer group; trailing bytes
                // (RichEdit writes a NUL) are not part of it.
                flushText();
                if (m_tableOpen)
                    endTable();
                if (!m_pendingBreak)
                    m_sink.lastParagraph(shownPara(m_finalPara));
                emitNotes();
                return result;
            }
            break;
        case Token::ControlWord:
            controlWord(t);
            break;
        case Token::ControlSymbol:
            controlSymbol(t);
            break;
        case Token::HexByte: {
            // Text outside ASCII is all escapes; a run of them goes on as
            // one piece, as plain text does.
            char run[256];
            qsizetype n = 0;
            run[n++] = char(t.value);
            unsigned char b = 0;
            while (n < qsizetype(sizeof run) && m_tok.nextHexByte(&b))
                run[n++] = char(b);
            textBytes(QByteArrayView(run, n));
            break;
        }
        case Token::Text:
            textBytes(t.text);
            break;
        case Token::End:
            break;
        }
    }
    flushText();
    m_noteDepth = 0; // a note cut off by the end is shown as far as it goes
    if (m_tableOpen)
        endTable();
    if (!m_pendingBreak)
        m_sink.lastParagraph(shownPara(top().para));
    emitNotes();
    result.ok = false;
    result.error = QStringLiteral("RTF: グループの途中でデータが終わっています。");
    return result;
}

} // namespace Rtf::detail
