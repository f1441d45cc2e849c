// Tables read into QTextTable and written back as rows and cells.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include "TestSupport.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QTextDocument> loaded(const QByteArray& rtf, bool ok = true) {
    auto doc = std::make_unique<QTextDocument>();
    const Rtf::ReadResult r = Rtf::load(rtf, *doc);
    EXPECT_EQ(r.ok, ok) << r.error.toStdString();
    // Both readers must agree on the text.
    EXPECT_EQ(Rtf::plainText(rtf).toStdString(), doc->toPlainText().toStdString());
    return doc;
}

QList<QTextTable*> tables(const QTextDocument& doc) {
    QList<QTextTable*> out;
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f))
            out.append(t);
    return out;
}

QString cellText(const QTextTable* t, int row, int column) {
    const QTextTableCell cell = t->cellAt(row, column);
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return c.selectedText().replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
}

const char kHead[] = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                     "{\\colortbl;\\red255\\green0\\blue0;}";

QByteArray rtf(const char* body) {
    return QByteArray(kHead) + body + '}';
}

} // namespace

TEST(RtfTable, RowsAndCellsWithWidthsBordersAndFormats) {
    const auto doc = loaded(rtf("before\\par"
                                "\\trowd\\trgaph108\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\cellx1500"
                                "\\clbrdrt\\brdrs\\brdrw30\\cellx4500"
                                "\\pard\\intbl a{\\b bold}\\cell b\\par second\\cell\\row"
                                "\\trowd\\trgaph108\\cellx1500\\cellx4500"
                                "\\pard\\intbl\\qc c\\cell d\\cell\\row\\pard after\\par"));
    const QList<QTextTable*> found = tables(*doc);
    ASSERT_EQ(found.size(), 1);
    const QTextTable* t = found.first();
    ASSERT_EQ(t->rows(), 2);
    ASSERT_EQ(t->columns(), 2);
    EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("abold"));
    EXPECT_EQ(cellText(t, 0, 1), QStringLiteral("b\nsecond"));
    EXPECT_EQ(cellText(t, 1, 0), QStringLiteral("c"));
    EXPECT_EQ(cellText(t, 1, 1), QStringLiteral("d"));
    const QTextTableFormat tf = t->format();
    const QList<QTextLength> widths = tf.columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_EQ(widths[0].type(), QTextLength::FixedLength);
    EXPECT_DOUBLE_EQ(widths[0].rawValue(), 100.0); // 1500 twips
    EXPECT_DOUBLE_EQ(widths[1].rawValue(), 200.0);
    EXPECT_DOUBLE_EQ(tf.border(), 2.0);
    EXPECT_EQ(tf.borderBrush().color(), QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(tf.cellPadding(), 108 / 15.0);
    // Formats inside cells are kept.
    QTextCursor c = t->cellAt(0, 0).firstCursorPosition();
    c.setPosition(c.position() + 2);
    EXPECT_GE(c.charFormat().fontWeight(), QFont::DemiBold);
    EXPECT_EQ(t->cellAt(1, 0).firstCursorPosition().blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("before\nabold\nb\nsecond\nc\nd\nafter"));
}

TEST(RtfTable, NoBordersUnlessTheCellsHaveThem) {
    const auto doc = loaded(rtf("\\trowd\\cellx1000\\pard\\intbl x\\cell\\row"));
    ASSERT_EQ(tables(*doc).size(), 1);
    EXPECT_DOUBLE_EQ(tables(*doc).first()->format().border(), 0.0);
    // Paragraph borders are no cell borders.
    const auto para = loaded(rtf("\\pard\\brdrt\\brdrs\\brdrw20 p\\par"
                                 "\\trowd\\cellx1000\\pard\\intbl x\\cell\\row"));
    EXPECT_DOUBLE_EQ(tables(*para).first()->format().border(), 0.0);
}

