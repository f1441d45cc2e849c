// Character and paragraph formats, the font and colour tables, and the
// style sheet whose entries paragraphs and runs are based on.
#include "rtf/parser/ParserState.h"

namespace Rtf {

CharState eastLook(const CharState& ch) {
    CharState e = ch;
    if (ch.east.font >= 0)
        e.font = ch.east.font;
    if (ch.east.sizeHalfPoints > 0)
        e.sizeHalfPoints = ch.east.sizeHalfPoints;
    if (ch.east.bold >= 0)
        e.bold = ch.east.bold != 0;
    if (ch.east.italic >= 0)
        e.italic = ch.east.italic != 0;
    e.east = EastState();
    e.runType = RunType::None;
    return e;
}

namespace detail {

namespace {

template <typename T> void baseField(T& own, const T& base, const T& unset) {
    if (own == unset)
        own = base;
}

} // namespace

void baseOn(ParaState& own, const ParaState& base) {
    const ParaState d;
    if (own.tabs.isEmpty())
        own.tabs = base.tabs;
    baseField(own.firstIndent, base.firstIndent, d.firstIndent);
    baseField(own.leftIndent, base.leftIndent, d.leftIndent);
    baseField(own.rightIndent, base.rightIndent, d.rightIndent);
    baseField(own.spaceBefore, base.spaceBefore, d.spaceBefore);
    baseField(own.spaceAfter, base.spaceAfter, d.spaceAfter);
    if (own.lineSpacing == d.lineSpacing) {
        own.lineSpacing = base.lineSpacing;
        own.lineMultiple = base.lineMultiple;
    }
    if (!own.bullet && base.bullet) {
        own.bullet = true;
        own.listLevel = base.listLevel;
        own.listOverride = base.listOverride;
        own.listKind = base.listKind;
    }
    baseField(own.align, base.align, d.align);
    own.pageBreakBefore = own.pageBreakBefore || base.pageBreakBefore;
}

void baseOn(CharState& own, const CharState& base) {
    const CharState d;
    baseField(own.font, base.font, d.font);
    baseField(own.sizeHalfPoints, base.sizeHalfPoints, d.sizeHalfPoints);
    baseField(own.fg, base.fg, d.fg);
    baseField(own.bg, base.bg, d.bg);
    if (own.valign == d.valign && own.offsetHalfPoints == d.offsetHalfPoints) {
        own.valign = base.valign;
        own.offsetHalfPoints = base.offsetHalfPoints;
    }
    own.bold = own.bold || base.bold;
    own.italic = own.italic || base.italic;
    own.underline = own.underline || base.underline;
    own.strike = own.strike || base.strike;
    own.hidden = own.hidden || base.hidden;
    if (!own.east.isSet())
        own.east = base.east;
}

void Parser::commitStyle(const Group& g) {
    constexpr qsizetype kMaxStyles = 10000;
    QHash<int, Group>& styles = m_styleKind == StyleKind::Paragraph ? m_paraStyles : m_charStyles;
    if (m_styleKind == StyleKind::None && m_paraStyles.isEmpty())
        m_paraStyles.insert(0, g); // an entry without a number is the normal style
    else if ((m_styleKind == StyleKind::Paragraph || m_styleKind == StyleKind::Character) &&
             styles.size() < kMaxStyles)
        styles.insert(m_styleId, g);
    m_styleKind = StyleKind::None;
}

int Parser::fontCodePage() const {
    return m_font.cpg > 0 ? m_font.cpg : codePageForCharset(m_font.charset, m_tables.ansiCodePage);
}

void Parser::flushFontBytes() {
    m_font.name += m_codePages.decode(fontCodePage(), m_font.bytes);
    m_font.bytes.clear();
}

void Parser::commitFont() {
    if (!m_font.active)
        return;
    flushFontBytes();
    QString name = std::move(m_font.name);
    sanitize(name);
    m_tables.fonts.insert(m_font.id, FontInfo{name.trimmed(), m_font.charset, fontCodePage()});
    ++m_tables.fontRevision;
    m_font = PendingFont();
}

void Parser::fontTableBytes(QByteArrayView bytes) {
    for (char c : bytes) {
        if (c == ';')
            commitFont();
        else if (m_font.active)
            m_font.bytes.append(c);
    }
}

void Parser::colorTableBytes(QByteArrayView bytes) {
    for (char c : bytes) {
        if (c != ';')
            continue;
        m_tables.colors.append(m_colorSet ? (0xFF000000u | m_color) : 0u);
        m_color = 0;
        m_colorSet = false;
    }
}

void Parser::formatControl(Op op, const Token& t) {
    Group& g = top();
    const int p = t.param;
    const bool on = !t.hasParam || p != 0;
    switch (op) {
    case Op::Plain:
        g.ch = CharState();
        break;
    case Op::Bold:
        g.ch.bold = on;
        break;
    case Op::Italic:
        g.ch.italic = on;
        break;
    case Op::Underline:
        g.ch.underline = on;
        break;
    case Op::UnderlineNone:
        g.ch.underline = false;
        break;
    case Op::Strike:
        g.ch.strike = on;
        break;
    case Op::Hidden:
        g.ch.hidden = on;
        break;
    case Op::FontSize:
        g.ch.sizeHalfPoints = (t.hasParam && p > 0) ? clampInt(p, 2, kMaxHalfPoints) : 24;
        break;
    case Op::Font:
        if (g.dest == Dest::FontTable) {
            commitFont();
            m_font.active = true;
            m_font.id = p;
        } else if (t.hasParam) {
            g.ch.font = p;
            // After \dbch a word processor takes \f for the double-byte face.
            if (g.ch.runType == RunType::Dbch)
                g.ch.east.font = -1;
        }
        break;
    case Op::Fg:
        g.ch.fg = std::max(0, p);
        break;
    case Op::Bg:
        g.ch.bg = std::max(0, p);
        break;
    case Op::Up:
        g.ch.offsetHalfPoints = t.hasParam ? clampInt(p, 0, kMaxHalfPoints) : 6;
        g.ch.valign = g.ch.offsetHalfPoints > 0 ? VAlign::Super : VAlign::Normal;
        break;
    case Op::Dn:
        g.ch.offsetHalfPoints = -(t.hasParam ? clampInt(p, 0, kMaxHalfPoints) : 6);
        g.ch.valign = g.ch.offsetHalfPoints < 0 ? VAlign::Sub : VAlign::Normal;
        break;
    case Op::Super:
        g.ch.valign = VAlign::Super;
        g.ch.offsetHalfPoints = 0;
        break;
    case Op::Sub:
        g.ch.valign = VAlign::Sub;
        g.ch.offsetHalfPoints = 0;
        break;
    case Op::NoSuperSub:
        g.ch.valign = VAlign::Normal;
        g.ch.offsetHalfPoints = 0;
        break;
    case Op::Loch:
        g.ch.runType = RunType::Loch;
        break;
    case Op::Hich:
        g.ch.runType = RunType::Hich;
        break;
    case Op::Dbch:
        g.ch.runType = RunType::Dbch;
        break;
    case Op::Rtlch:
        g.ch.rtl = true;
        break;
    case Op::Ltrch:
        g.ch.rtl = false;
        break;
    case Op::AFont:
    case Op::ABold:
    case Op::AItalic:
    case Op::AFontSize:
        // Only the double-byte ones change what a page shows; those of
        // right-to-left and single-byte text repeat the run's own.
        if (g.ch.runType != RunType::Dbch || g.ch.rtl)
            break;
        if (op == Op::AFont && t.hasParam)
            g.ch.east.font = std::max(0, p);
        else if (op == Op::ABold)
            g.ch.east.bold = on ? 1 : 0;
        else if (op == Op::AItalic)
            g.ch.east.italic = on ? 1 : 0;
        else if (op == Op::AFontSize)
            g.ch.east.sizeHalfPoints = (t.hasParam && p > 0) ? clampInt(p, 2, kMaxHalfPoints) : 24;
        break;
    case Op::Pard:
        g.para = ParaState();
        m_tabKind = TabKind::Left;
        break;
    case Op::Ql:
        g.para.align = Align::Left;
        break;
    case Op::Qc:
        g.para.align = Align::Center;
        break;
    case Op::Qr:
        g.para.align = Align::Right;
        break;
    case Op::Qj:
        g.para.align = Align::Justify;
        break;
    case Op::Fi:
        g.para.firstIndent = clampInt(p, -kMaxTwips, kMaxTwips);
        break;
    case Op::Li:
        g.para.leftIndent = clampInt(p, -kMaxTwips, kMaxTwips);
        break;
    case Op::Ri:
        g.para.rightIndent = clampInt(p, -kMaxTwips, kMaxTwips);
        break;
    case Op::Sb:
        g.para.spaceBefore = clampInt(p, 0, kMaxTwips);
        break;
    case Op::Sa:
        g.para.spaceAfter = clampInt(p, 0, kMaxTwips);
        break;
    case Op::Sl:
        // Word writes \sl1000 or \sl0 for "single".
        g.para.lineSpacing = (!t.hasParam || p == 1000) ? 0 : clampInt(p, -kMaxTwips, kMaxTwips);
        break;
    case Op::SlMult:
        g.para.lineMultiple = on;
        break;
    case Op::Tx:
        if (t.hasParam && g.para.tabs.size() < kMaxTabs)
            g.para.tabs.append(TabStop{clampInt(p, 0, kMaxTwips), m_tabKind});
        m_tabKind = TabKind::Left;
        break;
    case Op::Tqr:
        m_tabKind = TabKind::Right;
        break;
    case Op::Tqc:
        m_tabKind = TabKind::Center;
        break;
    case Op::Tqdec:
        m_tabKind = TabKind::Decimal;
        break;
    case Op::PageBb:
        g.para.pageBreakBefore = on;
        break;
    case Op::ParaStyle:
    case Op::CharStyle:
    case Op::OtherStyle:
        if (g.dest == Dest::StyleEntry) {
            m_styleKind = op == Op::ParaStyle   ? StyleKind::Paragraph
                          : op == Op::CharStyle ? StyleKind::Character
                                                : StyleKind::Other;
            m_styleId = p;
        } else if (op != Op::OtherStyle) {
            // The style is the base; what the paragraph or run says itself
            // stays on top of it.
            const QHash<int, Group>& styles = op == Op::ParaStyle ? m_paraStyles : m_charStyles;
            const auto style = styles.constFind(p);
            if (style != styles.constEnd()) {
                if (op == Op::ParaStyle)
                    baseOn(g.para, style->para);
                baseOn(g.ch, style->ch);
            }
        }
        break;
    case Op::FCharset:
        if (g.dest == Dest::FontTable && m_font.active)
            m_font.charset = p;
        break;
    case Op::Cpg:
        if (g.dest == Dest::FontTable && m_font.active && p > 0 && p < 100000)
            m_font.cpg = p;
        break;
    case Op::Red:
        m_color = (m_color & 0x00FFFFu) | (quint32(clampInt(p, 0, 255)) << 16);
        m_colorSet = true;
        break;
    case Op::Green:
        m_color = (m_color & 0xFF00FFu) | (quint32(clampInt(p, 0, 255)) << 8);
        m_colorSet = true;
        break;
    case Op::Blue:
        m_color = (m_color & 0xFFFF00u) | quint32(clampInt(p, 0, 255));
        m_colorSet = true;
        break;
    default:
        break;
    }
}

} // namespace detail
} // namespace Rtf
