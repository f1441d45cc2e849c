#include "rtf/RtfWriter.h"

#include "file/Cp932.h"
#include "rtf/RtfCodePages.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfReader.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace Rtf {

namespace {

constexpr int kJapaneseCharset = 128;
constexpr int kSymbolCharset = 2;

// The cp932 code of a character that code page holds under another Unicode
// name (the wave dash), else nothing.
QByteArray cp932Fallback(int codePage, QStringView one) {
    if (codePage != 932 || one.size() != 1 || !Cp932::cp932Form(one[0].unicode()))
        return QByteArray();
    return Cp932::fromUnicode(one.toString());
}

int twips(qreal px) {
    return int(std::lround(px * kTwipsPerPixel));
}

// A charset that names no code page of its own ("default", unknown ones)
// leaves other readers guessing: such fonts are written as Japanese, the
// code page their text goes out in.
int writtenCharset(int charset) {
    if (charset == kSymbolCharset || codePageForCharset(charset, -1) != -1)
        return charset;
    return kJapaneseCharset;
}

constexpr int kBulletFormat = 23;

// The \\levelnfc of a list style.
int levelNumberFormat(QTextListFormat::Style style) {
    switch (style) {
    case QTextListFormat::ListDecimal:
        return 0;
    case QTextListFormat::ListUpperRoman:
        return 1;
    case QTextListFormat::ListLowerRoman:
        return 2;
    case QTextListFormat::ListUpperAlpha:
        return 3;
    case QTextListFormat::ListLowerAlpha:
        return 4;
    default:
        return kBulletFormat;
    }
}

QByteArray bulletText(QTextListFormat::Style style) {
    if (style == QTextListFormat::ListCircle)
        return "\\u9702 ?";
    if (style == QTextListFormat::ListSquare)
        return "\\u9642 ?";
    return "\\u8226 ?";
}

int listLevel(const QTextList* list) {
    return std::clamp(list->format().indent() - 1, 0, 8);
}

// The outermost table the block is in, or none.
const QTextTable* outerTable(const QTextBlock& block) {
    const QTextTable* found = nullptr;
    for (QTextFrame* f = QTextCursor(block).currentFrame(); f && f->parentFrame();
         f = f->parentFrame())
        if (const auto* t = qobject_cast<const QTextTable*>(f))
            found = t;
    return found;
}

QByteArray num(int v) {
    return QByteArray::number(v);
}

struct Run {
    int font = 0;
    int size = 24;
    int fg = 0;
    int bg = 0;
    int offset = 0;
    QTextCharFormat::VerticalAlignment valign = QTextCharFormat::AlignNormal;
    bool bold = false, italic = false, underline = false, strike = false;
};

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : m_doc(doc) {
        const QFont def = doc.defaultFont();
        m_defaultSize = def.pointSizeF() > 0 ? int(std::lround(def.pointSizeF() * 2)) : 24;
        m_run.size = m_defaultSize;
        fontIndex(def.family(), kJapaneseCharset);
    }

    QByteArray run(int from, int to);

private:
    int fontIndex(const QString& name, int charset);
    int colorIndex(const QColor& c);
    Run runFor(const QTextCharFormat& f);
    void applyRun(const Run& r);
    QByteArray paraProps(const QTextBlock& block);
    void control(const QByteArray& word);
    void literal(char c);
    void hexByte(unsigned char b);
    void writeText(QStringView text, int charset);
    void writeRunText(QStringView text);
    void writeEncoded(QStringView chars, int codePage, QByteArray& out);
    void writePicture(const QTextImageFormat& f);
    void writePictureData(const QByteArray& data, const char* kind, QSize pixels,
                          const QTextImageFormat& f);
    void openLink(const QString& href);
    void closeLink();
    void writeBlock(const QTextBlock& block, int from, int to, QByteArray& lastProps, bool inTable);
    void writeTable(const QTextTable* table, int from, int to);
    QByteArray fontTable();
    QByteArray listTable() const;