TEST(RtfTable, HorizontalAndVerticalMerges) {
    const auto doc = loaded(rtf("\\trowd\\clmgf\\cellx1000\\clmrg\\cellx2000\\cellx3000"
                                "\\pard\\intbl wide\\cell\\cell right\\cell\\row"
                                "\\trowd\\clvmgf\\cellx1000\\cellx2000\\clvmgf\\cellx3000"
                                "\\pard\\intbl tall\\cell m\\cell r\\cell\\row"
                                "\\trowd\\clvmrg\\cellx1000\\cellx2000\\clvmrg\\cellx3000"
                                "\\pard\\intbl\\cell n\\cell kept\\cell\\row"));
    const QTextTable* t = tables(*doc).first();
    ASSERT_EQ(t->rows(), 3);
    ASSERT_EQ(t->columns(), 3);
    EXPECT_EQ(t->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("wide"));
    EXPECT_EQ(cellText(t, 0, 2), QStringLiteral("right"));
    EXPECT_EQ(t->cellAt(1, 0).rowSpan(), 2);
    EXPECT_EQ(cellText(t, 1, 0), QStringLiteral("tall"));
    EXPECT_EQ(cellText(t, 2, 1), QStringLiteral("n"));
    // Text in a merged-away cell is not lost: it joins the first one.
    EXPECT_EQ(t->cellAt(1, 2).rowSpan(), 2);
    EXPECT_EQ(cellText(t, 1, 2), QStringLiteral("r\nkept"));
}

TEST(RtfTable, RowsOfDifferentEdgesShareColumns) {
    // As LibreOffice writes a merged cell: one cell as wide as two.
    const auto doc = loaded(rtf("\\trowd\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row"
                                "\\trowd\\cellx1000\\cellx2000\\cellx4000"
                                "\\pard\\intbl c\\cell d\\cell e\\cell\\row"));
    const QTextTable* t = tables(*doc).first();
    ASSERT_EQ(t->columns(), 3);
    EXPECT_EQ(t->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(t->cellAt(0, 2).columnSpan(), 1);
    EXPECT_EQ(cellText(t, 0, 2), QStringLiteral("b"));
    EXPECT_EQ(cellText(t, 1, 1), QStringLiteral("d"));
}

TEST(RtfTable, EmptyCellsPastTheDefinitionAreDropped) {
    const auto doc =
        loaded(rtf("\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\cell\\row"
                   "\\trowd\\cellx1000\\pard\\intbl c\\cell d\\cell\\row"));
    const QTextTable* t = tables(*doc).first();
    // Edges 1000 and 2000 from the first row, 2440 for the second row's
    // cell past its definition, which holds text; the first row's empty
    // one past its own would have made a fourth at 3440.
    EXPECT_EQ(t->columns(), 3);
    EXPECT_EQ(cellText(t, 1, 1), QStringLiteral("d"));
}

TEST(RtfTable, NestedTablesStayText) {
    const auto doc = loaded(
        rtf("\\trowd\\cellx3000\\pard\\intbl outer\\par"
            "\\pard\\intbl\\itap2 x\\nestcell y\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000"
            "\\cellx2000\\nestrow}{\\nonesttables\\par}"
            "\\pard\\intbl\\itap1 end\\cell\\row"));
    const QList<QTextTable*> found = tables(*doc);
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found.first()->childFrames().isEmpty());
    EXPECT_EQ(cellText(found.first(), 0, 0), QStringLiteral("outer\nx\ty\t\nend"));
}

TEST(RtfTable, PlainTextAgreesWithTheDocument) {
    // loaded() compares both readers.
    const char* bodies[] = {
        "\\trowd\\cellx1000\\pard\\intbl a\\cell\\row",                       // at the start
        "x\\trowd\\cellx1000\\pard\\intbl a\\cell\\row",                      // after text
        "\\trowd\\cellx1000\\intbl a\\cell\\row\\trowd\\cellx1000\\pard\\par" // then a paragraph
        "\\trowd\\cellx1000\\pard\\intbl b\\cell\\row",
        "\\trowd\\cellx1000\\intbl a\\par\\par\\cell\\row",    // empty last paragraph
        "\\trowd\\cellx1000\\intbl a\\cell\\row\\pard\\intbl", // an empty cell left open
        "\\intbl a\\cell b\\par",                              // no row end
        "a\\cell b\\row c",                                    // no \\intbl at all
        "\\trowd\\cellx1000\\intbl a{\\*\\footnote n\\cell m}\\cell\\row",
    };
    for (const char* body : bodies)
        loaded(rtf(body));
}

