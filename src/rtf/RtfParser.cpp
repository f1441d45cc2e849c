#include "rtf/RtfParser.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace Rtf {

const FontInfo* Tables::font(int index) const {
    auto it = fonts.constFind(index < 0 ? defaultFont : index);
    return it == fonts.constEnd() ? nullptr : &it.value();
}

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

bool looksLikeRtf(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

namespace {

// Deeper groups still parse but share the state of the deepest kept one,
// so a file of nothing but braces cannot eat memory.
constexpr size_t kMaxDepth = 1000;
constexpr int kMaxUc = 16;
constexpr qsizetype kMaxTabs = 64;
constexpr int kMaxTwips = 200000;
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxListLevel = 8;

enum class Dest : quint8 {
    Text,
    Skip,
    FontTable,
    ColorTable,
    Pict,
    Pn,
    Upr,
    UprChild,
    ListText,
    FieldInst,
    ListTable,
    ListOverrides
};

enum class Op : quint8 {
    // destinations
    DestFontTable,
    DestColorTable,
    DestSkip,
    DestText,
    DestPict,
    DestPn,
    DestListText,
    DestFieldInst,
    DestFootnote,
    DestListTable,
    DestListOverrides,
    Upr,
    Ud,
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Bin,
    // character
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    FontSize,
    Font,
    Fg,
    Bg,
    Up,
    Dn,
    Super,
    Sub,
    NoSuperSub,
    Loch,
    Hich,
    Dbch,
    Rtlch,
    Ltrch,
    AFont,
    ABold,
    AItalic,
    AFontSize,
    // paragraph
    Pard,
    Ql,
    Qc,
    Qr,
    Qj,
    Fi,
    Li,
    Ri,
    Sb,
    Sa,
    Sl,
    SlMult,
    Tx,
    Tqr,
    Tqc,
    Tqdec,
    InTbl,
    PageBb,
    Ls,
    Ilvl,
    // content
    Par,
    Page,
    FootnoteMark,
    Line,
    Tab,
    Cell,
    Row,
    Char,
    // font table
    FCharset,
    Cpg,
    // colour table
    Red,
    Green,
    Blue,
    // picture
    PngBlip,
    JpegBlip,
    OtherBlip,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
    // old-style bullets
    PnBullet,
    PnNoBullet,
    PnLevel,
    // list table
    ListDef,
    ListLevelDef,
    ListId,
    LevelNfc,
};

bool isDestination(Op op) {
    return op <= Op::Ud;
}

struct Entry {
    Op op;
    char16_t value = 0;
};

const std::unordered_map<std::string_view, Entry>& controlTable() {
    static const std::unordered_map<std::string_view, Entry> table = [] {
        std::unordered_map<std::string_view, Entry> t;
        // Groups whose text is not shown on a page.
        for (const char* w : {"stylesheet",
                              "info",
                              "header",
                              "headerl",
                              "headerr",
                              "headerf",
                              "footer",
                              "footerl",
                              "footerr",
                              "footerf",
                              "annotation",
                              "nonshppict",
                              "nonesttables",
                              "shpinst",
                              "objdata",
                              "objclass",
                              "objname",
                              "revtbl",
                              "rsidtbl",
                              "filetbl",
                              "generator",
                              "xmlnstbl",
                              "themedata",
                              "colorschememapping",
                              "latentstyles",
                              "datastore",
                              "mmathPr",
                              "pgdsctbl",
                              "ftnsep",
                              "ftnsepc",
                              "ftncn",
                              "aftnsep",
                              "aftnsepc",
                              "aftncn",
                              "txe",
                              "xe",
                              "tc",
                              "rxe",
                              "do",
                              "bkmkstart",
                              "bkmkend",
                              "template",
                              "docvar",
                              "private",
                              "fldtype",
                              "formfield",
                              "datafield",
                              "pnseclvl",
                              "nesttableprops",
                              "background",
                              "userprops",
                              "passwordhash",
                              "protusertbl",
                              "blipuid",
                              "panose",
                              "falt",
                              "fname",
                              "comment",
                              "doccomm",
                              "title",
                              "subject",
                              "author",
                              "operator",
                              "keywords",
                              "company",
                              "category",
                              "manager",
                              "hlinkbase",
                              "creatim",
                              "revtim",
                              "printim",
                              "buptim",
                              "atnid",
                              "atnauthor",
                              "atndate",
                              "atnref",
                              "atrfstart",
                              "atrfend",
                              "sp",
                              "sn",
                              "sv",
                              "wgrffmtfilter",
                              "mhtmltag",
                              "htmltag",
                              "listpicture",
                              "picprop"})
            t[w] = {Op::DestSkip};
        for (const char* w : {"field", "fldrslt", "shppict", "shp", "shprslt", "object", "result",
                              "htmlrtf", "ltrpar", "rtlpar"})
            t[w] = {Op::DestText};
        t["fonttbl"] = {Op::DestFontTable};
        t["colortbl"] = {Op::DestColorTable};
        t["pict"] = {Op::DestPict};
        t["pn"] = {Op::DestPn};
        t["fldinst"] = {Op::DestFieldInst};
        t["listtable"] = {Op::DestListTable};
        t["listoverridetable"] = {Op::DestListOverrides};
        t["list"] = {Op::ListDef};
        t["listlevel"] = {Op::ListLevelDef};
        t["listid"] = {Op::ListId};
        t["levelnfc"] = {Op::LevelNfc};
        t["levelnfcn"] = {Op::LevelNfc};
        t["footnote"] = {Op::DestFootnote};
        t["chftn"] = {Op::FootnoteMark};
        t["pntext"] = {Op::DestListText};
        t["listtext"] = {Op::DestListText};
        t["upr"] = {Op::Upr};
        t["ud"] = {Op::Ud};

        t["ansi"] = {Op::Ansi};
        t["mac"] = {Op::Mac};
        t["pc"] = {Op::Pc};
        t["pca"] = {Op::Pca};
        t["ansicpg"] = {Op::AnsiCpg};
        t["deff"] = {Op::Deff};
        t["uc"] = {Op::Uc};
        t["u"] = {Op::U};
        t["bin"] = {Op::Bin};

        t["plain"] = {Op::Plain};
        t["b"] = {Op::Bold};
        t["i"] = {Op::Italic};
        for (const char* w : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                              "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                              "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t[w] = {Op::Underline};
        t["ulnone"] = {Op::UnderlineNone};
        t["strike"] = {Op::Strike};
        t["striked"] = {Op::Strike};
        t["v"] = {Op::Hidden};
        t["fs"] = {Op::FontSize};
        t["f"] = {Op::Font};
        t["cf"] = {Op::Fg};
        t["highlight"] = {Op::Bg};
        t["cb"] = {Op::Bg};
        t["chcbpat"] = {Op::Bg};
        t["up"] = {Op::Up};
        t["dn"] = {Op::Dn};
        t["super"] = {Op::Super};
        t["sub"] = {Op::Sub};
        t["nosupersub"] = {Op::NoSuperSub};
        t["loch"] = {Op::Loch};
        t["hich"] = {Op::Hich};
        t["dbch"] = {Op::Dbch};
        t["rtlch"] = {Op::Rtlch};
        t["ltrch"] = {Op::Ltrch};
        t["af"] = {Op::AFont};
        t["ab"] = {Op::ABold};
        t["ai"] = {Op::AItalic};
        t["afs"] = {Op::AFontSize};

        t["pard"] = {Op::Pard};
        t["ql"] = {Op::Ql};
        t["qc"] = {Op::Qc};
        t["qr"] = {Op::Qr};
        t["qj"] = {Op::Qj};
        t["fi"] = {Op::Fi};
        t["li"] = {Op::Li};
        t["ri"] = {Op::Ri};
        t["sb"] = {Op::Sb};
        t["sa"] = {Op::Sa};
        t["sl"] = {Op::Sl};
        t["slmult"] = {Op::SlMult};
        t["tx"] = {Op::Tx};
        t["tqr"] = {Op::Tqr};
        t["tqc"] = {Op::Tqc};
        t["tqdec"] = {Op::Tqdec};
        t["intbl"] = {Op::InTbl};
        t["ls"] = {Op::Ls};
        t["ilvl"] = {Op::Ilvl};

        t["par"] = {Op::Par};
        t["page"] = {Op::Page};
        t["sect"] = {Op::Par};
        t["pagebb"] = {Op::PageBb};
        t["line"] = {Op::Line};
        t["tab"] = {Op::Tab};
        t["cell"] = {Op::Cell};
        t["nestcell"] = {Op::Cell};
        t["row"] = {Op::Row};
        t["nestrow"] = {Op::Row};
        t["emdash"] = {Op::Char, 0x2014};
        t["endash"] = {Op::Char, 0x2013};
        t["emspace"] = {Op::Char, 0x2003};
        t["enspace"] = {Op::Char, 0x2002};
        t["qmspace"] = {Op::Char, 0x2005};
        t["bullet"] = {Op::Char, 0x2022};
        t["lquote"] = {Op::Char, 0x2018};
        t["rquote"] = {Op::Char, 0x2019};
        t["ldblquote"] = {Op::Char, 0x201C};
        t["rdblquote"] = {Op::Char, 0x201D};
        t["zwj"] = {Op::Char, 0x200D};
        t["zwnj"] = {Op::Char, 0x200C};
        t["ltrmark"] = {Op::Char, 0x200E};
        t["rtlmark"] = {Op::Char, 0x200F};

        t["fcharset"] = {Op::FCharset};
        t["cpg"] = {Op::Cpg};
        t["red"] = {Op::Red};
        t["green"] = {Op::Green};
        t["blue"] = {Op::Blue};

        t["pngblip"] = {Op::PngBlip};
        t["jpegblip"] = {Op::JpegBlip};
        for (const char* w :
             {"wmetafile", "emfblip", "macpict", "dibitmap", "wbitmap", "pmmetafile"})
            t[w] = {Op::OtherBlip};
        t["picw"] = {Op::PicW};
        t["pich"] = {Op::PicH};
        t["picwgoal"] = {Op::PicWGoal};
        t["pichgoal"] = {Op::PicHGoal};
        t["picscalex"] = {Op::PicScaleX};
        t["picscaley"] = {Op::PicScaleY};

        for (const char* w : {"pnlvlblt", "pnlvlbody"})
            t[w] = {Op::PnBullet};
        t["pnlvl"] = {Op::PnLevel};
        t["pnlvlcont"] = {Op::PnNoBullet};
        return t;
    }();
    return table;
}

int clampInt(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

// The look of a list item from the number format of its level (-1:
// unknown) and the glyph of its mark.
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

// Characters a document must not receive: controls, Qt's own frame and
// block markers, unpaired surrogates.
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

struct Group {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    Dest uprParent = Dest::Text;
    quint8 uc = 1;
    bool star = false;
};

struct PendingFont {
    bool active = false;
    int id = 0;
    int charset = 1;
    int cpg = 0;
    QByteArray bytes;
    QString name;
};

struct PendingPicture {
    QByteArray data;
    int kind = -1; // ImageKind, or -1 for kinds we do not show
    int nibble = -1;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
};

class Parser {
public:
    Parser(QByteArrayView rtf, Sink& sink, Tables& tables)
        : m_tok(rtf), m_sink(sink), m_tables(tables) {}

    ParseResult run();

private:
    Group& top() { return m_stack.back(); }
    void push();
    void pop();
    void controlWord(const Token& t);
    void destination(Op op);
    void textBytes(QByteArrayView bytes);
    void appendBytes(QByteArrayView bytes);
    void appendChars(QStringView chars);
    void unicodeChar(int code);
    void beginContent();
    void syncFormat();
    void flushBytes();
    void flushText();
    void paragraph();
    int currentCodePage() const;
    int fontCodePage() const;
    void flushFontBytes();
    void commitFont();
    void finishPicture(const CharState& ch);
    void pictureBytes(QByteArrayView bytes);
    void markChars(QStringView chars);
    ParaState shownPara(const ParaState& para);
    bool paragraphEmpty() const;
    void finishMark();
    void finishFieldInst();
    void commitListDef();
    int levelFormat(const ParaState& para) const;
    bool inNote() const { return m_noteDepth > 0; }
    void emitNotes();

    Tokenizer m_tok;
    Sink& m_sink;
    Tables& m_tables;
    CodePages m_codePages;
    std::vector<Group> m_stack;
    size_t m_overflow = 0;
    int m_ucSkip = 0;
    bool m_formatDirty = true;

    QByteArray m_bytes;
    int m_bytesCp = 1252;
    QString m_text;
    CharState m_textFormat;
    bool m_pendingBreak = false;
    int m_cellsPending = 0; // cell ends not yet written as tabs
    TabKind m_tabKind = TabKind::Left;
    ParaState m_finalPara;
    bool m_paraEmpty = true; // nothing of the current paragraph has gone out
    bool m_pageNext = false; // a page break comes before the next paragraph

    // The shown mark of a list item: a bullet is dropped (the paragraph
    // becomes a list item), a number is kept as text.
    QByteArray m_markBytes;
    int m_markCp = 1252;
    QString m_mark;
    bool m_numbered = false;
    QChar m_markGlyph; // the bullet of the mark, for the list's style

    // The list table: level number formats by list id, list ids by \ls.
    QHash<int, QList<quint8>> m_listDefs;
    QHash<int, int> m_overrides;
    QList<quint8> m_defLevels;
    int m_defListId = -1;
    bool m_defActive = false;
    int m_overrideListId = -1;

    // Footnotes are gathered while read and shown as paragraphs of their
    // own after the paragraph that refers to them.
    struct NoteRun {
        QString text;
        CharState ch;
        std::optional<Picture> picture;
        bool paragraphEnd = false;
    };
    std::vector<NoteRun> m_notes;
    size_t m_noteDepth = 0; // the stack size of the footnote group; 0: none
    int m_noteCount = 0;

    QByteArray m_fieldBytes;
    int m_fieldCp = 1252;
    QString m_fieldInst;

    PendingFont m_font;
    quint32 m_color = 0;
    bool m_colorSet = false;
    PendingPicture m_pict;
};

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
    m_stack.push_back(std::move(g));
}

void Parser::pop() {
    m_ucSkip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_noteDepth == m_stack.size()) {
        flushText();
        m_noteDepth = 0;
        m_notes.push_back(NoteRun{{}, {}, std::nullopt, true});
    }
    const Dest closing = top().dest;
    const Dest parent = m_stack.size() > 1 ? m_stack[m_stack.size() - 2].dest : Dest::Skip;
    if (closing == Dest::FontTable)
        commitFont();
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

int Parser::currentCodePage() const {
    const Group& g = m_stack.back();
    if (g.ch.runType == RunType::Dbch && g.ch.east.font >= 0)
        if (const FontInfo* f = m_tables.font(g.ch.east.font))
            return f->codePage;
    if (const FontInfo* f = m_tables.font(g.ch.font))
        return f->codePage;
    return m_tables.ansiCodePage;
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
            m_sink.breakParagraph();
            m_pendingBreak = false;
        }
        m_sink.text(m_text, m_textFormat);
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

void Parser::beginContent() {
    if (m_cellsPending > 0) {
        syncFormat();
        flushBytes();
        m_text.append(QString(m_cellsPending, QLatin1Char('\t')));
        m_cellsPending = 0;
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
    flushText();
    if (inNote()) {
        m_notes.push_back(NoteRun{{}, {}, std::nullopt, true});
        return;
    }
    m_cellsPending = 0;
    if (m_pendingBreak)
        m_sink.breakParagraph();
    m_sink.formatParagraph(shownPara(top().para));
    emitNotes();
    m_numbered = false;
    m_markGlyph = QChar();
    m_pendingBreak = true;
    m_paraEmpty = true;
}

void Parser::emitNotes() {
    bool open = false;
    for (const NoteRun& r : m_notes) {
        if (r.paragraphEnd) {
            if (open)
                m_sink.formatParagraph(ParaState());
            open = false;
            continue;
        }
        if (!open)
            m_sink.breakParagraph();
        open = true;
        if (r.picture)
            m_sink.picture(*r.picture, r.ch);
        else
            m_sink.text(r.text, r.ch);
    }
    if (open)
        m_sink.formatParagraph(ParaState());
    m_notes.clear();
}

bool Parser::paragraphEmpty() const {
    return m_paraEmpty && m_text.isEmpty() && m_bytes.isEmpty() && m_cellsPending == 0;
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

void Parser::finishFieldInst() {
    m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
    m_fieldBytes.clear();
    QString target = hyperlinkTarget(m_fieldInst);
    m_fieldInst.clear();
    if (m_stack.empty() || target.isEmpty() || m_overflow > 0)
        return;
    sanitize(target);
    // The field's result, read next, inherits the link from the field group.
    m_tables.links.append(target);
    top().ch.link = int(m_tables.links.size());
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
    m_font = PendingFont();
}

void Parser::pictureBytes(QByteArrayView bytes) {
    for (char c : bytes) {
        const int v = hexDigitValue(c);
        if (v < 0)
            continue;
        if (m_pict.nibble < 0) {
            m_pict.nibble = v;
        } else {
            m_pict.data.append(char(m_pict.nibble * 16 + v));
            m_pict.nibble = -1;
        }
    }
}

void Parser::finishPicture(const CharState& ch) {
    PendingPicture p = std::move(m_pict);
    m_pict = PendingPicture();
    if (m_stack.empty() || top().dest != Dest::Text || ch.hidden || p.kind < 0)
        return;
    const QByteArray& d = p.data;
    const bool png = d.startsWith("\x89PNG");
    const bool jpeg = d.startsWith("\xFF\xD8\xFF");
    if (!(p.kind == int(ImageKind::Png) ? png : jpeg))
        return;
    Picture pic;
    pic.data = d;
    pic.kind = ImageKind(p.kind);
    if (p.goalw > 0 && p.goalh > 0) {
        pic.widthPx = p.goalw * (p.scalex / 100.0) / kTwipsPerPixel;
        pic.heightPx = p.goalh * (p.scaley / 100.0) / kTwipsPerPixel;
    }
    beginContent();
    syncFormat();
    flushText();
    if (inNote()) {
        m_notes.push_back(NoteRun{{}, ch, pic, false});
        return;
    }
    if (m_pendingBreak) {
        m_sink.breakParagraph();
        m_pendingBreak = false;
    }
    m_sink.picture(pic, ch);
    m_paraEmpty = false;
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
        m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
        m_fieldBytes.clear();
        m_fieldInst.append(c);
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

void Parser::textBytes(QByteArrayView bytes) {
    Group& g = top();
    switch (g.dest) {
    case Dest::Text:
        if (!g.ch.hidden)
            appendBytes(bytes);
        break;
    case Dest::FontTable:
        for (char c : bytes) {
            if (c == ';')
                commitFont();
            else if (m_font.active)
                m_font.bytes.append(c);
        }
        break;
    case Dest::ColorTable:
        for (char c : bytes) {
            if (c != ';')
                continue;
            m_tables.colors.append(m_colorSet ? (0xFF000000u | m_color) : 0u);
            m_color = 0;
            m_colorSet = false;
        }
        break;
    case Dest::Pict:
        pictureBytes(bytes);
        break;
    case Dest::UprChild:
        g.dest = Dest::Skip;
        break;
    case Dest::ListText: {
        const int cp = currentCodePage();
        if (cp != m_markCp)
            markChars({});
        m_markCp = cp;
        m_markBytes.append(bytes);
        break;
    }
    case Dest::FieldInst: {
        const int cp = currentCodePage();
        if (cp != m_fieldCp) {
            m_fieldInst += m_codePages.decode(m_fieldCp, m_fieldBytes);
            m_fieldBytes.clear();
            m_fieldCp = cp;
        }
        // An instruction is short; a huge one is no hyperlink.
        if (m_fieldBytes.size() + m_fieldInst.size() < 65536)
            m_fieldBytes.append(bytes);
        break;
    }
    default:
        break;
    }
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
    case Op::DestFootnote:
        if (!inNote() && m_overflow == 0) {
            syncFormat();
            flushText();
            m_noteDepth = m_stack.size();
        }
        break;
    case Op::DestListTable:
        g.dest = Dest::ListTable;
        break;
    case Op::DestListOverrides:
        g.dest = Dest::ListOverrides;
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
    const int p = t.param;
    const bool on = !t.hasParam || p != 0;
    if (isDestination(op)) {
        // Only the body opens new destinations; fonts, colours and
        // pictures hold none we read.
        if (g.dest == Dest::Text || op == Op::DestSkip)
            destination(op);
        else if (star)
            g.dest = Dest::Skip;
        return;
    }
    if (star) {
        g.dest = Dest::Skip;
        return;
    }
    m_formatDirty = true;
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
    case Op::InTbl:
        g.para.inTable = on;
        break;
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
    case Op::Cell:
        // The separator is written only when more of the row follows.
        if (g.dest == Dest::Text && inNote())
            appendChars(u"\t");
        else if (g.dest == Dest::Text && m_cellsPending < 1000)
            ++m_cellsPending;
        break;
    case Op::Row:
        if (g.dest == Dest::Text)
            paragraph();
        break;
    case Op::FootnoteMark:
        if (g.dest == Dest::Text && !g.ch.hidden) {
            if (!inNote() && m_noteCount < 1000000)
                ++m_noteCount;
            appendChars(QString::number(std::max(1, m_noteCount)));
        }
        break;
    case Op::Page:
        // A break in an empty paragraph moves that paragraph to a new page.
        if (g.dest == Dest::Text && !inNote()) {
            if (!paragraphEmpty())
                paragraph();
            m_pageNext = true;
        }
        break;
    case Op::PageBb:
        g.para.pageBreakBefore = on;
        break;
    case Op::Char:
        if (g.dest == Dest::Text && !g.ch.hidden) {
            const QChar c(it->second.value);
            appendChars(QStringView(&c, 1));
        } else if (g.dest == Dest::ListText) {
            const QChar c(it->second.value);
            markChars(QStringView(&c, 1));
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
    case Op::PngBlip:
        m_pict.kind = int(ImageKind::Png);
        break;
    case Op::JpegBlip:
        m_pict.kind = int(ImageKind::Jpeg);
        break;
    case Op::OtherBlip:
        m_pict.kind = -1;
        break;
    case Op::PicW:
        m_pict.picw = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicH:
        m_pict.pich = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicWGoal:
        m_pict.goalw = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicHGoal:
        m_pict.goalh = clampInt(p, 0, kMaxTwips);
        break;
    case Op::PicScaleX:
        m_pict.scalex = clampInt(p, 1, 1000);
        break;
    case Op::PicScaleY:
        m_pict.scaley = clampInt(p, 1, 1000);
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
            break;
        case Token::GroupEnd:
            pop();
            if (m_stack.empty() && m_overflow == 0) {
                // The document ends with its outer group; trailing bytes
                // (RichEdit writes a NUL) are not part of it.
                flushText();
                if (!m_pendingBreak)
                    m_sink.lastParagraph(shownPara(m_finalPara));
                emitNotes();
                return result;
            }
            break;
        case Token::ControlWord:
            controlWord(t);
            break;
        case Token::ControlSymbol: {
            Group& g = top();
            if (t.value == '*') {
                g.star = true;
                break;
            }
            if (g.dest == Dest::UprChild)
                g.dest = Dest::Skip;
            if (g.dest != Dest::Text || g.ch.hidden)
                break;
            if (t.value == '~')
                appendChars(u"\u00A0");
            else if (t.value == '-')
                appendChars(u"\u00AD");
            else if (t.value == '_')
                appendChars(u"\u2011");
            break;
        }
        case Token::HexByte: {
            const char b = char(t.value);
            textBytes(QByteArrayView(&b, 1));
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
    if (!m_pendingBreak)
        m_sink.lastParagraph(shownPara(top().para));
    emitNotes();
    result.ok = false;
    result.error = QStringLiteral("RTF: グループの途中でデータが終わっています。");
    return result;
}

} // namespace

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
    Parser parser(rtf.sliced(rtf.indexOf('{')), sink, tables);
    return parser.run();
}

} // namespace Rtf