    const QTextDocument& m_doc;
    CodePages m_codePages;
    QByteArray m_out;
    bool m_needDelimiter = false;
    int m_defaultSize = 24;
    QList<QPair<QString, int>> m_fonts;
    QList<QRgb> m_colors;
    Run m_run;
    QList<const QTextList*> m_lists; // by \\ls number - 1
    QString m_link;                  // the target of the open hyperlink field
    Run m_runOutside;                // the run in force where that field began
};

int Writer::fontIndex(const QString& name, int charset) {
    const QPair<QString, int> key(name, charset);
    const qsizetype i = m_fonts.indexOf(key);
    if (i >= 0)
        return int(i);
    m_fonts.append(key);
    return int(m_fonts.size() - 1);
}

int Writer::colorIndex(const QColor& c) {
    const QRgb rgb = c.rgb() & 0xFFFFFFu;
    const qsizetype i = m_colors.indexOf(rgb);
    if (i >= 0)
        return int(i) + 1;
    m_colors.append(rgb);
    return int(m_colors.size()); // index 0 is "automatic"
}

Run Writer::runFor(const QTextCharFormat& f) {
    Run r;
    QString family;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        family = families.first();
    if (family.isEmpty()) {
        r.font = 0;
    } else {
        const QVariant cs = f.property(CharsetProperty);
        r.font = fontIndex(family, cs.isValid() ? writtenCharset(cs.toInt()) : kJapaneseCharset);
    }
    r.size = f.fontPointSize() > 0 ? int(std::lround(f.fontPointSize() * 2)) : m_defaultSize;
    r.bold = f.fontWeight() >= QFont::DemiBold;
    r.italic = f.fontItalic();
    r.underline = f.fontUnderline();
    r.strike = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        r.fg = colorIndex(f.foreground().color());
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        r.bg = colorIndex(f.background().color());
    r.valign = f.verticalAlignment();
    if (r.valign != QTextCharFormat::AlignSuperScript &&
        r.valign != QTextCharFormat::AlignSubScript)
        r.valign = QTextCharFormat::AlignNormal;
    const int offset = f.property(OffsetProperty).toInt();
    if ((offset > 0 && r.valign == QTextCharFormat::AlignSuperScript) ||
        (offset < 0 && r.valign == QTextCharFormat::AlignSubScript))
        r.offset = offset;
    return r;
}

void Writer::control(const QByteArray& word) {
    m_out += word;
    m_needDelimiter = true;
}

void Writer::literal(char c) {
    if (m_needDelimiter) {
        m_out += ' ';
        m_needDelimiter = false;
    }
    m_out += c;
}

void Writer::hexByte(unsigned char b) {
    static const char digits[] = "0123456789abcdef";
    m_out += "\\'";
    m_out += digits[b >> 4];
    m_out += digits[b & 15];
    m_needDelimiter = false;
}

void Writer::applyRun(const Run& r) {
    Run& w = m_run;
    // Double-byte text takes its face, size, weight and slant from the
    // associated properties in other programs; they repeat the run's own.
    if (r.font != w.font)
        control("\\loch\\f" + num(r.font) + "\\dbch\\af" + num(r.font));
    if (r.size != w.size)
        control("\\fs" + num(r.size) + "\\afs" + num(r.size));
    if (r.bold != w.bold)
        control(r.bold ? "\\b\\ab" : "\\b0\\ab0");
    if (r.italic != w.italic)
        control(r.italic ? "\\i\\ai" : "\\i0\\ai0");
    if (r.underline != w.underline)
        control(r.underline ? "\\ul" : "\\ulnone");
    if (r.strike != w.strike)
        control(r.strike ? "\\strike" : "\\strike0");
    if (r.fg != w.fg)
        control("\\cf" + num(r.fg));
    if (r.bg != w.bg)
        control("\\highlight" + num(r.bg));
    if (r.valign != w.valign || r.offset != w.offset) {
        if (w.offset > 0 && r.offset <= 0)
            control("\\up0");
        if (w.offset < 0 && r.offset >= 0)
            control("\\dn0");
        if (r.offset > 0)
            control("\\up" + num(r.offset));
        else if (r.offset < 0)
            control("\\dn" + num(-r.offset));
        else if (r.valign == QTextCharFormat::AlignSuperScript)
            control("\\super");
        else if (r.valign == QTextCharFormat::AlignSubScript)
            control("\\sub");
        else
            control("\\nosupersub");
    }
    w = r;
}