TEST(RtfTable, WrittenAsRowsAndCellsAndReadBack) {
    const auto doc = loaded(rtf("top\\par"
                                "\\trowd\\clbrdrb\\brdrs\\brdrw15\\clvmgf\\cellx1500"
                                "\\clbrdrb\\brdrs\\brdrw15\\cellx4500"
                                "\\pard\\intbl a\\cell {\\i b}\\par\\par\\cell\\row"
                                "\\trowd\\clvmrg\\cellx1500\\clmgf\\cellx3000\\clmrg\\cellx4500"
                                "\\pard\\intbl\\cell wide\\cell\\cell\\row"
                                "\\pard bottom\\par"));
    const QByteArray out = Rtf::write(*doc);
    EXPECT_TRUE(out.contains("\\trowd\\trgaph0\\clvmgf\\clbrdrt\\brdrs\\brdrw15")) << out.data();
    EXPECT_TRUE(out.contains("\\cellx1500")) << out.data();
    EXPECT_TRUE(out.contains("\\clvmrg")) << out.data();
    EXPECT_TRUE(out.contains("\\pard\\intbl a\\cell")) << out.data();
    EXPECT_TRUE(out.contains("\\row")) << out.data();
    const auto back = loaded(out);
    EXPECT_EQ(back->toPlainText(), doc->toPlainText());
    const QTextTable* t = tables(*back).first();
    ASSERT_EQ(t->rows(), 2);
    ASSERT_EQ(t->columns(), 2);
    EXPECT_EQ(t->cellAt(0, 0).rowSpan(), 2);
    EXPECT_EQ(cellText(t, 0, 1), QStringLiteral("b\n"));
    EXPECT_EQ(cellText(t, 1, 1), QStringLiteral("wide"));
    EXPECT_DOUBLE_EQ(t->format().border(), 1.0);
    const QList<QTextLength> widths = t->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 2);
    EXPECT_DOUBLE_EQ(widths[1].rawValue(), 200.0);
    // The paragraph after the table is no longer in it.
    EXPECT_TRUE(back->toPlainText().endsWith(QStringLiteral("\nbottom")));
}

TEST(RtfTable, TablesMadeInTheEditorAreWritten) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("a"));
    QTextTableFormat tf;
    tf.setBorder(1);
    QTextTable* t = c.insertTable(2, 3, tf);
    t->mergeCells(0, 1, 2, 2);
    t->cellAt(0, 1).firstCursorPosition().insertText(QString::fromUtf8("日本"));
    t->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("z"));
    const QByteArray out = Rtf::write(doc);
    // Columns without a width share the page.
    EXPECT_TRUE(out.contains("\\cellx3000")) << out.data();
    EXPECT_TRUE(out.contains("\\cellx9000")) << out.data();
    const auto back = loaded(out);
    EXPECT_EQ(back->toPlainText(), doc.toPlainText());
    const QTextTable* b = tables(*back).first();
    EXPECT_EQ(b->cellAt(0, 1).rowSpan(), 2);
    EXPECT_EQ(cellText(b, 0, 1), QString::fromUtf8("日本"));
}

TEST(RtfTable, SelectionAcrossCellsWritesThem) {
    const auto doc = loaded(rtf("\\trowd\\cellx1000\\cellx2000\\pard\\intbl ab\\cell cd\\cell\\row"
                                "\\pard tail\\par"));
    QTextCursor c(doc.get());
    const int at = int(doc->toPlainText().indexOf(QLatin1Char('b')));
    c.setPosition(at);
    c.setPosition(at + 3, QTextCursor::KeepAnchor); // "b", the cell break, "c"
    const QByteArray out = Rtf::writeSelection(c);
    const QString text = Rtf::plainText(out);
    SCOPED_TRACE(out.toStdString());
    // Selected across cells, the cells are selected whole.
    EXPECT_TRUE(text.contains(QStringLiteral("ab")));
    EXPECT_TRUE(text.contains(QStringLiteral("cd")));
    EXPECT_FALSE(text.contains(QStringLiteral("tail")));
    // Within one cell the selection is the text selected.
    c.setPosition(at);
    c.setPosition(at + 1, QTextCursor::KeepAnchor);
    EXPECT_EQ(Rtf::plainText(Rtf::writeSelection(c)), QStringLiteral("b"));
}

TEST(RtfTable, ManyRowsKeepTheirOrder) {
    QByteArray body = "\\trowd\\cellx1000\\cellx2000\n";
    for (int i = 0; i < 2000; ++i)
        body += "\\pard\\intbl " + QByteArray::number(i) + "\\cell x\\cell\\row\n";
    const auto doc = loaded(rtf(body.constData()));
    const QTextTable* t = tables(*doc).first();
    ASSERT_EQ(t->rows(), 2000);
    EXPECT_EQ(cellText(t, 1999, 0), QStringLiteral("1999"));
    EXPECT_EQ(cellText(t, 1000, 1), QStringLiteral("x"));
}

