#pragma once

// The reader's insides, shared by the files that each own one part of RTF:
//   RtfParser.cpp         the core: text and paragraphs out to the sink,
//                         each control word handed to its part
//   ControlWords.cpp      the words the reader knows and what each is
//   Groups.cpp            the token loop, the group stack, destinations
//   Formats.cpp           character and paragraph formats, fonts, colours,
//                         style sheets
//   Tables.cpp            rows, cells, merges and borders
//   Lists.cpp             list tables, list items and their marks
//   Fields.cpp            fields: hyperlinks and symbols
//   Footnotes.cpp         footnotes, shown after their paragraph
//   Pictures.cpp          pictures
// Not for use outside src/rtf.
#include "rtf/RtfParser.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Rtf::detail {

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

// Grouped by the part that handles them: Parser::controlWord hands each
// range on by its last member (Char, Blue, BorderColor, PnLevel), so a new
// one goes inside its part's range, never after the last.
enum class Op : quint8 {
    // destinations (first: see isDestination)
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
    // document and content: the core
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCpg,
    Deff,
    Uc,
    U,
    Bin,
    Par,
    Page,
    Line,
    Tab,
    Char,
    // formats
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
    PageBb,
    ParaStyle,
    CharStyle,
    OtherStyle,
    FCharset,
    Cpg,
    Red,
    Green,
    Blue,
    // tables
    InTbl,
    Cell,
    Row,
    NestCell,
    NestRow,
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
    // lists, new and old style
    Ls,
    Ilvl,
    ListDef,
    ListLevelDef,
    ListId,
    LevelNfc,
    PnBullet,
    PnNoBullet,
    PnLevel,
    // footnotes
    FootnoteMark,
    // pictures
    PngBlip,
    JpegBlip,
    OtherBlip,
    PicW,
    PicH,
    PicWGoal,
    PicHGoal,
    PicScaleX,
    PicScaleY,
};

inline bool isDestination(Op op) {
    return op <= Op::Ud;
}

bool isPictureOp(Op op);

struct Entry {
    Op op;
    char16_t value = 0;
};

const std::unordered_map<std::string_view, Entry>& controlTable();

inline int clampInt(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

// Characters a document must not receive: controls, Qt's own frame and
// block markers, unpaired surrogates.
void sanitize(QString& s);

// The look of a list item from the number format of its level (-1:
// unknown) and the glyph of its mark.
ListKind listKind(int nfc, QChar glyph);

// Fills what a paragraph or run leaves at its default from a style.
void baseOn(ParaState& own, const ParaState& base);
void baseOn(CharState& own, const CharState& base);

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

    void text(const QString& t, const CharState& ch) override;
    void picture(const Picture& p, const CharState& ch) override;
    void formatParagraph(const ParaState& para) override;
    void breakParagraph() override;
    void lastParagraph(const ParaState& para) override { formatParagraph(para); }
    void table(const Table& t) override;
};

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

// Adds a cell's content to another's as paragraphs of its own.
void appendContent(std::vector<SinkEvent>& to, std::vector<SinkEvent>&& from);

Table buildTable(std::vector<RawRow>& rows);
std::vector<Table> splitTable(Table&& t);

class Parser {
public:
    Parser(QByteArrayView rtf, Sink& sink, Tables& tables)
        : m_input(rtf), m_tok(rtf), m_sink(sink), m_out(&sink), m_tables(tables) {}

    ParseResult run();

private:
    Group& top() { return m_stack.back(); }

    // Groups.cpp
    void push();
    void pop();
    void destination(Op op);
    void controlSymbol(const Token& t);
    void textBytes(QByteArrayView bytes);
    void unicodeChar(int code);

    // RtfParser.cpp
    void controlWord(const Token& t);
    void contentControl(Op op, const Token& t, const Entry& e);
    void appendBytes(QByteArrayView bytes);
    void appendChars(QStringView chars);
    void beginContent() {
        // Called for every piece of text: only a change of table state
        // needs more.
        if ((!m_stack.empty() && top().para.inTable) != m_tableOpen)
            checkTable();
    }
    void syncFormat();
    void flushBytes();
    void flushText();
    void paragraph();
    void endParagraph();
    bool paragraphEmpty() const;
    int currentCodePage() const;

    // Formats.cpp
    void formatControl(Op op, const Token& t);
    void commitStyle(const Group& g);
    int fontCodePage() const;
    void flushFontBytes();
    void commitFont();
    void fontTableBytes(QByteArrayView bytes);
    void colorTableBytes(QByteArrayView bytes);

    // Tables.cpp
    void tableControl(Op op, const Token& t, const Entry& e);
    void borderControl(Op op, int p);
    void checkTable();
    void startTable();
    bool cellHasContent() const;
    void finishCell();
    void finishRow();
    void endTable();

    // Lists.cpp
    void listControl(Op op, const Token& t);
    void markChars(QStringView chars);
    void markBytes(QByteArrayView bytes);
    void finishMark();
    void commitListDef();
    int levelFormat(const ParaState& para) const;
    ParaState shownPara(const ParaState& para);

    // Fields.cpp
    void fieldBytes(QByteArrayView bytes);
    void fieldChar(QChar c);
    void finishFieldInst();

    // Footnotes.cpp
    bool inNote() const { return m_noteDepth > 0; }
    void beginNote();
    void endNote();
    void noteMark();
    void emitNotes();

    // Pictures.cpp
    bool beginPicture(const Token& t);
    void pictureControl(Op op, const Token& t, const Entry& e);
    void pictureBytes(QByteArrayView bytes);
    void keepPictureSource();
    void finishPicture(const CharState& ch);

    QByteArrayView m_input;
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
    // The last code page looked up and what it was looked up by: text comes
    // a byte at a time, and its font seldom changes.
    struct CodePageLookup {
        int eastFont = -3, font = -3, defaultFont = -3, ansi = 0, revision = -1;
        int codePage = 1252;
    };
    mutable CodePageLookup m_cpLookup;
    QString m_text;
    CharState m_textFormat;
    bool m_pendingBreak = false;
    ParaState m_finalPara;
    bool m_paraEmpty = true; // nothing of the current paragraph has gone out
    bool m_pageNext = false; // a page break comes before the next paragraph

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
    qsizetype m_pictWordAt = 0; // where the last \pict word began
};

} // namespace Rtf::detail