QByteArray Writer::paraProps(const QTextBlock& block) {
    const QTextBlockFormat f = block.blockFormat();
    QByteArray p;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        p += "\\qj";
    else if (a & Qt::AlignHCenter)
        p += "\\qc";
    else if (a & Qt::AlignRight)
        p += "\\qr";
    if (int v = twips(f.textIndent()))
        p += "\\fi" + num(v);
    if (int v = twips(f.leftMargin()))
        p += "\\li" + num(v);
    if (int v = twips(f.rightMargin()))
        p += "\\ri" + num(v);
    if (int v = twips(f.topMargin()))
        p += "\\sb" + num(v);
    if (int v = twips(f.bottomMargin()))
        p += "\\sa" + num(v);
    const qreal height = f.lineHeight();
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (height > 0 && int(std::lround(height)) != 100)
            p += "\\sl" + num(int(std::lround(height * 240 / 100))) + "\\slmult1";
        break;
    case QTextBlockFormat::MinimumHeight:
        if (int v = twips(height); v > 0)
            p += "\\sl" + num(v) + "\\slmult0";
        break;
    case QTextBlockFormat::FixedHeight:
        if (int v = twips(height); v > 0)
            p += "\\sl-" + num(v) + "\\slmult0";
        break;
    default:
        break;
    }
    const QList<QTextOption::Tab> tabs = f.tabPositions();
    for (const QTextOption::Tab& t : tabs) {
        if (t.type == QTextOption::RightTab)
            p += "\\tqr";
        else if (t.type == QTextOption::CenterTab)
            p += "\\tqc";
        else if (t.type == QTextOption::DelimiterTab)
            p += "\\tqdec";
        p += "\\tx" + num(twips(t.position));
    }
    if (const QTextList* list = block.textList()) {
        qsizetype i = m_lists.indexOf(list);
        if (i < 0) {
            m_lists.append(list);
            i = m_lists.size() - 1;
        }
        p += "\\ls" + num(int(i) + 1) + "\\ilvl" + num(listLevel(list));
    }
    return p;
}

void Writer::writeEncoded(QStringView chars, int codePage, QByteArray& bytes) {
    if (m_codePages.encode(codePage, chars, &bytes)) {
        for (char b : bytes)
            hexByte(static_cast<unsigned char>(b));
        return;
    }
    // One character at a time: those the code page lacks become \uN with
    // '?' for readers that cannot take Unicode.
    for (qsizetype i = 0; i < chars.size();) {
        const qsizetype n =
            (chars[i].isHighSurrogate() && i + 1 < chars.size() && chars[i + 1].isLowSurrogate())
                ? 2
                : 1;
        const QStringView one = chars.mid(i, n);
        if (m_codePages.encode(codePage, one, &bytes)) {
            for (char b : bytes)
                hexByte(static_cast<unsigned char>(b));
        } else if (const QByteArray cousin = cp932Fallback(codePage, one); !cousin.isEmpty()) {
            // Kept as itself for readers of Unicode, as its cp932 code for
            // the others, instead of a '?'.
            control("\\uc" + num(int(cousin.size())));
            control("\\u" + num(qint16(one[0].unicode())));
            m_needDelimiter = false;
            for (char b : cousin)
                hexByte(static_cast<unsigned char>(b));
            control("\\uc1");
        } else {
            for (QChar c : one) {
                control("\\u" + num(qint16(c.unicode())));
                m_out += '?';
                m_needDelimiter = false;
            }
        }
        i += n;
    }
}

