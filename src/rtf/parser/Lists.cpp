// Lists: the list table with each level's number format, the overrides
// that \ls refers to, old-style \pn bullets, and the shown mark of a
// list item (a bullet makes the paragraph a list item, a number stays text).
#include "rtf/parser/ParserState.h"

#include <algorithm>

namespace Rtf::detail {

ListKind listKind(int nfc, QChar glyph) {
    switch (nfc) {
    case 0:
        return ListKind::Decimal;
    case 1:
        return ListKind::UpperRoman;
    case 2:
        return ListKind::LowerRoman;
    case 3:
        return ListKind::UpperAlpha;
    case 4:
        return ListKind::LowerAlpha;
    case -1:
    case 23:
    case 255:
        break;
    default:
        return ListKind::Decimal;
    }
    switch (glyph.unicode()) {
    case 0x2022:
    case 0x00B7:
    case 0x25CF:
        return ListKind::Disc;
    case 0x25E6:
    case 0x25CB:
    case 'o':
        return ListKind::Circle;
    case 0x25AA:
    case 0x25A0:
    case 0x00A7:
        return ListKind::Square;
    default:
        return ListKind::Default;
    }
}

ParaState Parser::shownPara(const ParaState& para) {
    ParaState p = para;
    if (m_numbered)
        p.bullet = false; // numbered: the number is in the text already
    if (p.bullet)
        p.listKind = listKind(levelFormat(p), m_markGlyph);
    if (m_pageNext) {
        p.pageBreakBefore = true;
        m_pageNext = false;
    }
    return p;
}

void Parser::markChars(QStringView chars) {
    if (!m_markBytes.isEmpty()) {
        m_mark += m_codePages.decode(m_markCp, m_markBytes);
        m_markBytes.clear();
    }
    m_mark.append(chars);
}

void Parser::finishMark() {
    markChars({});
    QString mark = std::move(m_mark);
    m_mark.clear();
    // Word's hollow bullet is the letter o in a symbol-like face.
    const bool number =
        mark.trimmed() != QLatin1String("o") &&
        std::any_of(mark.cbegin(), mark.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    if (m_stack.empty() || top().dest != Dest::Text)
        return;
    if (!number) {
        const QString glyph = mark.trimmed();
        if (!glyph.isEmpty())
            m_markGlyph = glyph.at(0);
        return;
    }
    m_numbered = true;
    sanitize(mark);
    appendChars(mark);
}

int Parser::levelFormat(const ParaState& para) const {
    const auto list = m_listDefs.constFind(m_overrides.value(para.listOverride, -1));
    if (para.listOverride <= 0 || list == m_listDefs.constEnd() || list->isEmpty())
        return -1;
    return list->at(std::min<qsizetype>(para.listLevel, list->size() - 1));
}

void Parser::commitListDef() {
    if (m_defActive && m_defListId >= 0 && m_listDefs.size() < 10000)
        m_listDefs.insert(m_defListId, m_defLevels);
    m_defActive = false;
    m_defLevels.clear();
    m_defListId = -1;
}

void Parser::markBytes(QByteArrayView bytes) {
    const int cp = currentCodePage();
    if (cp != m_markCp)
        markChars({});
    m_markCp = cp;
    m_markBytes.append(bytes);
}

void Parser::listControl(Op op, const Token& t) {
    Group& g = top();
    const int p = t.param;
    switch (op) {
    case Op::Ls:
        if (g.dest == Dest::ListOverrides) {
            if (t.hasParam && m_overrides.size() < 10000)
                m_overrides.insert(p, m_overrideListId);
            break;
        }
        g.para.bullet = t.hasParam && p > 0;
        g.para.listOverride = std::max(0, p);
        break;
    case Op::ListDef:
        if (g.dest == Dest::ListTable) {
            commitListDef();
            m_defActive = true;
        }
        break;
    case Op::ListLevelDef:
        if (g.dest == Dest::ListTable && m_defLevels.size() <= kMaxListLevel)
            m_defLevels.append(0);
        break;
    case Op::ListId:
        if (g.dest == Dest::ListTable)
            m_defListId = p;
        else if (g.dest == Dest::ListOverrides)
            m_overrideListId = p;
        break;
    case Op::LevelNfc:
        if (g.dest == Dest::ListTable && !m_defLevels.isEmpty())
            m_defLevels.last() = quint8(clampInt(p, 0, 255));
        break;
    case Op::Ilvl:
        g.para.listLevel = clampInt(p, 0, kMaxListLevel);
        break;
    case Op::PnLevel:
        if (g.dest == Dest::Pn && m_overflow == 0 && m_stack.size() >= 2) {
            m_stack[m_stack.size() - 2].para.bullet = true;
            m_stack[m_stack.size() - 2].para.listLevel = clampInt(p - 1, 0, kMaxListLevel);
        }
        break;
    case Op::PnBullet:
    case Op::PnNoBullet:
        if (g.dest == Dest::Pn && m_overflow == 0 && m_stack.size() >= 2)
            m_stack[m_stack.size() - 2].para.bullet = (op == Op::PnBullet);
        break;
    default:
        break;
    }
}

} // namespace Rtf::detail
