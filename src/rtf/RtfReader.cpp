#include "rtf/RtfReader.h"

#include "rtf/PictureData.h"

#include "rtf/RtfParser.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <array>
#include <atomic>

namespace Rtf {

namespace {

std::atomic<quint64> g_imageSerial{0};

QString toPlain(QString s) {
    // As QTextDocument::toPlainText gives it.
    s.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    s.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
    return s;
}

class PlainSink final : public Sink {
public:
    QString out;
    void text(const QString& t, const CharState&) override { out += t; }
    void picture(const Picture&, const CharState&) override {
        out += QChar(QChar::ObjectReplacementCharacter);
    }
    void formatParagraph(const ParaState&) override {}
    void breakParagraph() override { out += QLatin1Char('\n'); }
    void lastParagraph(const ParaState&) override {}
    void table(const Table& t) override {
        // As the document gives it: every cell a paragraph of its own
        // between the table's frame marks.
        out += QLatin1Char('\n');
        bool first = true;
        for (const TableCell& c : t.cells) {
            if (c.covered)
                continue;
            if (!first)
                out += QLatin1Char('\n');
            first = false;
            replay(c.content, *this);
        }
        out += QLatin1Char('\n');
    }
};

QTextListFormat::Style listStyle(ListKind kind, int level) {
    switch (kind) {
    case ListKind::Default:
        break;
    case ListKind::Disc:
        return QTextListFormat::ListDisc;
    case ListKind::Circle:
        return QTextListFormat::ListCircle;
    case ListKind::Square:
        return QTextListFormat::ListSquare;
    case ListKind::Decimal:
        return QTextListFormat::ListDecimal;
    case ListKind::LowerAlpha:
        return QTextListFormat::ListLowerAlpha;
    case ListKind::UpperAlpha:
        return QTextListFormat::ListUpperAlpha;
    case ListKind::LowerRoman:
        return QTextListFormat::ListLowerRoman;
    case ListKind::UpperRoman:
        return QTextListFormat::ListUpperRoman;
    }
    static const QTextListFormat::Style byLevel[] = {
        QTextListFormat::ListDisc, QTextListFormat::ListCircle, QTextListFormat::ListSquare};
    return byLevel[level % 3];
}

class DocumentSink final : public Sink {
public:
    DocumentSink(QTextCursor& cursor, const Tables& tables, bool ownsFirstBlock)
        : m_cursor(&cursor), m_tables(tables), m_ownsBlock(ownsFirstBlock) {}

    void text(const QString& t, const CharState& ch) override {
        if (!ch.east.isSet()) {
            m_cursor->insertText(t, charFormat(ch));
            return;
        }
        const CharState east = eastLook(ch);
        if (ch.runType == RunType::Dbch) {
            m_cursor->insertText(t, charFormat(east));
            return;
        }
        // Each character takes the look of its kind, as a word processor
        // shows it; a low surrogate stays with its high one.
        qsizetype start = 0;
        bool startEast = false;
        for (qsizetype i = 0; i <= t.size(); ++i) {
            bool isEast = startEast;
            if (i < t.size() && !t.at(i).isLowSurrogate())
                isEast = isEastAsian(t.at(i).unicode());
            if (i > start && (i == t.size() || isEast != startEast)) {
                m_cursor->insertText(t.mid(start, i - start), charFormat(startEast ? east : ch));
                start = i;
            }
            startEast = isEast;
        }
    }