void Writer::writeText(QStringView text, int charset) {
    const int codePage = codePageForCharset(charset, 932);
    QByteArray bytes;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u < 0x7F) {
            if (u == '\\' || u == '{' || u == '}') {
                m_out += '\\';
                m_out += char(u);
                m_needDelimiter = false;
            } else {
                literal(char(u));
            }
            ++i;
            continue;
        }
        switch (u) {
        case '\t':
            control("\\tab");
            ++i;
            continue;
        case QChar::LineSeparator:
            control("\\line");
            ++i;
            continue;
        case QChar::Nbsp:
            m_out += "\\~";
            m_needDelimiter = false;
            ++i;
            continue;
        case 0x00AD:
            m_out += "\\-";
            m_needDelimiter = false;
            ++i;
            continue;
        case 0x2011:
            m_out += "\\_";
            m_needDelimiter = false;
            ++i;
            continue;
        default:
            break;
        }
        if (u < 0x20 || u == 0x7F || u == QChar::ObjectReplacementCharacter ||
            u == QChar::ParagraphSeparator) {
            ++i; // nothing a page can show
            continue;
        }
        qsizetype j = i + 1;
        while (j < n) {
            const char16_t v = text[j].unicode();
            if (v < 0x80 || v == QChar::LineSeparator || v == QChar::Nbsp || v == 0x00AD ||
                v == 0x2011 || v == QChar::ObjectReplacementCharacter ||
                v == QChar::ParagraphSeparator)
                break;
            ++j;
        }
        writeEncoded(text.mid(i, j - i), codePage, bytes);
        i = j;
    }
}

void Writer::writeRunText(QStringView text) {
    const QPair<QString, int> font = m_fonts[m_run.font];
    const int codePage = codePageForCharset(font.second, 932);
    QByteArray bytes;
    if (font.second == kJapaneseCharset || font.second == kSymbolCharset ||
        m_codePages.encode(codePage, text, &bytes)) {
        writeText(text, font.second);
        return;
    }
    // Characters the font's code page lacks but Shift-JIS holds go out in
    // the same face declared as Japanese, so that no reader has to guess.
    const int own = m_run.font;
    auto inOwn = [&](QStringView c) {
        return m_codePages.encode(codePage, c, &bytes) ||
               (!m_codePages.encode(932, c, &bytes) && cp932Fallback(932, c).isEmpty());
    };
    qsizetype start = 0;
    bool startOwn = true;
    for (qsizetype i = 0; i <= text.size();) {
        qsizetype n = 1;
        bool own1 = startOwn;
        if (i < text.size()) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                n = 2;
            // ASCII stays with whichever face is in use.
            if (text[i].unicode() >= 0x80)
                own1 = inOwn(text.mid(i, n));
        }
        if (i > start && (i == text.size() || own1 != startOwn)) {
            Run r = m_run;
            r.font = startOwn ? own : fontIndex(font.first, kJapaneseCharset);
            applyRun(r);
            writeText(text.mid(start, i - start), m_fonts[m_run.font].second);
            start = i;
        }
        startOwn = own1;
        if (i == text.size())
            break;
        i += n;
    }
}

void Writer::writePicture(const QTextImageFormat& f) {
    const QByteArray kept = f.property(PictureProperty).toByteArray();
    if (kept.startsWith("{\\pict") && kept.endsWith('}')) {
        m_out += kept;
        m_needDelimiter = false;
        return;
    }
    // The data as it came keeps a photograph small and every byte of it.
    const QByteArray data = f.property(PictureDataProperty).toByteArray();
    const bool jpeg = data.startsWith("\xFF\xD8\xFF");
    if (data.startsWith("\x89PNG") || jpeg) {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer).size();
        if (size.isValid()) {
            writePictureData(data, jpeg ? "\\jpegblip" : "\\pngblip", size, f);
            return;
        }
    }
    const QVariant v = m_doc.resource(QTextDocument::ImageResource, QUrl(f.name()));
    QImage image;
    QByteArray png;
    if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray raw = v.toByteArray();
        if (raw.startsWith("\x89PNG"))
            png = raw;
        image.loadFromData(raw);
    } else if (v.typeId() == QMetaType::QImage) {
        image = v.value<QImage>();
    } else if (v.typeId() == QMetaType::QPixmap) {
        image = v.value<QPixmap>().toImage();
    }
    if (image.isNull())
        return; // nothing to write; the text around it stays
    if (png.isEmpty()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return;
    }
    writePictureData(png, "\\pngblip", image.size(), f);
}

