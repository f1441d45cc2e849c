#pragma once

#include "rtf/RtfCodePages.h"
#include "rtf/RtfTokenizer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The reader core: turns RTF into a stream of runs for a sink. Needs only
// Qt Core, so plain text can be read without a GUI.
namespace Rtf {

enum class VAlign : quint8 { Normal, Super, Sub };

// The kind of text the associated properties that follow belong to.
enum class RunType : quint8 { None, Loch, Hich, Dbch };

// Associated properties of double-byte text; unset ones fall back to the
// run's own.
struct EastState {
    int font = -1;
    int sizeHalfPoints = 0; // 0: unset
    qint8 bold = -1;        // -1: unset
    qint8 italic = -1;

    bool isSet() const { return font >= 0 || sizeHalfPoints > 0 || bold >= 0 || italic >= 0; }
    bool operator==(const EastState& o) const {
        return font == o.font && sizeHalfPoints == o.sizeHalfPoints && bold == o.bold &&
               italic == o.italic;
    }
};

struct CharState {
    int font = -1; // -1: the default font (\deff)
    int sizeHalfPoints = 24;
    int fg = 0; // colour table index, 0 = automatic
    int bg = 0;
    int offsetHalfPoints = 0; // \up (positive) or \dn (negative)
    VAlign valign = VAlign::Normal;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    RunType runType = RunType::None;
    bool rtl = false; // associated properties now belong to right-to-left text
    EastState east;
    int link = 0; // 1-based index into Tables::links; 0: none

    bool operator==(const CharState& o) const {
        return font == o.font && sizeHalfPoints == o.sizeHalfPoints && fg == o.fg && bg == o.bg &&
               offsetHalfPoints == o.offsetHalfPoints && valign == o.valign && bold == o.bold &&
               italic == o.italic && underline == o.underline && strike == o.strike &&
               hidden == o.hidden && runType == o.runType && east == o.east && link == o.link;
    }
    bool operator!=(const CharState& o) const { return !(*this == o); }
};

enum class Align : quint8 { Left, Center, Right, Justify };
enum class TabKind : quint8 { Left, Center, Right, Decimal };

struct TabStop {
    int twips = 0;
    TabKind kind = TabKind::Left;
    bool operator==(const TabStop& o) const { return twips == o.twips && kind == o.kind; }
};

// How a list item is marked; Default: by its level (disc, circle, square).
enum class ListKind : quint8 {
    Default,
    Disc,
    Circle,
    Square,
    Decimal,
    LowerAlpha,
    UpperAlpha,
    LowerRoman,
    UpperRoman
};

struct ParaState {
    QList<TabStop> tabs;
    int firstIndent = 0; // twips
    int leftIndent = 0;
    int rightIndent = 0;
    int spaceBefore = 0; // twips
    int spaceAfter = 0;
    int lineSpacing = 0;       // \\sl: 0 single, > 0 at least, < 0 exactly (twips)
    bool lineMultiple = false; // \\slmult1: lineSpacing is in 240ths of a line
    int listLevel = 0;
    int listOverride = 0; // \\ls: which list of the document
    ListKind listKind = ListKind::Default;
    Align align = Align::Left;
    bool bullet = false;
    bool inTable = false;
    bool pageBreakBefore = false;
};

struct FontInfo {
    QString name;
    int charset = 1;
    int codePage = 1252;
};

// Other: a picture Qt does not draw, kept as its RTF.
enum class ImageKind : quint8 { Png, Jpeg, Other };

struct Picture {
    QByteArray data;   // PNG or JPEG
    QByteArray source; // the picture's whole group, braces included
    ImageKind kind = ImageKind::Png;
    double widthPx = 0; // display size; 0 = the image's own (Png, Jpeg)
    double heightPx = 0;
};

// One thing the reader found, kept while a table is read whole.
struct SinkEvent {
    enum class Kind : quint8 { Text, Picture, Paragraph, Break };
    Kind kind = Kind::Text;
    QString text;
    CharState ch;
    ParaState para;
    Picture picture;
};

// A cell: what it holds, in reading order, ending with the format of its
// last paragraph.
struct TableCell {
    std::vector<SinkEvent> content;
    int rowSpan = 1;
    int colSpan = 1;
    bool covered = false; // part of another cell's span
};

// A table on a regular grid: rows * columns cells in reading order.
struct Table {
    int rows = 0;
    int columns = 0;
    std::vector<TableCell> cells;
    QList<int> widths;    // twips per column
    int borderTwips = 0;  // 0: no lines
    int borderColor = 0;  // colour table index
    int paddingTwips = 0; // half the gap between cells' text
    Align align = Align::Left;

    const TableCell& at(int row, int column) const { return cells[size_t(row * columns + column)]; }
};

// The fonts and colours of the document being read.
struct Tables {
    QHash<int, FontInfo> fonts;
    QList<quint32> colors; // 0xAARRGGBB; alpha 0 = automatic
    QStringList links;     // targets of hyperlink fields ("#name" for a bookmark)
    int defaultFont = -1;
    int ansiCodePage = 1252;
    int fontRevision = 0; // counts changes to fonts, for those who remember a lookup

    const FontInfo* font(int index) const;
};

// Receives what the reader finds, in document order.
class Sink {
public:
    virtual ~Sink() = default;
    // Text without paragraph breaks; may hold '\t' and U+2028 (line break).
    virtual void text(const QString& text, const CharState& format) = 0;
    virtual void picture(const Picture& picture, const CharState& format) = 0;
    // Applies paragraph properties to the paragraph being filled.
    virtual void formatParagraph(const ParaState& para) = 0;
    // Starts a new paragraph after the current one.
    virtual void breakParagraph() = 0;
    // The properties in force at the end, for a last paragraph that has no
    // paragraph mark of its own.
    virtual void lastParagraph(const ParaState& para) = 0;
    // A whole table where the next paragraph would begin; what follows
    // goes into the paragraph after it.
    virtual void table(const Table& table) = 0;
};

// Gives recorded events to a sink.
void replay(const std::vector<SinkEvent>& events, Sink& sink);

// True for characters a word processor treats as double-byte (East Asian)
// text: kana, CJK ideographs and symbols, Hangul, full-width forms.
inline bool isEastAsian(char16_t u) {
    return (u >= 0x2E80 && u < 0xA4D0) || (u >= 0xAC00 && u < 0xD7B0) ||
           (u >= 0xD840 && u < 0xD8C0) || (u >= 0xF900 && u < 0xFB00) ||
           (u >= 0xFE30 && u < 0xFE50) || (u >= 0xFF00 && u < 0xFFF0);
}

// The look of double-byte characters in a run: its own with the associated
// properties laid over it.
CharState eastLook(const CharState& ch);

// The target of a field instruction such as HYPERLINK "url" \\l "name", or
// an empty string when the field is no hyperlink.
QString hyperlinkTarget(const QString& instruction);

// A SYMBOL field: SYMBOL 74 \\f "Wingdings" \\u.
struct SymbolField {
    int code = 0; // 0: no symbol field
    bool unicode = false;
    QString font;
};
SymbolField symbolField(const QString& instruction);

struct ParseResult {
    bool ok = true;
    QString error;
};

ParseResult parse(QByteArrayView rtf, Sink& sink, Tables& tables);

// True when the bytes begin (after white space) with "{\rtf".
bool looksLikeRtf(QByteArrayView bytes);

// Twips per pixel of a 96 dpi screen: indents, tab stops and picture sizes
// are kept in pixels in documents.
constexpr double kTwipsPerPixel = 15.0;

} // namespace Rtf
