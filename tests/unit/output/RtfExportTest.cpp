#include "OutlineFixture.h"

#include "output/OutputTemplates.h"
#include "output/rtf/RtfExport.h"
#include "rtf/RtfReader.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

// "{\rtf1 ...}" with cp932 text written as \'xx, as a word processor would save it.
QByteArray RtfDoc(const char* bodyUtf8) {
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 Gothic;}}\\f0 ";
    for (char c : Sjis(bodyUtf8)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x80)
            out += "\\'" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + "}";
}

class RtfExport : public ::testing::Test, public OutlineFixture {
protected:
    RtfExport() {
        // Pages without a final line break keep the expected texts short.
        a->item()->PageText = Sjis("一行目\r\n二行目");
        a2->item()->PageText = Sjis("太字");
    }
    std::unique_ptr<QTextDocument> fill(const char* body, TOutlineNode* node,
                                        TOutlineNode* root = nullptr) {
        const OutputEngine::TRtfTemplate t(RtfDoc(body), QStringLiteral("t.rtf"));
        TOutlineNode* top = node;
        while (top->parent())
            top = top->parent();
        return t.Fill(node, root ? root : top, &settings);
    }
    // The character format of the first occurrence of what.
    static QTextCharFormat formatOf(const QTextDocument& doc, const QString& what) {
        const int at = int(doc.toPlainText().indexOf(what));
        EXPECT_GE(at, 0) << what.toStdString() << " not in " << doc.toPlainText().toStdString();
        QTextCursor c(const_cast<QTextDocument*>(&doc));
        c.setPosition(at + 1);
        return c.charFormat();
    }
    static bool bold(const QTextCharFormat& f) { return f.fontWeight() >= QFont::Bold; }

    QString exportPlain(const char* body, TOutlineNode* root = nullptr) {
        writeFile(home.file(QStringLiteral("t.rtf")), RtfDoc(body));
        const QString dest = home.file(QStringLiteral("出力.rtf"));
        ExportRtf(outline, root, dest, home.file(QStringLiteral("t.rtf")));
        const QByteArray bytes = readAll(dest);
        EXPECT_TRUE(Rtf::isRtf(bytes));
        QTextDocument doc;
        EXPECT_TRUE(Rtf::load(bytes, doc).ok);
        return doc.toPlainText();
    }

    TestHome home;
};

} // namespace

TEST_F(RtfExport, MacrosTakeTheFormattingOfTheirText) {
    auto doc = fill("{\\b &Index(&1.,&1.&1.&)}{\\i &Title} &ProcStatus", a2);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("1.2.A2 未着手"));
    EXPECT_TRUE(bold(formatOf(*doc, QStringLiteral("1.2."))));
    EXPECT_FALSE(bold(formatOf(*doc, QStringLiteral("A2"))));
    EXPECT_TRUE(formatOf(*doc, QStringLiteral("A2")).fontItalic());
    EXPECT_FALSE(formatOf(*doc, QStringLiteral("未着手")).fontItalic());
}

TEST_F(RtfExport, IndexAlternativeKeepsItsFormatting) {
    auto doc = fill("&Index({\\b X&1},{\\i Y&a}-&)|&Title", a1a, a);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("Ya-|A1a"));
    EXPECT_TRUE(formatOf(*doc, QStringLiteral("Ya")).fontItalic());
    EXPECT_FALSE(bold(formatOf(*doc, QStringLiteral("Ya"))));
    auto top = fill("&Index({\\b X&1},{\\i Y&a}-&)|&Title", b);
    EXPECT_EQ(top->toPlainText(), QStringLiteral("X2|Book B"));
    EXPECT_TRUE(bold(formatOf(*top, QStringLiteral("X2"))));
}

TEST_F(RtfExport, FieldMacrosAcrossParagraphsAndBackwards) {
    auto doc = fill("&Indent(-&)&Title\\par &LimitDate(yyyy/mm/dd&)\\par &Indent(&Label&)", a1);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("--A1\n--/--/--\nなしなし"));
    auto dated = fill("&LimitDate(yyyy\\par mm&)", a);
    EXPECT_EQ(dated->toPlainText(), QStringLiteral("2024\n05"));
}

