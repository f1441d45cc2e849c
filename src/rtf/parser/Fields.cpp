// Fields: the instruction is gathered and read when its group closes; a
// hyperlink's target goes on the runs of its result, a symbol is shown in
// place of whatever result was stored with it.
#include "rtf/parser/ParserState.h"

namespace Rtf {

QString hyperlinkTarget(const QString& instruction) {
    const QString s = instruction.trimmed();
    if (!s.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return {};
    QString url;
    QString bookmark;
    qsizetype i = 9;
    const qsizetype n = s.size();
    auto argument = [&]() {
        while (i < n && s[i].isSpace())
            ++i;
        QString out;
        if (i < n && s[i] == QLatin1Char('"')) {
            for (++i; i < n && s[i] != QLatin1Char('"'); ++i) {
                if (s[i] == QLatin1Char('\\') && i + 1 < n &&
                    (s[i + 1] == QLatin1Char('\\') || s[i + 1] == QLatin1Char('"')))
                    ++i;
                out.append(s[i]);
            }
            ++i;
        } else {
            for (; i < n && !s[i].isSpace(); ++i)
                out.append(s[i]);
        }
        return out;
    };
    while (true) {
        while (i < n && s[i].isSpace())
            ++i;
        if (i >= n)
            break;
        if (s[i] == QLatin1Char('\\') && i + 1 < n) {
            const QChar sw = s[i + 1].toLower();
            i += 2;
            if (sw == QLatin1Char('l'))
                bookmark = argument();
            else if (sw == QLatin1Char('o') || sw == QLatin1Char('t'))
                argument();
            continue;
        }
        const QString a = argument();
        if (url.isEmpty())
            url = a;
    }
    if (!bookmark.isEmpty())
        url += QLatin1Char('#') + bookmark;
    return url;
}

SymbolField symbolField(const QString& instruction) {
    SymbolField out;
    const QStringList words = instruction.simplified().split(QLatin1Char(' '));
    if (words.size() < 2 || words[0].compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0)
        return out;
    bool ok = false;
    const QString& n = words[1];
    const int code = n.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                         ? n.mid(2).toInt(&ok, 16)
                         : n.toInt(&ok, 10);
    if (!ok || code <= 0 || code > 0xFFFF)
        return out;
    out.code = code;
    for (qsizetype i = 2; i < words.size(); ++i) {
        if (words[i].compare(QLatin1String("\\u"), Qt::CaseInsensitive) == 0)
            out.unicode = true;
        else if (words[i].compare(QLatin1String("\\f"), Qt::CaseInsensitive) == 0 &&
                 i + 1 < words.size()) {
            // The face may be quoted and hold spaces.
            QString face = words[++i];
            if (face.startsWith(QLatin1Char('"'))) {
                while (!face.endsWith(QLatin1Char('"')) && i + 1 < words.size())
                    face += QLatin1Char(' ') + words[++i];
                face = face.mid(
                    1, face.size() - (face.size() > 1 && face.endsWith(QLatin1Char('"')) ? 2 : 1));
            }
            out.font = face;
        }
    }
    return out;
}

namespace detail {

void Parser::fieldBytes(QByteArrayView bytes) {
    const int cp = currentCodePage();
    if (cp != m_fieldCp) {
        m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
        m_fieldBytes.clear();
        m_fieldCp = cp;
    }
    // An instruction is short; a huge one is no hyperlink.
    if (m_fieldBytes.size() + m_fieldInst.size() < 65536)
        m_fieldBytes.append(bytes);
}

void Parser::fieldChar(QChar c) {
    m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
    m_fieldBytes.clear();
    m_fieldInst.append(c);
}

void Parser::finishFieldInst() {
    m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
    m_fieldBytes.clear();
    QString target = hyperlinkTarget(m_fieldInst);
    const SymbolField symbol = symbolField(m_fieldInst);
    m_fieldInst.clear();
    if (m_stack.empty() || m_overflow > 0)
        return;
    if (symbol.code > 0 && top().dest == Dest::Text && !top().ch.hidden) {
        // A word processor shows the symbol itself, whatever result was
        // stored with it.
        QString c;
        if (symbol.code < 256 && !symbol.unicode)
            c = m_codePages.decode(m_tables.ansiCodePage, QByteArray(1, char(symbol.code)));
        else if (symbol.code < 0x10000)
            c = QString(QChar(char16_t(symbol.code)));
        sanitize(c);
        if (!c.isEmpty()) {
            Group& g = top();
            const int font = g.ch.font;
            for (auto it = m_tables.fonts.constBegin(); it != m_tables.fonts.constEnd(); ++it)
                if (!symbol.font.isEmpty() &&
                    it->name.compare(symbol.font, Qt::CaseInsensitive) == 0)
                    g.ch.font = it.key();
            m_formatDirty = true;
            appendChars(c);
            g.ch.font = font;
            m_formatDirty = true;
            g.skipResult = true;
        }
        return;
    }
    if (target.isEmpty())
        return;
    sanitize(target);
    // The field's result, read next, inherits the link from the field group.
    m_tables.links.append(target);
    top().ch.link = int(m_tables.links.size());
}

} // namespace detail
} // namespace Rtf