void Writer::writePictureData(const QByteArray& data, const char* kind, QSize pixels,
                              const QTextImageFormat& f) {
    const qreal w = f.width() > 0 ? f.width() : pixels.width();
    const qreal h = f.height() > 0 ? f.height() : pixels.height();
    m_out += QByteArray("{\\pict") + kind + "\\picw" + num(pixels.width()) + "\\pich" +
             num(pixels.height()) + "\\picwgoal" + num(twips(w)) + "\\pichgoal" + num(twips(h)) +
             "\n";
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        m_out += digits[b >> 4];
        m_out += digits[b & 15];
        if (i % 64 == 63)
            m_out += '\n';
    }
    m_out += '}';
    m_needDelimiter = false;
}

void Writer::openLink(const QString& href) {
    QString inst = QStringLiteral("HYPERLINK ");
    QString target = href;
    if (target.startsWith(QLatin1Char('#'))) {
        inst += QStringLiteral("\\l ");
        target.remove(0, 1);
    }
    target.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    target.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    inst += QLatin1Char('"') + target + QLatin1Char('"');
    m_out += "{\\field{\\*\\fldinst ";
    m_needDelimiter = false;
    writeText(inst, m_fonts[m_run.font].second);
    m_out += "}{\\fldrslt";
    m_needDelimiter = true;
    m_link = href;
    m_runOutside = m_run;
}

void Writer::closeLink() {
    if (m_link.isEmpty())
        return;
    m_out += "}}";
    m_needDelimiter = false;
    m_link.clear();
    m_run = m_runOutside;
}

QByteArray Writer::listTable() const {
    if (m_lists.isEmpty())
        return {};
    // One list per list of the document, its style at every level, so that
    // other programs number and indent it as the editor shows it.
    QByteArray out = "{\\*\\listtable";
    for (qsizetype i = 0; i < m_lists.size(); ++i) {
        const QTextListFormat::Style style = m_lists[i]->format().style();
        const int nfc = levelNumberFormat(style);
        out += "\n{\\list\\listtemplateid" + num(int(i) + 1) + "\\listhybrid";
        for (int level = 0; level < 9; ++level) {
            out += "{\\listlevel\\levelnfc" + num(nfc) + "\\levelnfcn" + num(nfc) +
                   "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1";
            if (nfc == kBulletFormat)
                out += "{\\leveltext\\'01" + bulletText(style) + ";}{\\levelnumbers;}";
            else
                out += "{\\leveltext\\'02\\'0" + num(level) + ".;}{\\levelnumbers\\'01;}";
            const int indent = 360 * (level + 1);
            out += "\\fi-360\\li" + num(indent) + "\\lin" + num(indent) + '}';
        }
        out += "{\\listname ;}\\listid" + num(int(i) + 1) + '}';
    }
    out += "}\n{\\*\\listoverridetable";
    for (qsizetype i = 0; i < m_lists.size(); ++i)
        out += "{\\listoverride\\listid" + num(int(i) + 1) + "\\listoverridecount0\\ls" +
               num(int(i) + 1) + '}';
    out += '}';
    return out;
}

QByteArray Writer::fontTable() {
    QByteArray out = "{\\fonttbl";
    std::swap(out, m_out);
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        m_out += "{\\f" + num(int(i)) + "\\fnil\\fcharset" + num(m_fonts[i].second);
        m_needDelimiter = true;
        QString name = m_fonts[i].first;
        name.replace(QLatin1Char(';'), QLatin1Char(' '));
        writeText(name, m_fonts[i].second);
        m_out += ";}";
        m_needDelimiter = false;
    }
    m_out += '}';
    std::swap(out, m_out);
    return out;
}

