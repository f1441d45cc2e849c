// The reader's core: text and paragraphs out to the sink (or the table
// cell being read), and each control word handed to the part that owns it
// (see parser/ParserState.h for the parts).
#include "rtf/RtfParser.h"

#include "rtf/parser/ParserState.h"

namespace Rtf {

const FontInfo* Tables::font(int index) const {
    auto it = fonts.constFind(index < 0 ? defaultFont : index);
    return it == fonts.constEnd() ? nullptr : &it.value();
}

void replay(const std::vector<SinkEvent>& events, Sink& sink) {
    for (const SinkEvent& e : events) {
        switch (e.kind) {
        case SinkEvent::Kind::Text:
            sink.text(e.text, e.ch);
            break;
        case SinkEvent::Kind::Picture:
            sink.picture(e.picture, e.ch);
            break;
        case SinkEvent::Kind::Paragraph:
            sink.formatParagraph(e.para);
            break;
        case SinkEvent::Kind::Break:
            sink.breakParagraph();
            break;
        }
    }
}

bool looksLikeRtf(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

namespace detail {

void sanitize(QString& s) {
    bool clean = true;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC ||
            QChar::isSurrogate(u)) {
            clean = false;
            break;
        }
    }
    if (clean)
        return;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s.at(i).unicode();
        if (u == '\t') {
            out.append(QChar(u));
        } else if (u < 0x20 || u == 0x7F) {
            continue;
        } else if (u == 0x2029) {
            out.append(QChar(QChar::LineSeparator));
        } else if (u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else if (QChar::isHighSurrogate(u) && i + 1 < s.size() &&
                   QChar::isLowSurrogate(s.at(i + 1).unicode())) {
            out.append(s.at(i));
            out.append(s.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(u)) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else {
            out.append(QChar(u));
        }
    }
    s = std::move(out);
}

int Parser::currentCodePage() const {
    const Group& g = m_stack.back();
    const int east = g.ch.runType == RunType::Dbch && g.ch.east.font >= 0 ? g.ch.east.font : -2;
    CodePageLookup& c = m_cpLookup;
    if (c.eastFont == east && c.font == g.ch.font && c.defaultFont == m_tables.defaultFont &&
        c.ansi == m_tables.ansiCodePage && c.revision == m_tables.fontRevision)
        return c.codePage;
    c = CodePageLookup{east,
                       g.ch.font,
                       m_tables.defaultFont,
                       m_tables.ansiCodePage,
                       m_tables.fontRevision,
                       m_tables.ansiCodePage};
    const FontInfo* f = east >= 0 ? m_tables.font(east) : nullptr;
    if (!f)
        f = m_tables.font(g.ch.font);
    if (f)
        c.codePage = f->codePage;
    return c.codePage;
}

void Parser::flushBytes() {
    if (m_bytes.isEmpty())
        return;
    m_text += m_codePages.decode(m_bytesCp, m_bytes);
    m_bytes.clear();
}

void Parser::flushText() {
    flushBytes();
    if (m_text.isEmpty())
        return;
    sanitize(m_text);
    if (!m_text.isEmpty()) {
        if (inNote()) {
            if (m_notes.size() < 100000)
                m_notes.push_back(NoteRun{m_text, m_textFormat, std::nullopt, false});
            m_text.clear();
            return;
        }
        if (m_pendingBreak) {
            m_out->breakParagraph();
            m_pendingBreak = false;
        }
        m_out->text(m_text, m_textFormat);
        m_paraEmpty = false;
    }
    m_text.clear();
}

void Parser::syncFormat() {
    if (!m_formatDirty)
        return;
    m_formatDirty = false;
    if (top().ch != m_textFormat) {
        flushText();
        m_textFormat = top().ch;
    }
}

void Parser::appendBytes(QByteArrayView bytes) {
    beginContent();
    syncFormat();
    const int cp = currentCodePage();
    if (cp != m_bytesCp) {
        flushBytes();
        m_bytesCp = cp;
    }
    m_bytes.append(bytes);
}

void Parser::appendChars(QStringView chars) {
    beginContent();
    syncFormat();
    flushBytes();
    m_text.append(chars);
}

void Parser::paragraph() {
    checkTable();
    endParagraph();
}

void Parser::endParagraph() {
    flushText();
    if (inNote()) {
        m_notes.push_back(NoteRun{{}, {}, std::nullopt, true});
        return;
    }
    if (m_pendingBreak)
        m_out->breakParagraph();
    m_out->formatParagraph(shownPara(top().para));
    emitNotes();
    m_numbered = false;
    m_markGlyph = QChar();
    m_pendingBreak = true;
    m_paraEmpty = true;
}

bool Parser::paragraphEmpty() const {
    return m_paraEmpty && m_text.isEmpty() && m_bytes.isEmpty();
}

void Parser::controlWord(const Token& t) {
    const auto& table = controlTable();
    const auto it = table.find(std::string_view(t.word.data(), size_t(t.word.size())));
    Group& g = top();
    const bool star = g.star;
    g.star = false;
    if (g.dest == Dest::Skip) {
        if (it != table.end() && it->second.op == Op::Bin)
            m_tok.takeBinary(t.hasParam ? t.param : 0);
        return;
    }
    if (g.dest == Dest::UprChild) {
        // Of the two versions, only the Unicode one is read.
        if (it != table.end() && it->second.op == Op::Ud)
            g.dest = g.uprParent;
        else
            g.dest = Dest::Skip;
        return;
    }
    if (it == table.end()) {
        if (star)
            g.dest = Dest::Skip;
        return;
    }
    const Op op = it->second.op;
    if (isDestination(op)) {
        // Only the body opens new destinations; fonts, colours and
        // pictures hold none we read.
        if (g.dest == Dest::Text || op == Op::DestSkip) {
            if (op == Op::DestPict && !beginPicture(t))
                return;
            destination(op);
        } else if (star)
            g.dest = Dest::Skip;
        return;
    }
    if (star && !(g.dest == Dest::StyleEntry && (op == Op::CharStyle || op == Op::OtherStyle))) {
        g.dest = Dest::Skip;
        return;
    }
    // A picture's group speaks of the picture only: a cell edge or a break
    // in it (a damaged file's) must not reach the text around it, or a kept
    // picture written back would change the table it stands in.
    if (g.dest == Dest::Pict && !isPictureOp(op))
        return;
    m_formatDirty = true;
    const Entry& e = it->second;
    if (op <= Op::Char)
        contentControl(op, t, e);
    else if (op <= Op::Blue)
        formatControl(op, t);
    else if (op <= Op::BorderColor)
        tableControl(op, t, e);
    else if (op <= Op::PnLevel)
        listControl(op, t);
    else if (op == Op::FootnoteMark)
        noteMark();
    else
        pictureControl(op, t, e);
}

void Parser::contentControl(Op op, const Token& t, const Entry& e) {
    Group& g = top();
    const int p = t.param;
    switch (op) {
    case Op::Ansi:
        m_tables.ansiCodePage = 1252;
        break;
    case Op::Mac:
        m_tables.ansiCodePage = 10000;
        break;
    case Op::Pc:
        m_tables.ansiCodePage = 437;
        break;
    case Op::Pca:
        m_tables.ansiCodePage = 850;
        break;
    case Op::AnsiCpg:
        if (t.hasParam && p > 0 && p < 100000)
            m_tables.ansiCodePage = p;
        break;
    case Op::Deff:
        if (t.hasParam)
            m_tables.defaultFont = p;
        break;
    case Op::Uc:
        g.uc = quint8(clampInt(t.hasParam ? p : 1, 0, kMaxUc));
        break;
    case Op::U:
        if (t.hasParam)
            unicodeChar(p);
        m_ucSkip = top().uc;
        break;
    case Op::Bin: {
        const QByteArrayView data = m_tok.takeBinary(t.hasParam ? p : 0);
        if (g.dest == Dest::Pict)
            m_pict.data.append(data);
        break;
    }
    case Op::Par:
        if (g.dest == Dest::Text)
            paragraph();
        break;
    case Op::Line:
        if (g.dest == Dest::Text && !g.ch.hidden)
            appendChars(u"\u2028");
        break;
    case Op::Tab:
        if (g.dest == Dest::Text && !g.ch.hidden)
            appendChars(u"\t");
        else if (g.dest == Dest::ListText)
            markChars(u"\t");
        break;
    case Op::Page:
        // A break in an empty paragraph moves that paragraph to a new page.
        if (g.dest == Dest::Text && !inNote()) {
            if (!paragraphEmpty())
                paragraph();
            m_pageNext = true;
        }
        break;
    case Op::Char:
        if (g.dest == Dest::Text && !g.ch.hidden) {
            const QChar c(e.value);
            appendChars(QStringView(&c, 1));
        } else if (g.dest == Dest::ListText) {
            const QChar c(e.value);
            markChars(QStringView(&c, 1));
        }
        break;
    default:
        break;
    }
}

} // namespace detail

ParseResult parse(QByteArrayView rtf, Sink& sink, Tables& tables) {
    tables = Tables();
    // The same test as isRtf(), so that no caller takes bytes for RTF that
    // another refuses.
    if (!looksLikeRtf(rtf)) {
        ParseResult refused;
        refused.ok = false;
        refused.error = rtf.trimmed().isEmpty()
                            ? QStringLiteral("RTF: データが空です。")
                            : QStringLiteral("RTF: データが「{\\rtf」で始まっていないため、"
                                             "RTF として読めません。");
        return refused;
    }
    detail::Parser parser(rtf.sliced(rtf.indexOf('{')), sink, tables);
    return parser.run();
}

} // namespace Rtf