TEST_F(RtfExport, PlainPageIsInsertedAtTheFirstContentOnly) {
    auto doc = fill("[&Content] &Content &Link", a);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("[一行目\n二行目] &Content &Link"));
    auto empty = fill("[&Content]", b);
    EXPECT_EQ(empty->toPlainText(), QStringLiteral("[]"));
}

TEST_F(RtfExport, RichPageIsInsertedAsRichText) {
    a2->item()->PageRich = RtfDoc("normal {\\b bold}");
    auto doc = fill("<&Content>", a2);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("<normal bold>"));
    EXPECT_TRUE(bold(formatOf(*doc, QStringLiteral("bold"))));
    EXPECT_FALSE(bold(formatOf(*doc, QStringLiteral("normal"))));
}

TEST_F(RtfExport, WholeFileWithoutTheTrash) {
    EXPECT_EQ(exportPlain("&Index(&1.,&1.&1.&) &Title\\par "),
              QStringLiteral("1. 本A\n1.1. A1\n1.1. A1a\n1.2. A2\n2. Book B"));
    EXPECT_EQ(exportPlain("&Title: &Content\\par ", a),
              QStringLiteral("本A: 一行目\n二行目\nA1: \nA1a: \nA2: 太字"));
    EXPECT_EQ(exportPlain("&Title\\par ", trashNode), QString());
    // Without a final paragraph mark the items run on in one paragraph.
    EXPECT_EQ(exportPlain("&Title, ", a1), QStringLiteral("A1, A1a, "));
}

TEST_F(RtfExport, ParagraphEndBeforeTrailingGroups) {
    // Word saves its own groups after the text, behind the last paragraph mark.
    const QString dest = home.file(QStringLiteral("o.rtf"));
    auto run = [&](const QByteArray& templ) {
        writeFile(home.file(QStringLiteral("w.rtf")), templ);
        ExportRtf(outline, a1, dest, home.file(QStringLiteral("w.rtf")));
        QTextDocument doc;
        EXPECT_TRUE(Rtf::load(readAll(dest), doc).ok);
        return doc.toPlainText();
    };
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil A;}}\\pard\\f0 &Title";
    EXPECT_EQ(run(head + "{\\b0\\par }{\\*\\themedata 0a0b}{\\*\\datastore 0105}}\r\n"),
              QStringLiteral("A1\nA1a"));
    EXPECT_EQ(run(head + "\\par\\pard\\b0\\par }"), QStringLiteral("A1\n\nA1a\n"));
    EXPECT_EQ(run(head + ", {\\*\\datastore 0105}}"), QStringLiteral("A1, A1a, "));
    EXPECT_EQ(run(head + "\\par\r\n}\r\n"), QStringLiteral("A1\nA1a"));
}

TEST_F(RtfExport, ProgressCaption) {
    writeFile(home.file(QStringLiteral("t.rtf")), RtfDoc("&Title\\par "));
    QString caption;
    int steps = 0;
    TOutputProgress p;
    p.started = [&](const QString& c, int) { caption = c; };
    p.itemWritten = [&] { ++steps; };
    ExportRtf(outline, a1, home.file(QStringLiteral("o.rtf")), home.file("t.rtf"), &p);
    EXPECT_EQ(caption, QStringLiteral("\"o.rtf\"へＲＴＦファイルとして出力中"));
    EXPECT_EQ(steps, 2);
}

TEST_F(RtfExport, ErrorsLeaveTheDestinationAlone) {
    const QString dest = home.file(QStringLiteral("既存.rtf"));
    writeFile(dest, "keep me");
    EXPECT_THROW(ExportRtf(outline, nullptr, dest, home.file(QStringLiteral("無い.rtf"))),
                 EOutputError);
    EXPECT_EQ(readAll(dest), QByteArray("keep me"));

    // A page whose compressed copy is damaged stops the export.
    writeFile(home.file(QStringLiteral("t.rtf")), RtfDoc("&Content\\par "));
    TLeafNote& broken = *a2->item();
    broken.PageRich.clear();
    broken.PageExpanded = false;
    broken.PageCompressedValid = true;
    broken.PageCompressed = QByteArray("\x78\x9c not zlib at all", 19);
    try {
        ExportRtf(outline, nullptr, dest, home.file(QStringLiteral("t.rtf")));
        FAIL() << "a damaged page must stop the export";
    } catch (const EOutputError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("A2"))) << e.message().toStdString();
    }
    EXPECT_EQ(readAll(dest), QByteArray("keep me"));
}