void Writer::writeBlock(const QTextBlock& block, int from, int to, QByteArray& lastProps,
                        bool inTable) {
    QByteArray props = paraProps(block);
    if (inTable)
        props.prepend("\\intbl");
    if (props != lastProps) {
        control("\\pard" + props);
        lastProps = props;
    }
    if (const QTextList* list = block.textList()) {
        // The mark as shown, for readers that do not number lists.
        m_out += "{\\listtext\\pard\\plain";
        m_needDelimiter = true;
        const int nfc = levelNumberFormat(list->format().style());
        if (nfc == kBulletFormat)
            m_out += bulletText(list->format().style());
        else
            writeText(list->itemText(block), kJapaneseCharset);
        m_out += "\\tab}";
        m_needDelimiter = false;
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        const int fs = frag.position();
        const int fe = fs + frag.length();
        const int s = std::max(fs, from);
        const int e = std::min(fe, to);
        if (s >= e)
            continue;
        const QTextCharFormat cf = frag.charFormat();
        const QString text = frag.text().mid(s - fs, e - s);
        const QString href = cf.isAnchor() ? cf.anchorHref() : QString();
        if (href != m_link) {
            closeLink();
            if (!href.isEmpty())
                openLink(href);
        }
        applyRun(runFor(cf));
        if (cf.isImageFormat()) {
            for (QChar c : text)
                if (c == QChar::ObjectReplacementCharacter)
                    writePicture(cf.toImageFormat());
            continue;
        }
        writeRunText(text);
    }
    closeLink();
}

void Writer::writeTable(const QTextTable* table, int from, int to) {
    const QTextTableFormat tf = table->format();
    const int rows = table->rows();
    const int columns = table->columns();
    // Column edges from the widths the editor keeps; columns without one
    // share the width of a page.
    const QList<QTextLength> widths = tf.columnWidthConstraints();
    constexpr int kPageTwips = 9000;
    QList<int> edges;
    int edge = 0;
    for (int c = 0; c < columns; ++c) {
        int w = kPageTwips / std::max(1, columns);
        if (c < widths.size()) {
            const QTextLength& l = widths[c];
            const qreal v = std::min<qreal>(l.rawValue(), 1e6);
            if (l.type() == QTextLength::FixedLength && v > 0)
                w = twips(v);
            else if (l.type() == QTextLength::PercentageLength && v > 0)
                w = int(std::lround(v * kPageTwips / 100));
        }
        // Readers take edges closer than a point for one.
        edge += std::clamp(w, 20, 100000);
        edges.append(edge);
    }
    QByteArray border;
    if (tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None) {
        QByteArray side =
            "\\brdrs\\brdrw" + num(std::clamp(twips(std::min(tf.border(), 100.0)), 1, 255));
        const QBrush brush = tf.borderBrush();
        if (brush.style() != Qt::NoBrush)
            side += "\\brdrcf" + num(colorIndex(brush.color()));
        border = "\\clbrdrt" + side + "\\clbrdrl" + side + "\\clbrdrb" + side + "\\clbrdrr" + side;
    }
    QByteArray rowProps =
        "\\trowd\\trgaph" + num(std::clamp(twips(std::min(tf.cellPadding(), 1000.0)), 0, 10000));
    const Qt::Alignment align = tf.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        rowProps += "\\trqc";
    else if (align & Qt::AlignRight)
        rowProps += "\\trqr";
    QByteArray lastProps = "\\none";
    for (int r = 0; r < rows; ++r) {
        // A cell spanning columns is one wide cell, as word processors
        // write it; rows below a taller cell carry a merged one in its place.
        QByteArray def = rowProps;
        QList<QTextTableCell> cells;
        for (int c = 0; c < columns;) {
            const QTextTableCell cell = table->cellAt(r, c);
            const int span = std::max(1, cell.column() + cell.columnSpan() - c);
            if (cell.rowSpan() > 1)
                def += cell.row() == r ? "\\clvmgf" : "\\clvmrg";
            def += border + "\\cellx" + num(edges[std::min(columns, c + span) - 1]);
            cells.append(cell);
            c += span;
        }
        control(def);
        m_out += '\n';
        m_needDelimiter = false;
        for (const QTextTableCell& cell : cells) {
            if (cell.row() == r) {
                QTextBlock b = cell.firstCursorPosition().block();
                const QTextBlock last = cell.lastCursorPosition().block();
                while (b.isValid()) {
                    writeBlock(b, from, to, lastProps, true);
                    if (b == last)
                        break;
                    control("\\par");
                    b = b.next();
                }
                // An empty last paragraph needs a mark of its own.
                if (b != cell.firstCursorPosition().block() && b.length() <= 1)
                    control("\\par");
            } else if (lastProps != "\\intbl") {
                control("\\pard\\intbl");
                lastProps = "\\intbl";
            }
            control("\\cell");
        }
        control("\\row");
        m_out += '\n';
        m_needDelimiter = false;
    }
}