    void picture(const Picture& pic, const CharState& ch) override {
        if (pic.kind == ImageKind::Other) {
            placeholder(pic, ch);
            return;
        }
        const QImage image = PictureData::Decode(pic.data);
        if (image.isNull()) {
            // Damaged or oversized picture data is kept as it came.
            Picture kept = pic;
            kept.widthPx = pic.widthPx > 0 ? pic.widthPx : 96;
            kept.heightPx = pic.heightPx > 0 ? pic.heightPx : 96;
            placeholder(kept, ch);
            return;
        }
        QTextDocument* doc = m_cursor->document();
        const QString name = QStringLiteral("rtfimage:%1").arg(++g_imageSerial);
        doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat f;
        f.merge(charFormat(ch));
        f.setName(name);
        f.setProperty(PictureDataProperty, pic.data);
        if (pic.widthPx > 0 && pic.heightPx > 0) {
            f.setWidth(pic.widthPx);
            f.setHeight(pic.heightPx);
        }
        m_cursor->insertImage(f);
    }

    void formatParagraph(const ParaState& p) override {
        QTextBlockFormat bf;
        switch (p.align) {
        case Align::Left:
            bf.setAlignment(Qt::AlignLeft);
            break;
        case Align::Center:
            bf.setAlignment(Qt::AlignHCenter);
            break;
        case Align::Right:
            bf.setAlignment(Qt::AlignRight);
            break;
        case Align::Justify:
            bf.setAlignment(Qt::AlignJustify);
            break;
        }
        if (p.firstIndent)
            bf.setTextIndent(p.firstIndent / kTwipsPerPixel);
        if (p.leftIndent)
            bf.setLeftMargin(p.leftIndent / kTwipsPerPixel);
        if (p.rightIndent)
            bf.setRightMargin(p.rightIndent / kTwipsPerPixel);
        if (!p.tabs.isEmpty()) {
            QList<QTextOption::Tab> tabs;
            for (const TabStop& t : p.tabs) {
                QTextOption::TabType type = QTextOption::LeftTab;
                if (t.kind == TabKind::Right)
                    type = QTextOption::RightTab;
                else if (t.kind == TabKind::Center)
                    type = QTextOption::CenterTab;
                else if (t.kind == TabKind::Decimal)
                    type = QTextOption::DelimiterTab;
                tabs.append(QTextOption::Tab(t.twips / kTwipsPerPixel, type,
                                             type == QTextOption::DelimiterTab ? QLatin1Char('.')
                                                                               : QChar()));
            }
            bf.setTabPositions(tabs);
        }
        if (p.spaceBefore)
            bf.setTopMargin(p.spaceBefore / kTwipsPerPixel);
        if (p.spaceAfter)
            bf.setBottomMargin(p.spaceAfter / kTwipsPerPixel);
        if (p.lineSpacing > 0 && p.lineMultiple)
            bf.setLineHeight(p.lineSpacing * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
        else if (p.lineSpacing > 0)
            bf.setLineHeight(p.lineSpacing / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
        else if (p.lineSpacing < 0)
            bf.setLineHeight(-p.lineSpacing / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
        if (p.pageBreakBefore)
            bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        // A fresh format also takes the paragraph out of any list it
        // inherited from the paragraph before it.
        m_cursor->setBlockFormat(bf);
        if (!p.bullet)
            return;
        const QTextBlock block = m_cursor->block();
        const int number = block.blockNumber();
        // An item continues the list of its level among the items just
        // before it; a shallower item ends the deeper lists.
        if (m_listBlock + 1 != number)
            m_open.fill(OpenList());
        const int level = std::clamp(p.listLevel, 0, int(m_open.size()) - 1);
        for (size_t i = size_t(level) + 1; i < m_open.size(); ++i)
            m_open[i] = OpenList();
        OpenList& open = m_open[size_t(level)];
        if (open.list && open.override == p.listOverride && open.kind == p.listKind) {
            open.list->add(block);
        } else {
            QTextListFormat lf;
            lf.setStyle(listStyle(p.listKind, level));
            lf.setIndent(level + 1);
            open = OpenList{m_cursor->createList(lf), p.listOverride, p.listKind};
        }
        m_listBlock = number;
    }

    void breakParagraph() override {
        // Text after an insertion point keeps its paragraph's look, but
        // not its list: lists are rebuilt from what the RTF says.
        QTextBlockFormat bf = m_cursor->blockFormat();
        bf.clearProperty(QTextFormat::ObjectIndex);
        m_cursor->insertBlock(bf, m_cursor->charFormat());
        m_ownsBlock = true;
    }

    void lastParagraph(const ParaState& p) override {
        if (m_ownsBlock)
            formatParagraph(p);
    }

    void table(const Table& t) override {
        QTextTableFormat tf;
        tf.setCellSpacing(0);
        tf.setBorderCollapse(true);
        tf.setCellPadding(t.paddingTwips / kTwipsPerPixel);
        if (t.borderTwips > 0) {
            tf.setBorder(std::max(1.0, t.borderTwips / kTwipsPerPixel));
            tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            const QColor c = t.borderColor > 0 ? color(t.borderColor) : QColor();
            tf.setBorderBrush(c.isValid() ? c : QColor(Qt::black));
        } else {
            tf.setBorder(0);
            tf.setBorderStyle(QTextFrameFormat::BorderStyle_None);
        }
        if (t.align == Align::Center)
            tf.setAlignment(Qt::AlignHCenter);
        else if (t.align == Align::Right)
            tf.setAlignment(Qt::AlignRight);
        QList<QTextLength> widths;
        for (int w : t.widths)
            widths.append(QTextLength(QTextLength::FixedLength, w / kTwipsPerPixel));
        tf.setColumnWidthConstraints(widths);
        // One edit for the whole table: the document tells its layout of
        // each edit, and a long table would be laid out again for each join.
        QTextCursor edit = *m_cursor;
        edit.beginEditBlock();
        QTextTable* table = m_cursor->insertTable(t.rows, t.columns, tf);
        // Cells are joined while still empty; filling them leaves the grid
        // as it is, so each cell is found at once.
        for (int r = 0; r < t.rows; ++r)
            for (int c = 0; c < t.columns; ++c) {
                const TableCell& cell = t.at(r, c);
                if (!cell.covered && (cell.rowSpan > 1 || cell.colSpan > 1))
                    table->mergeCells(r, c, cell.rowSpan, cell.colSpan);
            }
        QTextCursor* outer = m_cursor;
        const bool owns = m_ownsBlock;
        for (int r = 0; r < t.rows; ++r)
            for (int c = 0; c < t.columns; ++c) {
                const TableCell& cell = t.at(r, c);
                if (cell.covered || cell.content.empty())
                    continue;
                QTextCursor in = table->cellAt(r, c).firstCursorPosition();
                m_cursor = &in;
                m_ownsBlock = true;
                replay(cell.content, *this);
            }
        m_cursor = outer;
        m_ownsBlock = owns;
        edit.endEditBlock();
        // Reading goes on in the paragraph after the table.
        m_cursor->setPosition(table->lastPosition() + 1);
        m_listBlock = -2;
    }

private:
    void placeholder(const Picture& pic, const CharState& ch) {
        QTextDocument* doc = m_cursor->document();
        const QUrl name(QStringLiteral("rtfimage:placeholder"));
        if (doc->resource(QTextDocument::ImageResource, name).isNull()) {
            QImage box(16, 16, QImage::Format_RGB32);
            box.fill(QColor(0xd8, 0xd8, 0xd8));
            doc->addResource(QTextDocument::ImageResource, name, box);
        }
        QTextImageFormat f;
        f.merge(charFormat(ch));
        f.setName(name.toString());
        f.setWidth(pic.widthPx);
        f.setHeight(pic.heightPx);
        f.setProperty(PictureProperty, pic.source);
        m_cursor->insertImage(f);
    }

    // An entry of the colour table; invalid for "automatic" and bad indexes.
    QColor color(int index) const {
        if (index >= 0 && index < m_tables.colors.size() && (m_tables.colors[index] >> 24))
            return QColor::fromRgb(m_tables.colors[index]);
        return {};
    }

    const QTextCharFormat& charFormat(const CharState& ch) {
        if (m_haveFormat && ch == m_lastState)
            return m_lastFormat;
        QTextCharFormat f;
        if (const FontInfo* font = m_tables.font(ch.font)) {
            if (!font->name.isEmpty())
                f.setFontFamilies(QStringList{font->name});
            f.setProperty(CharsetProperty, font->charset);
        }
        f.setFontPointSize(ch.sizeHalfPoints / 2.0);
        if (ch.bold)
            f.setFontWeight(QFont::Bold);
        if (ch.italic)
            f.setFontItalic(true);
        if (ch.underline)
            f.setFontUnderline(true);
        if (ch.strike)
            f.setFontStrikeOut(true);
        if (const QColor c = color(ch.fg); c.isValid())
            f.setForeground(c);
        if (const QColor c = color(ch.bg); c.isValid())
            f.setBackground(c);
        if (ch.valign == VAlign::Super)
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (ch.valign == VAlign::Sub)
            f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        if (ch.offsetHalfPoints != 0)
            f.setProperty(OffsetProperty, ch.offsetHalfPoints);
        if (ch.link > 0 && ch.link <= m_tables.links.size()) {
            f.setAnchor(true);
            f.setAnchorHref(m_tables.links[ch.link - 1]);
        }
        m_lastFormat = f;
        m_lastState = ch;
        m_haveFormat = true;
        return m_lastFormat;
    }

    QTextCursor* m_cursor;
    const Tables& m_tables;
    bool m_ownsBlock;
    struct OpenList {
        QTextList* list = nullptr;
        int override = 0;
        ListKind kind = ListKind::Default;
    };
    std::array<OpenList, 9> m_open;
    int m_listBlock = -2;
    bool m_haveFormat = false;
    CharState m_lastState;
    QTextCharFormat m_lastFormat;
};

ReadResult toReadResult(const ParseResult& r) {
    ReadResult out;
    out.ok = r.ok;
    out.error = r.error;
    return out;
}

ReadResult readAt(const QByteArray& rtf, QTextCursor& cursor, bool ownsFirstBlock) {
    Tables tables;
    DocumentSink sink(cursor, tables, ownsFirstBlock);
    return toReadResult(parse(rtf, sink, tables));
}

// Bytes that are no RTF at all change nothing.
bool refuse(const QByteArray& rtf, ReadResult* r) {
    if (looksLikeRtf(rtf))
        return false;
    Tables tables;
    PlainSink none;
    *r = toReadResult(parse(rtf, none, tables)); // for its message
    return true;
}

} // namespace

ReadResult readInto(const QByteArray& rtf, QTextCursor& cursor) {
    ReadResult refused;
    if (refuse(rtf, &refused))
        return refused;
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    // Paragraph properties of an inserted last paragraph without a mark of
    // its own apply only where it does not share the paragraph with text
    // that was there before.
    const bool owns = cursor.block().length() <= 1;
    ReadResult r = readAt(rtf, cursor, owns);
    cursor.endEditBlock();
    return r;
}

ReadResult load(const QByteArray& rtf, QTextDocument& doc) {
    ReadResult refused;
    if (refuse(rtf, &refused))
        return refused;
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false); // a loaded page starts a fresh history
    doc.clear();
    QTextCursor cursor(&doc);
    // One edit: outside one, each insertion lays its paragraph out again.
    cursor.beginEditBlock();
    ReadResult r = readAt(rtf, cursor, true);
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
    return r;
}

QString plainText(const QByteArray& rtf, ReadResult* result) {
    Tables tables;
    PlainSink sink;
    const ParseResult r = parse(rtf, sink, tables);
    if (result)
        *result = toReadResult(r);
    return toPlain(std::move(sink.out));
}

bool isRtf(const QByteArray& bytes) {
    return looksLikeRtf(bytes);
}

} // namespace Rtf
