// The control words the reader knows, each with what it does (an Op) and,
// for some, a value: the character a symbol word stands for, the side of a
// merge, the unit of a picture's size.
#include "rtf/parser/ParserState.h"

namespace Rtf::detail {

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

} // namespace Rtf::detail