QByteArray Writer::run(int from, int to) {
    m_out.reserve(qsizetype(to - from) * 3 + 256);
    QByteArray lastProps;
    QTextBlock block = m_doc.findBlock(from);
    const QTextBlock lastBlock = m_doc.findBlock(to);
    // A part of one cell is its text alone.
    bool oneCell = false;
    if (const QTextTable* t = outerTable(block)) {
        const QTextTableCell cell = t->cellAt(from);
        oneCell = cell.isValid() && cell == t->cellAt(to) && to < cell.lastPosition() + 1 &&
                  outerTable(lastBlock) == t;
    }
    while (block.isValid()) {
        if (const QTextTable* table = oneCell ? nullptr : outerTable(block)) {
            writeTable(table, from, to);
            lastProps = "\\intbl"; // the paragraph after it needs its own \\pard
            if (lastBlock.position() <= table->lastPosition())
                break;
            block = m_doc.findBlock(table->lastPosition() + 1);
            continue;
        }
        const QTextFormat::PageBreakFlags pageBreak = block.blockFormat().pageBreakPolicy();
        if (pageBreak & QTextFormat::PageBreak_AlwaysBefore)
            control("\\page");
        writeBlock(block, from, to, lastProps, false);
        // Every paragraph ends with a mark; a reader drops the very last.
        control("\\par");
        m_out += '\n';
        m_needDelimiter = false;
        if (block == lastBlock)
            break;
        const QTextBlock next = block.next();
        if ((pageBreak & QTextFormat::PageBreak_AlwaysAfter) && next.isValid() &&
            !(next.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
            control("\\page");
        block = block.next();
    }

    QByteArray head = "{\\rtf1\\ansi\\ansicpg932\\deff0";
    head += fontTable();
    head += "{\\colortbl ;";
    for (QRgb c : m_colors)
        head +=
            "\\red" + num(qRed(c)) + "\\green" + num(qGreen(c)) + "\\blue" + num(qBlue(c)) + ';';
    head += '}';
    head += listTable();
    head += "\n\\viewkind4\\uc1\\loch\\f0\\dbch\\af0";
    if (m_defaultSize != 24)
        head += "\\fs" + num(m_defaultSize) + "\\afs" + num(m_defaultSize);
    head += '\n';
    return head + m_out + "}\n";
}

} // namespace

QByteArray write(const QTextDocument& doc) {
    Writer w(doc);
    return w.run(0, std::max(0, doc.characterCount() - 1));
}

QByteArray writeSelection(const QTextCursor& cursor) {
    if (!cursor.document())
        return write(QTextDocument());
    Writer w(*cursor.document());
    int from = cursor.selectionStart();
    int to = cursor.selectionEnd();
    if (cursor.hasComplexSelection()) {
        // Cells selected across a table: their whole text, as the editor
        // shows them selected.
        const QTextTable* table = cursor.currentTable();
        int row = 0, rows = 0, column = 0, columns = 0;
        cursor.selectedTableCells(&row, &rows, &column, &columns);
        if (table && rows > 0 && columns > 0) {
            from = table->cellAt(row, column).firstPosition();
            to = table->cellAt(row + rows - 1, column + columns - 1).lastPosition();
        }
    }
    return w.run(from, to);
}

} // namespace Rtf