TEST(RtfTable, EveryCutReadsCleanly) {
    const QByteArray whole =
        rtf("a\\par\\trowd\\clvmgf\\clbrdrt\\brdrs\\cellx1000\\clmgf\\cellx2000"
            "\\clmrg\\cellx3000\\pard\\intbl{\\b x}\\cell y\\cell\\cell\\row"
            "\\trowd\\clvmrg\\cellx1000\\cellx3000\\pard\\intbl\\cell z\\par"
            "w\\cell\\row\\pard b\\par");
    for (qsizetype n = 6; n < whole.size() - 1; ++n) {
        const QByteArray cut = whole.left(n);
        QTextDocument doc;
        const Rtf::ReadResult r = Rtf::load(cut, doc);
        EXPECT_FALSE(r.ok) << n;
        EXPECT_EQ(Rtf::plainText(cut), doc.toPlainText()) << n;
        QTextDocument back;
        Rtf::load(Rtf::write(doc), back);
        EXPECT_EQ(back.toPlainText(), doc.toPlainText()) << n;
    }
}

namespace {

QByteArray sample(const char* name) {
    QFile f(TestDataPath(QStringLiteral("rtf")) + QLatin1Char('/') + QString::fromUtf8(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

} // namespace

TEST(RtfTable, LibreOfficeSample) {
    const auto doc = loaded(sample("lo_tables.rtf"));
    const QList<QTextTable*> found = tables(*doc);
    ASSERT_EQ(found.size(), 2);
    const QTextTable* t = found[0];
    ASSERT_EQ(t->rows(), 4);
    ASSERT_EQ(t->columns(), 3);
    EXPECT_EQ(cellText(t, 0, 1), QString::fromUtf8("名前"));
    EXPECT_EQ(t->cellAt(1, 0).columnSpan(), 2);
    EXPECT_EQ(cellText(t, 1, 0), QString::fromUtf8("横に結合 merged across"));
    EXPECT_EQ(t->cellAt(1, 2).rowSpan(), 2);
    EXPECT_EQ(cellText(t, 2, 1), QString::fromUtf8("斜体 italic"));
    // The table in a cell is its text.
    EXPECT_TRUE(cellText(t, 3, 0).contains(QString::fromUtf8("in 1\t中 2")));
    EXPECT_GT(t->format().border(), 0.0);
    const QList<QTextLength> widths = t->format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_LT(widths[0].rawValue(), widths[1].rawValue());
    EXPECT_LT(widths[1].rawValue(), widths[2].rawValue());
    // The second table has no lines and an empty cell in its place.
    EXPECT_DOUBLE_EQ(found[1]->format().border(), 0.0);
    EXPECT_EQ(cellText(found[1], 1, 1), QString());
    EXPECT_EQ(cellText(found[1], 1, 2), QStringLiteral("empty middle"));
    // Written and read again: the same grid.
    const auto back = loaded(Rtf::write(*doc));
    EXPECT_EQ(back->toPlainText(), doc->toPlainText());
    const QTextTable* b = tables(*back).first();
    EXPECT_EQ(b->columns(), 3);
    EXPECT_EQ(b->cellAt(1, 0).columnSpan(), 2);
    EXPECT_EQ(b->cellAt(1, 2).rowSpan(), 2);
}

TEST(RtfTable, PandocAndWordStyleSamples) {
    const auto pandoc = loaded(sample("pandoc_tables.rtf"));
    const QList<QTextTable*> p = tables(*pandoc);
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(p[0]->rows(), 3);
    EXPECT_EQ(p[0]->columns(), 3);
    EXPECT_EQ(cellText(p[0], 1, 1), QString::fromUtf8("日本"));
    // Pandoc ends every cell's paragraph with a mark: no empty paragraph.
    EXPECT_EQ(cellText(p[0], 2, 2), QStringLiteral("22"));
    EXPECT_EQ(p[0]->cellAt(2, 2).firstCursorPosition().blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    const auto docx = loaded(sample("lo_docx_tables.rtf"));
    const QList<QTextTable*> d = tables(*docx);
    ASSERT_EQ(d.size(), 2);
    EXPECT_EQ(d[0]->rows(), 3);
    EXPECT_EQ(cellText(d[1], 1, 1), QStringLiteral("bullet in cell\nanother"));
    EXPECT_NE(d[1]->cellAt(1, 1).firstCursorPosition().block().textList(), nullptr);
}

TEST(RtfTable, LongTablesWithJoinedCellsComeInPartsCutBetweenSpans) {
    QByteArray body;
    for (int i = 0; i < 1000; ++i) {
        const char* first = i == 398 ? "\\clvmgf" : (i > 398 && i < 402) ? "\\clvmrg" : "";
        body += "\\trowd" + QByteArray(first) + "\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000" +
                "\\pard\\intbl " + QByteArray::number(i) + "\\cell w\\cell\\cell\\row\n";
    }
    const auto doc = loaded(rtf(body.constData()));
    const QList<QTextTable*> parts = tables(*doc);
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0]->rows(), 402); // not cut inside the tall cell
    EXPECT_EQ(parts[0]->cellAt(398, 0).rowSpan(), 4);
    EXPECT_EQ(parts[1]->rows(), 400);
    EXPECT_EQ(parts[2]->rows(), 198);
    EXPECT_EQ(cellText(parts[2], 197, 0), QStringLiteral("999"));
    EXPECT_EQ(parts[2]->cellAt(0, 1).columnSpan(), 2);
    // Written as one run of rows, read in the same parts.
    const auto back = loaded(Rtf::write(*doc));
    EXPECT_EQ(tables(*back).size(), 3);
    EXPECT_EQ(back->toPlainText(), doc->toPlainText());
    // Without joined cells a long table stays whole.
    QByteArray plain;
    for (int i = 0; i < 1000; ++i)
        plain += "\\trowd\\cellx1000\\pard\\intbl x\\cell\\row\n";
    EXPECT_EQ(tables(*loaded(rtf(plain.constData()))).size(), 1);
}

TEST(RtfTable, ACellEdgeInsideAPictureIsNoTableProperty) {
    // The picture is kept and written back whole: its stray \cellx must not
    // add a column when our own output is read again.
    const QByteArray rtf = "{\\rtf\\cell{\\pict\\cellx946108}}";
    const auto doc = loaded(rtf);
    ASSERT_EQ(tables(*doc).size(), 1);
    const int columns = tables(*doc).first()->columns();
    const QByteArray written = Rtf::write(*doc);
    QTextDocument back;
    ASSERT_TRUE(Rtf::load(written, back).ok);
    EXPECT_EQ(back.toPlainText(), doc->toPlainText());
    ASSERT_EQ(tables(back).size(), 1);
    EXPECT_EQ(tables(back).first()->columns(), columns);
}

TEST(RtfTable, ACellJoinedToTheLeftPastACellJoinedAboveStandsAlone) {
    // The middle cell of the second row joins the one above it; the last one
    // asks to join its left neighbour, which is no cell of this row. It stays
    // a cell of its own, in the document and in the plain text alike.
    const QByteArray rtf = "{\\rtf1\\trowd\\cellx1000\\clvmgf\\cellx2000\\cellx3000"
                           "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                           "\\trowd\\cellx1000\\clvmrg\\cellx2000\\clmrg\\cellx3000"
                           "\\pard\\intbl d\\cell\\cell e\\cell\\row\\pard}";
    const auto doc = loaded(rtf);
    const QTextTable* t = tables(*doc).first();
    ASSERT_EQ(t->rows(), 2);
    ASSERT_EQ(t->columns(), 3);
    EXPECT_EQ(t->cellAt(0, 1).rowSpan(), 2);
    EXPECT_EQ(t->cellAt(1, 0).columnSpan(), 1);
    EXPECT_EQ(cellText(t, 1, 0), QStringLiteral("d"));
    EXPECT_EQ(cellText(t, 1, 2), QStringLiteral("e"));
    EXPECT_EQ(Rtf::plainText(rtf), doc->toPlainText());

    // Found by fuzzing: the same shape cut off inside the second row.
    const QByteArray cut = "{\\rtf\\cellx\\clvmrg\\cellx\\intbl\\cell\\cell\\cell\\\\\\row"
                           "\\clmrg\\cellx u";
    const auto partial = loaded(cut, false);
    EXPECT_EQ(Rtf::plainText(cut), partial->toPlainText());
}
