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
    ListOverrides,
    StyleSheet,
    StyleEntry
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
    DestFieldResult,
    DestFootnote,
    DestListTable,
    DestListOverrides,
    DestStyleSheet,
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
    NestCell,
    NestRow,
    Char,
    // styles
    ParaStyle,
    CharStyle,
    OtherStyle,
    // tables
    Trowd,
    Cellx,
    Trgaph,
    Trleft,
    TrAlign,
    CellMerge,
    Itap,
    CellBorder,
    RowBorder,
    ParaBorder,
    BorderStyle,
    BorderNone,
    BorderWidth,
    BorderColor,
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

bool isPictureOp(Op op) {
    switch (op) {
    case Op::PngBlip:
    case Op::JpegBlip:
    case Op::OtherBlip:
    case Op::PicW:
    case Op::PicH:
    case Op::PicWGoal:
    case Op::PicHGoal:
    case Op::PicScaleX:
    case Op::PicScaleY:
    case Op::Bin:
        return true;
    default:
        return false;
    }
}

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
        for (const char* w :
             {"info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
              "footerf", "annotation", "nonshppict", "shpinst", "objdata", "objclass", "objname",
              "revtbl", "rsidtbl", "filetbl", "generator", "xmlnstbl", "themedata",
              "colorschememapping", "latentstyles", "datastore", "mmathPr", "pgdsctbl", "ftnsep",
              "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "txe", "xe", "tc", "rxe", "do",
              "bkmkstart", "bkmkend", "template", "docvar", "private", "fldtype", "formfield",
              "datafield", "pnseclvl", "nesttableprops", "background", "userprops", "passwordhash",
              "protusertbl", "blipuid", "panose", "falt", "fname", "comment", "doccomm", "title",
              "subject", "author", "operator", "keywords", "company", "category", "manager",
              "hlinkbase", "creatim", "revtim", "printim", "buptim", "atnid", "atnauthor",
              "atndate", "atnref", "atrfstart", "atrfend", "sp", "sn", "sv", "wgrffmtfilter",
              "mhtmltag", "htmltag", "listpicture",
              // list table parts, also where a damaged file
              // leaves them in the body
              "leveltext", "levelnumbers", "listname", "picprop"})
            t[w] = {Op::DestSkip};
        t["fldrslt"] = {Op::DestFieldResult};
        for (const char* w : {"field", "shppict", "shp", "shprslt", "object", "result", "htmlrtf",
                              "ltrpar", "rtlpar",
                              // the rows of a table in a cell, as text
                              "nonesttables"})
            t[w] = {Op::DestText};
        t["fonttbl"] = {Op::DestFontTable};
        t["stylesheet"] = {Op::DestStyleSheet};
        t["s"] = {Op::ParaStyle};
        t["cs"] = {Op::CharStyle};
        t["ds"] = {Op::OtherStyle};
        t["ts"] = {Op::OtherStyle};
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
        t["nestcell"] = {Op::NestCell};
        t["row"] = {Op::Row};
        t["nestrow"] = {Op::NestRow};
        t["trowd"] = {Op::Trowd};
        t["cellx"] = {Op::Cellx};
        t["trgaph"] = {Op::Trgaph};
        t["trleft"] = {Op::Trleft};
        t["trql"] = {Op::TrAlign, 0};
        t["trqc"] = {Op::TrAlign, 1};
        t["trqr"] = {Op::TrAlign, 2};
        t["clmgf"] = {Op::CellMerge, 0};
        t["clmrg"] = {Op::CellMerge, 1};
        t["clvmgf"] = {Op::CellMerge, 2};
        t["clvmrg"] = {Op::CellMerge, 3};
        t["itap"] = {Op::Itap};
        for (const char* w : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"})
            t[w] = {Op::CellBorder};
        for (const char* w : {"trbrdrt", "trbrdrl", "trbrdrb", "trbrdrr", "trbrdrh", "trbrdrv"})
            t[w] = {Op::RowBorder};
        for (const char* w : {"brdrt", "brdrl", "brdrb", "brdrr", "brdrbtw", "brdrbar", "box"})
            t[w] = {Op::ParaBorder};
        for (const char* w :
             {"brdrs",        "brdrth",         "brdrsh",     "brdrdb",       "brdrdot",
              "brdrdash",     "brdrhair",       "brdrdashsm", "brdrdashd",    "brdrdashdd",
              "brdrdashdot",  "brdrdashdotdot", "brdrtriple", "brdrtnthsg",   "brdrthtnsg",
              "brdrtnthtnsg", "brdrtnthmg",     "brdrthtnmg", "brdrtnthtnmg", "brdrtnthlg",
              "brdrthtnlg",   "brdrtnthtnlg",   "brdrwavy",   "brdrwavydb",   "brdrdashdotstr",
              "brdremboss",   "brdrengrave",    "brdroutset", "brdrinset",    "brdrframe"})
            t[w] = {Op::BorderStyle};
        for (const char* w : {"brdrnone", "brdrnil", "brdrtbl"})
            t[w] = {Op::BorderNone};
        t["brdrw"] = {Op::BorderWidth};
        t["brdrcf"] = {Op::BorderColor};
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
        // Value 1: sizes in hundredths of a millimetre; 0: in pixels.
        for (const char* w : {"wmetafile", "emfblip", "pmmetafile"})
            t[w] = {Op::OtherBlip, 1};
        for (const char* w : {"macpict", "dibitmap", "wbitmap"})
            t[w] = {Op::OtherBlip, 0};
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

// Fills what a paragraph or run leaves at its default from a style.
template <typename T> void baseField(T& own, const T& base, const T& unset) {
    if (own == unset)
        own = base;
}

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

struct Group {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    Dest uprParent = Dest::Text;
    quint8 uc = 1;
    bool star = false;
    qsizetype start = 0;     // where the group's brace is in the input
    bool skipResult = false; // a field whose result is already in the text
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
    QByteArray source;   // the whole group, for pictures kept but not drawn
    int kind = -1;       // ImageKind, or -1 for kinds Qt does not draw
    bool metric = false; // \\picw and \\pich in hundredths of a millimetre
    int nibble = -1;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
};

// Collects what the reader finds in one table cell.
class Recorder final : public Sink {
public:
    std::vector<SinkEvent> events;

    void text(const QString& t, const CharState& ch) override {
        SinkEvent e;
        e.kind = SinkEvent::Kind::Text;
        e.text = t;
        e.ch = ch;
        events.push_back(std::move(e));
    }
    void picture(const Picture& p, const CharState& ch) override {
        SinkEvent e;
        e.kind = SinkEvent::Kind::Picture;
        e.picture = p;
        e.ch = ch;
        events.push_back(std::move(e));
    }
    void formatParagraph(const ParaState& para) override {
        SinkEvent e;
        e.kind = SinkEvent::Kind::Paragraph;
        e.para = para;
        events.push_back(std::move(e));
    }
    void breakParagraph() override {
        SinkEvent e;
        e.kind = SinkEvent::Kind::Break;
        events.push_back(std::move(e));
    }
    void lastParagraph(const ParaState& para) override { formatParagraph(para); }
    void table(const Table& t) override {
        // Not reached: a table inside a cell is read as its text.
        bool first = true;
        for (const TableCell& c : t.cells) {
            if (c.covered)
                continue;
            if (!first)
                breakParagraph();
            first = false;
            events.insert(events.end(), c.content.begin(), c.content.end());
        }
    }
};

// True when a cell holds more than the format of an empty paragraph.
bool hasContent(const std::vector<SinkEvent>& events) {
    return std::any_of(events.begin(), events.end(),
                       [](const SinkEvent& e) { return e.kind != SinkEvent::Kind::Paragraph; });
}

// Adds a cell's content to another's as paragraphs of its own.
void appendContent(std::vector<SinkEvent>& to, std::vector<SinkEvent>&& from) {
    if (!hasContent(from))
        return;
    if (!to.empty()) {
        SinkEvent brk;
        brk.kind = SinkEvent::Kind::Break;
        to.push_back(std::move(brk));
    }
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

struct CellDef {
    int right = 0;    // \cellx
    quint8 merge = 0; // bit 0: first of a horizontal merge, 1: merged, 2/3 the same vertically
    int border = 0;   // twips; 0: none
};

struct RowDef {
    std::vector<CellDef> cells;
    int left = 0;
    int gap = 0;
    int border = 0;
    int borderColor = 0;
    Align align = Align::Left;
};

struct RawRow {
    RowDef def;
    std::vector<std::vector<SinkEvent>> cells;
};

constexpr size_t kMaxCells = 256;         // a row's cells; more join its last one
constexpr size_t kMaxTableCells = 400000; // a longer table goes on as another
constexpr size_t kMaxColumns = 64;
constexpr int kMaxEdge = 10000000; // twips; far beyond any page, far from overflow

Table buildTable(std::vector<RawRow>& rows);

// Joining cells costs QTextTable a pass over all its cells each time, so a
// long table with joined cells goes out in parts of about this many rows,
// cut where no cell spans the cut.
constexpr int kMaxJoinedRows = 400;

std::vector<Table> splitTable(Table&& t) {
    const bool joined = std::any_of(t.cells.begin(), t.cells.end(), [](const TableCell& c) {
        return !c.covered && (c.rowSpan > 1 || c.colSpan > 1);
    });
    if (!joined || t.rows <= kMaxJoinedRows)
        return {std::move(t)};
    std::vector<Table> parts;
    int start = 0;
    while (start < t.rows) {
        int end = std::min(start + kMaxJoinedRows, t.rows);
        for (int r = start; r < end; ++r)
            for (int c = 0; c < t.columns; ++c) {
                const TableCell& cell = t.at(r, c);
                if (!cell.covered)
                    end = std::max(end, std::min(t.rows, r + cell.rowSpan));
            }
        Table part;
        part.rows = end - start;
        part.columns = t.columns;
        part.widths = t.widths;
        part.borderTwips = t.borderTwips;
        part.borderColor = t.borderColor;
        part.paddingTwips = t.paddingTwips;
        part.align = t.align;
        part.cells.assign(std::make_move_iterator(t.cells.begin() + ptrdiff_t(start) * t.columns),
                          std::make_move_iterator(t.cells.begin() + ptrdiff_t(end) * t.columns));
        parts.push_back(std::move(part));
        start = end;
    }
    return parts;
}

class Parser {
public:
    Parser(QByteArrayView rtf, Sink& sink, Tables& tables)
        : m_input(rtf), m_tok(rtf), m_sink(sink), m_out(&sink), m_tables(tables) {}

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
    void endParagraph();
    void checkTable();
    void startTable();
    bool cellHasContent() const;
    void finishCell();
    void finishRow();
    void endTable();
    void borderControl(Op op, int p);
    void commitStyle(const Group& g);

    QByteArrayView m_input;
    qsizetype m_pictWordAt = 0; // where the last \pict word began
    Tokenizer m_tok;
    Sink& m_sink;
    Sink* m_out; // the sink, or the cell being read
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
    // The table being read: whole rows, the row being read, the cell.
    bool m_tableOpen = false;
    bool m_outerBreak = false; // the paragraph break pending before it
    std::vector<RawRow> m_rows;
    size_t m_tableCells = 0;
    std::vector<std::vector<SinkEvent>> m_row;
    Recorder m_cell;
    RowDef m_rowDef;
    CellDef m_cellDef;
    int m_borderTarget = 0; // 1: a cell's side, 2: the row's; 0: elsewhere
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

    // Style sheet: properties by style number.
    enum class StyleKind : quint8 { None, Paragraph, Character, Other };
    StyleKind m_styleKind = StyleKind::None;
    int m_styleId = 0;
    QHash<int, Group> m_paraStyles;
    QHash<int, Group> m_charStyles;

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
    if (m_noteDepth == m_stack.size()) {
        flushText();
        m_noteDepth = 0;
        m_notes.push_back(NoteRun{{}, {}, std::nullopt, true});
    }
    const Dest closing = top().dest;
    const Dest parent = m_stack.size() > 1 ? m_stack[m_stack.size() - 2].dest : Dest::Skip;
    if (closing == Dest::FontTable)
        commitFont();
    if (closing == Dest::Pict && parent != Dest::Pict) {
        const qsizetype from = top().start, end = m_tok.position();
        // Text or words before \pict in its group were read as what they are;
        // the picture kept to be written back begins at \pict.
        if (m_pictWordAt > from + 1 && m_pictWordAt < end)
            m_pict.source = '{' + m_input.sliced(m_pictWordAt, end - m_pictWordAt).toByteArray();
        else
            m_pict.source = m_input.sliced(from, end - from).toByteArray();
    }
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

void Parser::beginContent() {
    checkTable();
}

void Parser::checkTable() {
    // Called for every piece of text: the common case first.
    const bool inTable = !m_stack.empty() && top().para.inTable;
    if (inTable == m_tableOpen || inNote() || m_stack.empty() || m_overflow > 0)
        return;
    if (inTable && !m_tableOpen)
        startTable();
    else if (!inTable && m_tableOpen && m_row.empty() && !cellHasContent())
        endTable(); // only between rows: a row begun goes on until its end
}

void Parser::startTable() {
    // What came before belongs to the paragraph before the table.
    syncFormat();
    flushText();
    if (!paragraphEmpty())
        endParagraph();
    m_tableOpen = true;
    m_outerBreak = m_pendingBreak;
    m_out = &m_cell;
    m_pendingBreak = false;
    m_paraEmpty = true;
}

bool Parser::cellHasContent() const {
    return !m_cell.events.empty() || !m_text.isEmpty() || !m_bytes.isEmpty() || !m_notes.empty();
}

void Parser::finishCell() {
    flushText();
    // A mark just before the cell's end makes no empty paragraph.
    if (!m_pendingBreak)
        m_out->formatParagraph(shownPara(m_stack.empty() ? m_finalPara : top().para));
    emitNotes();
    std::vector<SinkEvent> events = std::move(m_cell.events);
    m_cell.events.clear();
    if (m_row.size() < kMaxCells)
        m_row.push_back(std::move(events));
    else
        appendContent(m_row.back(), std::move(events));
    m_numbered = false;
    m_markGlyph = QChar();
    m_pendingBreak = false;
    m_paraEmpty = true;
}

void Parser::finishRow() {
    if (cellHasContent())
        finishCell();
    if (m_row.empty())
        return;
    m_tableCells += m_row.size();
    m_rows.push_back(RawRow{m_rowDef, std::move(m_row)});
    m_row.clear();
    if (m_tableCells >= kMaxTableCells)
        endTable();
}

void Parser::endTable() {
    if (cellHasContent() || !m_row.empty())
        finishRow();
    if (!m_tableOpen)
        return; // ended by the row above
    m_out = &m_sink;
    m_tableOpen = false;
    m_tableCells = 0;
    Table t = buildTable(m_rows);
    m_rows.clear();
    if (t.rows == 0) {
        m_pendingBreak = m_outerBreak;
        return;
    }
    for (const Table& part : splitTable(std::move(t)))
        m_sink.table(part);
    m_pendingBreak = false;
    m_paraEmpty = true;
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

void Parser::borderControl(Op op, int p) {
    switch (op) {
    case Op::CellBorder:
        m_borderTarget = 1;
        break;
    case Op::RowBorder:
        m_borderTarget = 2;
        break;
    case Op::ParaBorder:
        m_borderTarget = 0;
        break;
    case Op::BorderStyle:
    case Op::BorderNone:
    case Op::BorderWidth: {
        int w = 0;
        if (op == Op::BorderStyle)
            w = 15; // a hairline until \brdrw says more
        else if (op == Op::BorderWidth)
            w = clampInt(p, 1, 255);
        if (m_borderTarget == 1) {
            if (op != Op::BorderWidth || m_cellDef.border > 0)
                m_cellDef.border = w;
        } else if (m_borderTarget == 2) {
            if (op != Op::BorderWidth || m_rowDef.border > 0)
                m_rowDef.border = w;
        }
        break;
    }
    case Op::BorderColor:
        if (m_borderTarget != 0 && m_rowDef.borderColor == 0)
            m_rowDef.borderColor = std::max(0, p);
        break;
    default:
        break;
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

bool Parser::paragraphEmpty() const {
    return m_paraEmpty && m_text.isEmpty() && m_bytes.isEmpty();
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
    if (m_stack.empty() || top().dest != Dest::Text || ch.hidden)
        return;
    const QByteArray& d = p.data;
    const bool png = d.startsWith("\x89PNG");
    const bool jpeg = d.startsWith("\xFF\xD8\xFF");
    Picture pic;
    if ((p.kind == int(ImageKind::Png) && png) || (p.kind == int(ImageKind::Jpeg) && jpeg)) {
        pic.data = d;
        pic.kind = ImageKind(p.kind);
        pic.source = std::move(p.source); // in case it does not decode
        if (p.goalw > 0 && p.goalh > 0) {
            pic.widthPx = p.goalw * (p.scalex / 100.0) / kTwipsPerPixel;
            pic.heightPx = p.goalh * (p.scaley / 100.0) / kTwipsPerPixel;
        }
    } else {
        // Kept as it came, in a box of its size.
        pic.kind = ImageKind::Other;
        pic.source = std::move(p.source);
        double w = p.goalw / kTwipsPerPixel;
        double h = p.goalh / kTwipsPerPixel;
        const double unit = p.metric ? 96.0 / 2540 : 1.0;
        if (w <= 0)
            w = p.picw * unit;
        if (h <= 0)
            h = p.pich * unit;
        constexpr double kDefaultPx = 96;
        constexpr double kMaxPx = 10000;
        pic.widthPx = std::clamp(w > 0 ? w * p.scalex / 100.0 : kDefaultPx, 1.0, kMaxPx);
        pic.heightPx = std::clamp(h > 0 ? h * p.scaley / 100.0 : kDefaultPx, 1.0, kMaxPx);
    }
    beginContent();
    syncFormat();
    flushText();
    if (inNote()) {
        m_notes.push_back(NoteRun{{}, ch, pic, false});
        return;
    }
    if (m_pendingBreak) {
        m_out->breakParagraph();
        m_pendingBreak = false;
    }
    m_out->picture(pic, ch);
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
    case Op::DestFieldResult:
        if (g.skipResult)
            g.dest = Dest::Skip;
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
        if (g.dest == Dest::Text || op == Op::DestSkip) {
            if (op == Op::DestPict) {
                // Nested past the depth kept, the picture's own group is not
                // known, so it cannot be kept whole: its data stays text.
                if (m_overflow > 0)
                    return;
                m_pictWordAt = t.word.data() - m_input.data() - 1;
            }
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
        if (g.dest != Dest::Text)
            break;
        if (inNote() || m_overflow > 0) {
            appendChars(u"\t");
            break;
        }
        if (!m_tableOpen)
            startTable();
        finishCell();
        break;
    case Op::Row:
        if (g.dest != Dest::Text)
            break;
        if (m_tableOpen && !inNote())
            finishRow();
        else
            paragraph();
        break;
    case Op::NestCell:
        // A table inside a cell stays text: cells apart by tabs, rows as
        // paragraphs.
        if (g.dest == Dest::Text)
            appendChars(u"\t");
        break;
    case Op::NestRow:
        if (g.dest == Dest::Text)
            paragraph();
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
    case Op::Trowd:
        m_rowDef = RowDef();
        m_cellDef = CellDef();
        m_borderTarget = 0;
        break;
    case Op::Cellx:
        m_cellDef.right = clampInt(p, -kMaxEdge, kMaxEdge);
        if (m_rowDef.cells.size() < kMaxCells)
            m_rowDef.cells.push_back(m_cellDef);
        m_cellDef = CellDef();
        m_borderTarget = 0;
        break;
    case Op::Trgaph:
        m_rowDef.gap = clampInt(p, 0, 10000);
        break;
    case Op::Trleft:
        m_rowDef.left = clampInt(p, -kMaxEdge, kMaxEdge);
        break;
    case Op::TrAlign:
        m_rowDef.align = it->second.value == 1   ? Align::Center
                         : it->second.value == 2 ? Align::Right
                                                 : Align::Left;
        break;
    case Op::CellMerge:
        m_cellDef.merge |= quint8(1u << it->second.value);
        break;
    case Op::Itap:
        g.para.inTable = p > 0;
        break;
    case Op::CellBorder:
    case Op::RowBorder:
    case Op::ParaBorder:
    case Op::BorderStyle:
    case Op::BorderNone:
    case Op::BorderWidth:
    case Op::BorderColor:
        borderControl(op, p);
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
        m_pict.metric = it->second.value == 1;
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
    if (m_tableOpen)
        endTable();
    if (!m_pendingBreak)
        m_sink.lastParagraph(shownPara(top().para));
    emitNotes();
    result.ok = false;
    result.error = QStringLiteral("RTF: グループの途中でデータが終わっています。");
    return result;
}

Table buildTable(std::vector<RawRow>& rows) {
    Table t;
    if (rows.empty())
        return t;
    // The right edges of every row's cells, kept rising.
    std::vector<std::vector<int>> edges(rows.size());
    int left = kMaxTwips;
    size_t widest = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        const RowDef& def = rows[r].def;
        // Empty cells past the row's definition are dropped (LibreOffice
        // ends rows that hold a table with one); any with text are kept.
        auto& cells = rows[r].cells;
        while (!def.cells.empty() && cells.size() > def.cells.size() && !hasContent(cells.back()))
            cells.pop_back();
        const size_t n = std::max(def.cells.size(), cells.size());
        int prev = def.left;
        left = std::min(left, def.left);
        for (size_t i = 0; i < n; ++i) {
            int right = i < def.cells.size() ? def.cells[i].right : prev + 1440;
            right = std::max(right, prev + 1);
            edges[r].push_back(right);
            prev = right;
        }
        widest = std::max(widest, n);
    }
    // Columns where any row has a cell edge; edges closer than a point
    // are one.
    std::vector<int> bounds;
    for (const auto& e : edges)
        bounds.insert(bounds.end(), e.begin(), e.end());
    std::sort(bounds.begin(), bounds.end());
    std::vector<int> kept;
    for (int b : bounds)
        if (kept.empty() || b >= kept.back() + 20)
            kept.push_back(b);
    // Too ragged a table gets one column per cell instead.
    const bool byEdges = kept.size() <= kMaxColumns;
    t.columns = int(byEdges ? kept.size() : std::min(widest, kMaxColumns));
    t.rows = int(rows.size());
    t.cells.resize(size_t(t.rows) * size_t(t.columns));
    if (byEdges) {
        int prev = std::min(left, kept.front() - 1);
        for (int b : kept) {
            t.widths.append(b - prev);
            prev = b;
        }
    } else {
        for (int c = 0; c < t.columns; ++c)
            t.widths.append(1440);
    }
    auto column = [&](int right) {
        return int(std::upper_bound(kept.begin(), kept.end(), right) - kept.begin()) - 1;
    };
    // Where each position's cell begins (row * columns + column), -1: free.
    std::vector<int> owner(t.cells.size(), -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        RawRow& row = rows[r];
        const int base = int(r) * t.columns;
        int col = 0;
        int last = -1; // the row's last cell of its own
        for (size_t i = 0; i < edges[r].size(); ++i) {
            std::vector<SinkEvent> content;
            if (i < row.cells.size())
                content = std::move(row.cells[i]);
            const quint8 merge = i < row.def.cells.size() ? row.def.cells[i].merge : 0;
            int end = byEdges ? std::max(col, column(edges[r][i])) : col;
            if (col >= t.columns) {
                if (last >= 0)
                    appendContent(t.cells[size_t(last)].content, std::move(content));
                continue;
            }
            end = std::min(end, t.columns - 1);
            const int span = end - col + 1;
            // Joined to the cell before it in the row, when that one is its
            // neighbour (a cell joined to the one above may stand between).
            if ((merge & 2) && last >= 0 && t.cells[size_t(last)].rowSpan == 1 &&
                last - base + t.cells[size_t(last)].colSpan == col) {
                TableCell& first = t.cells[size_t(last)];
                first.colSpan += span;
                for (int c = col; c <= end; ++c) {
                    owner[size_t(base + c)] = last;
                    t.cells[size_t(base + c)].covered = true;
                }
                appendContent(first.content, std::move(content));
                col = end + 1;
                continue;
            }
            // Joined to the cell above it.
            if ((merge & 8) && r > 0) {
                const int above = owner[size_t(base - t.columns + col)];
                if (above >= 0 && above % t.columns == col &&
                    t.cells[size_t(above)].colSpan == span) {
                    TableCell& first = t.cells[size_t(above)];
                    first.rowSpan += 1;
                    for (int c = col; c <= end; ++c) {
                        owner[size_t(base + c)] = above;
                        t.cells[size_t(base + c)].covered = true;
                    }
                    appendContent(first.content, std::move(content));
                    col = end + 1;
                    continue;
                }
            }
            const int at = base + col;
            TableCell& cell = t.cells[size_t(at)];
            cell.content = std::move(content);
            cell.colSpan = span;
            for (int c = col; c <= end; ++c) {
                owner[size_t(base + c)] = at;
                if (c > col)
                    t.cells[size_t(base + c)].covered = true;
            }
            last = at;
            col = end + 1;
        }
    }
    const RowDef& first = rows.front().def;
    t.paddingTwips = first.gap;
    t.align = first.align;
    for (const RawRow& row : rows) {
        t.borderTwips = std::max(t.borderTwips, row.def.border);
        for (const CellDef& c : row.def.cells)
            t.borderTwips = std::max(t.borderTwips, c.border);
        if (t.borderColor == 0)
            t.borderColor = row.def.borderColor;
    }
    return t;
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