TEST_F(RtfExport, RunawayExpansionStopsTheExport) {
    QByteArray nested = QByteArray("&Indent(").repeated(30) + "x" + QByteArray("&)").repeated(30);
    try {
        fill(nested.constData(), a1a);
        FAIL() << "the expansion must be refused";
    } catch (const EOutputError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("A1a"))) << e.message().toStdString();
    }
}

TEST_F(RtfExport, PlainTextFileAsTemplate) {
    writeFile(home.file(QStringLiteral("t.rtf")), Sjis("・&Title\r\n"));
    const QString dest = home.file(QStringLiteral("o.rtf"));
    ExportRtf(outline, a1, dest, home.file(QStringLiteral("t.rtf")));
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(readAll(dest), doc).ok);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("・A1\n・A1a\n"));
}

TEST_F(RtfExport, ShippedTemplateWithPages) {
    ASSERT_TRUE(OutputTemplates::InstallDefaults());
    const QString dest = home.file(QStringLiteral("o.rtf"));
    ExportRtf(outline, a, dest, OutputTemplates::Folder() + QStringLiteral("/ページ付き.rtf"));
    QTextDocument doc;
    ASSERT_TRUE(Rtf::load(readAll(dest), doc).ok);
    const QString text = doc.toPlainText();
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("1. 本A\n［保留］　ラベル：必須　期日：2024/05/10\n一行目\n二行目\n")))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("1.2. A2\n［未着手］　ラベル：なし　期日：--/--/--\n太字")))
        << text.toStdString();
    EXPECT_TRUE(bold(formatOf(doc, QStringLiteral("本A"))));
}

TEST_F(RtfExport, PagesExpandedForTheExportAreLetGoAgain) {
    const QByteArray page = RtfDoc("stored page");
    a2->item()->PageCompressed = PageZip::compress(page);
    a2->item()->PageCompressedValid = true;
    a2->item()->PageExpanded = false;
    a2->item()->PageRich.clear();
    a1->item()->SetPage(QByteArray(), RtfDoc("shown page"));
    outline.setExpandBudget(TOutline::BaseExpandBudget);
    const QString text = exportPlain("&Content");
    EXPECT_TRUE(text.contains(QStringLiteral("stored page"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("shown page"))) << text.toStdString();
    // The stored page is compressed only again, and its room is back.
    EXPECT_FALSE(a2->item()->PageExpanded);
    EXPECT_TRUE(a2->item()->PageRich.isEmpty());
    EXPECT_EQ(outline.expandRoom(), TOutline::BaseExpandBudget);
    // A page being shown stays as it is.
    EXPECT_EQ(a1->item()->PageRich, RtfDoc("shown page"));
}

TEST_F(RtfExport, AMacroReachingOutOfItsTableCellIsLeftAsWritten) {
    // Removing the macro's text would take the cells' contents and the text
    // after the table with it; the macros around it still fill.
    auto doc = fill("&LimitDate(yy&)\\par\\trowd\\cellx1000\\cellx2000 \\intbl &Indent(a\\cell "
                    "b&Title\\cell\\row &) &Title &LimitDate(yy&)\\par",
                    a1);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("--/--/--\n&Indent(a\nbA1\n&) A1 --/--/--\n\n"));
    doc = fill("\\trowd\\cellx1000\\cellx2000 \\intbl &Index(&I,a\\cell &1&)\\cell\\row "
               "&)&Index(&1,&1.&1&)\\par",
               a1);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("\n&Index(&I,a\n&1&)\n&)1.1\n\n"));
}
