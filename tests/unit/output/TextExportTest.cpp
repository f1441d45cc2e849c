#include "OutlineFixture.h"

#include "common/DateFormat.h"
#include "output/OutputEngine.h"
#include "output/TemplateFill.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <future>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using OutputMacros::FormatNumber;
using OutputMacros::NumberStyle;

namespace {

class TextExport : public ::testing::Test, public OutlineFixture {
protected:
    // The export of root (none: whole file) through a template given as UTF-8.
    QString run(const char* templateUtf8, TOutlineNode* root = nullptr) {
        writeFile(home.file(QStringLiteral("t.txt")), Sjis(templateUtf8));
        const QString dest = home.file(QStringLiteral("出力.txt"));
        ExportText(outline, root, dest, home.file(QStringLiteral("t.txt")));
        return FromSjis(readAll(dest));
    }
    // One item's output.
    QString fill(const char* templateUtf8, TOutlineNode* node, TOutlineNode* root = nullptr) {
        const OutputEngine::TTextTemplate t(Sjis(templateUtf8));
        return FromSjis(t.Fill(node, root ? root : topOf(node), &settings));
    }
    static TOutlineNode* topOf(TOutlineNode* n) {
        while (n->parent())
            n = n->parent();
        return n;
    }

    TestHome home;
};

} // namespace

TEST(NumberStyles, LettersWrapAndRomanStopsAtFortyNine) {
    EXPECT_EQ(FormatNumber(NumberStyle::LowerLetter, 1), "a");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerLetter, 26), "z");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerLetter, 27), "a");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerLetter, 28), "b");
    EXPECT_EQ(FormatNumber(NumberStyle::UpperLetter, 28), "B");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 4), "iv");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 9), "ix");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 10), "x");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 14), "xiv");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 40), "xxxx");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 49), "xxxxix");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 50), "");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 57), "vii");
    EXPECT_EQ(FormatNumber(NumberStyle::LowerRoman, 114), "xiv") << "hundreds are ignored";
    EXPECT_EQ(FormatNumber(NumberStyle::UpperRoman, 38), "XXXVIII");
    EXPECT_EQ(FormatNumber(NumberStyle::Decimal, 1234), "1234");
    EXPECT_EQ(FormatNumber(NumberStyle::FullWidth, 109), QStringLiteral("１０９"));
}

TEST(SplitLines, EndingsAsATextFileHasThem) {
    using OutputEngine::SplitLines;
    EXPECT_EQ(SplitLines(""), QList<QByteArray>());
    EXPECT_EQ(SplitLines("\r\n"), QList<QByteArray>{""});
    EXPECT_EQ(SplitLines("a\r\nb"), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(SplitLines("a\n\nb\r"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb\r\n"), (QList<QByteArray>{"a", "", "b"}));
}

TEST_F(TextExport, IndexAlternativesPerRelativeLevel) {
    EXPECT_EQ(run("&Index(第&１章 ,&1. ,・&)&Title"),
              QStringLiteral("第１章 本A\r\n1. A1\r\n・A1a\r\n2. A2\r\n第２章 Book B\r\n"));
    // Numbers fill from the right: the item's own, then its parent's, ...
    EXPECT_EQ(run("&Index(&1.,&1.&1.&)&Title"),
              QStringLiteral("1.本A\r\n1.1.A1\r\n1.1.A1a\r\n1.2.A2\r\n2.Book B\r\n"));
    EXPECT_EQ(run("&Index(&A-&a-&i&)"), QStringLiteral("A-a-i\r\nA-a-i\r\nA-a-i\r\nA-a-ii\r\n"
                                                       "B-b-ii\r\n"))
        << "above the top level the top-level item's number is used again";
}

TEST_F(TextExport, IndexRelativeToTheExportRoot) {
    EXPECT_EQ(run("&Index(&1.,&1.&1.&)&Title", a1), QStringLiteral("1.A1\r\n1.1.A1a\r\n"));
    EXPECT_EQ(run("&Index(X&I,Y&)", a2), QStringLiteral("XII\r\n"));
}

TEST_F(TextExport, SeveralIndexConstructsAndUnclosedOnes) {
    EXPECT_EQ(fill("&Index(&1&)-&Index(&a&)", a2), QStringLiteral("2-b\r\n"));
    EXPECT_EQ(fill("&Index(&1&)&Index(&1", a2), QStringLiteral("2&Index(&1\r\n"));
    // The construct reaches to the first "&)", also across lines.
    EXPECT_EQ(fill("&Index(&1\r\n&)!", a2), QStringLiteral("2\r\n!\r\n"));
    // A comma outside the chosen alternative is dropped with it.
    EXPECT_EQ(fill("&Index(,,&1&)", a1a, a), QStringLiteral("1\r\n"));
    EXPECT_EQ(fill("&Index(,,&1&)", a1, a), QStringLiteral("\r\n"));
}

TEST_F(TextExport, FieldMacros) {
    EXPECT_EQ(fill("&Title|&Label|&ProcStatus", a), QStringLiteral("本A|必須|保留\r\n"));
    EXPECT_EQ(fill("&ProcStatus", b), QStringLiteral("未着手\r\n"));
    EXPECT_EQ(fill("&LimitDate(yyyy/mm/dd&)", a), QStringLiteral("2024/05/10\r\n"));
    EXPECT_EQ(fill("&LimitDate(yyyy/mm/dd&)", b), QStringLiteral("--/--/--\r\n"));
    EXPECT_EQ(fill("&FinishDate(yyyy&)", b), QStringLiteral("--/--/--\r\n"));
    b->item()->FinishDate = WrenDate::fromDate(QDate(2023, 1, 2));
    EXPECT_EQ(fill("&FinishDate(yyyy年m月d日&)", b), QStringLiteral("2023年1月2日\r\n"));
    const double created = b->item()->CreatedDate;
    EXPECT_EQ(fill("&CreatedDate(&)", b), FormatWrenDate(QStringLiteral("c"), created) + "\r\n");
    EXPECT_EQ(fill("&CreatedDate(&)", b), QStringLiteral("2024/05/07 9:05:03\r\n"));
    EXPECT_EQ(fill("&ModifiedDate(hh:nn&)", b), QStringLiteral("09:05\r\n"));
}

TEST_F(TextExport, IndentCountsTheWholeOutlineDepth) {
    EXPECT_EQ(run("&Indent(　&)&Title"),
              QStringLiteral("　本A\r\n　　A1\r\n　　　A1a\r\n　　A2\r\n　Book B\r\n"));
    EXPECT_EQ(run("&Indent(　&)&Title", a1), QStringLiteral("　　A1\r\n　　　A1a\r\n"));
}

TEST_F(TextExport, BackwardScanAndUnknownMacros) {
    // Inner macros are expanded before the outer one takes its argument.
    EXPECT_EQ(fill("&Indent(<&Title>&)", a1), QStringLiteral("<A1><A1>\r\n"));
    EXPECT_EQ(fill("&LimitDate(&Indent(yy&)&)", a), QStringLiteral("24\r\n"));
    // Without "&)" only the name and the parenthesis are taken.
    EXPECT_EQ(fill("[&Indent(x]", a1), QStringLiteral("[x]\r\n"));
    EXPECT_EQ(fill("&LimitDate(", b), QStringLiteral("--/--/--\r\n"));
    // Unknown or differently cased names stay as written.
    EXPECT_EQ(fill("&title &Foo && &Titles", b), QStringLiteral("&title &Foo && Book Bs\r\n"));
    // An expansion is never read again.
    b->item()->SetTitle("&Label&ProcStatus");
    EXPECT_EQ(fill("&Title", b), QStringLiteral("&Label&ProcStatus\r\n"));
    // ... but an argument ends at the first "&)", also one a title brought.
    a1->item()->SetTitle("a&)b");
    EXPECT_EQ(fill("&Indent(x&Title y&)", a1), QStringLiteral("xaxab y&)\r\n"));
    EXPECT_EQ(fill("&Indent(&Title&Title&)", a1), QStringLiteral("aaba&)b&)\r\n"));
    // A title ending in "&" closes with the ")" after the macro.
    a1->item()->SetTitle("x&");
    EXPECT_EQ(fill("&Indent(-&Title)&)", a1), QStringLiteral("-x-x&)\r\n"));
}

TEST_F(TextExport, TemplatesOfManyMacrosFillWhole) {
    // Each macro fills where it stands however many there are.
    const int n = 200000;
    EXPECT_EQ(fill(QByteArray("&Title|").repeated(n).constData(), b),
              QStringLiteral("Book B|").repeated(n) + "\r\n");
    EXPECT_EQ(fill(QByteArray("&Index(&1&)&Indent(.&)").repeated(n).constData(), a1),
              QStringLiteral("1..").repeated(n) + "\r\n");
    // Unclosed date macros take only their names.
    EXPECT_EQ(fill(QByteArray("&LimitDate(").repeated(n).constData(), b),
              QStringLiteral("--/--/--").repeated(n) + "\r\n");
}

TEST_F(TextExport, RunawayExpansionStopsTheExport) {
    // Each nested "&Indent(" multiplies its argument by depth + 1: thirty of
    // them ask for 3^30 copies for an item two levels down.
    QByteArray nested = QByteArray("&Indent(").repeated(30) + "x" + QByteArray("&)").repeated(30);
    const OutputEngine::TTextTemplate t(nested);
    try {
        t.Fill(a1a, a, &settings);
        FAIL() << "the expansion must be refused";
    } catch (const EOutputError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("A1a"))) << e.message().toStdString();
    }
    // The same template is fine where it stays small.
    EXPECT_EQ(FromSjis(OutputEngine::TTextTemplate("&Indent(&Indent(x&)&)").Fill(a, a, &settings)),
              QStringLiteral("x\r\n"));

    // A long line prefix repeated for every line of a long page.
    b->item()->Title = QByteArray(1 << 20, 'T');
    b->item()->PageText = QByteArray("line\r\n").repeated(100);
    EXPECT_THROW(OutputEngine::TTextTemplate("&Title&Content").Fill(b, b, &settings), EOutputError);

    const QString dest = home.file(QStringLiteral("o.txt"));
    writeFile(dest, "keep me");
    writeFile(home.file(QStringLiteral("t.txt")), nested);
    EXPECT_THROW(ExportText(outline, nullptr, dest, home.file(QStringLiteral("t.txt"))),
                 EOutputError);
    EXPECT_EQ(readAll(dest), QByteArray("keep me"));
}

TEST_F(TextExport, ContentAndLinkLines) {
    EXPECT_EQ(fill("> &Content <", a), QStringLiteral("> 一行目 <\r\n> 二行目 <\r\n"));
    EXPECT_EQ(fill("before\r\n> &Content\r\nafter", b), QStringLiteral("before\r\nafter\r\n"))
        << "an empty page removes the line";
    EXPECT_EQ(fill("* &Link", a1), QStringLiteral("* doc/メモ.txt\r\n* http://example.com/\r\n"));
    EXPECT_EQ(fill("&Link &Content", a), QStringLiteral("&Link 一行目\r\n&Link 二行目\r\n"));
    EXPECT_EQ(fill("&Content|&Content", a2), QStringLiteral("太字|&Content\r\n"));
    EXPECT_EQ(fill("&Title: &Content", a2), QStringLiteral("A2: 太字\r\n"));
    // Page lines are not read as macros.
    a2->item()->PageText = "&Title\r\n";
    EXPECT_EQ(fill("&Content", a2), QStringLiteral("&Title\r\n"));
}

TEST_F(TextExport, TrashIsNeverWritten) {
    EXPECT_EQ(run("&Title"), QStringLiteral("本A\r\nA1\r\nA1a\r\nA2\r\nBook B\r\n"));
    EXPECT_EQ(run("&Title", trashNode), QString());
    // Moved in front of the books, the trash is still passed over.
    ASSERT_TRUE(outline.moveNode(trashNode, nullptr, 0));
    EXPECT_EQ(run("&Index(&1&) &Title"),
              QStringLiteral("2 本A\r\n1 A1\r\n1 A1a\r\n2 A2\r\n3 Book B\r\n"));
}

TEST_F(TextExport, ProgressIsReported) {
    writeFile(home.file(QStringLiteral("t.txt")), "&Title");
    QString caption;
    int maximum = -1, written = 0;
    QList<int> positions;
    TOutputProgress p;
    p.started = [&](const QString& c, int m) {
        caption = c;
        maximum = m;
    };
    p.itemStarting = [&](int pos, int m) {
        positions << pos;
        EXPECT_EQ(m, maximum);
    };
    p.itemWritten = [&] { ++written; };
    ExportText(outline, nullptr, home.file(QStringLiteral("o.txt")), home.file("t.txt"), &p);
    EXPECT_EQ(caption, QStringLiteral("\"o.txt\"へテキストファイルとして出力中"));
    EXPECT_EQ(maximum, 7) << "the whole file counts the trash too";
    EXPECT_EQ(positions, (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(written, 5);

    ExportText(outline, a, home.file(QStringLiteral("o.txt")), home.file("t.txt"), &p);
    EXPECT_EQ(maximum, 4);
    EXPECT_EQ(OutputEngine::ItemCount(outline, trashNode), 0);
}

TEST_F(TextExport, ErrorsLeaveTheDestinationAlone) {
    const QString dest = home.file(QStringLiteral("既存.txt"));
    writeFile(dest, "keep me");
    try {
        ExportText(outline, nullptr, dest, home.file(QStringLiteral("無い.txt")));
        FAIL() << "a missing template must stop the export";
    } catch (const EOutputError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("無い.txt"))) << e.message().toStdString();
    }
    EXPECT_EQ(readAll(dest), QByteArray("keep me"));

    writeFile(home.file(QStringLiteral("t.txt")), "&Title");
    const QString noDir = home.file(QStringLiteral("無いフォルダー/o.txt"));
    EXPECT_THROW(ExportText(outline, nullptr, noDir, home.file("t.txt")), EOutputError);
    EXPECT_FALSE(QFileInfo::exists(noDir));

    // An endless device as template is refused instead of read into memory.
    if (QFileInfo::exists(QStringLiteral("/dev/zero"))) {
        try {
            ExportText(outline, nullptr, dest, QStringLiteral("/dev/zero"));
            FAIL() << "an endless template must stop the export";
        } catch (const EOutputError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("/dev/zero")))
                << e.message().toStdString();
        }
        EXPECT_EQ(readAll(dest), QByteArray("keep me"));
    }

    // A damaged item cannot stop a text export, and a good one replaces the file whole.
    ExportText(outline, nullptr, dest, home.file("t.txt"));
    EXPECT_EQ(readAll(dest), QByteArray("\x96\x7b"
                                        "A\r\nA1\r\nA1a\r\nA2\r\nBook B\r\n"));
    EXPECT_EQ(QDir(home.path()).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), 2);
}

TEST_F(TextExport, WholeOutputOfAPageTemplate) {
    settings.LabelText[0] = Sjis("なし");
    const QString out = run("■&Index(&1.,&1.&1.&) &Title［&ProcStatus／&Label］\r\n"
                            "期日：&LimitDate(yyyy/mm/dd&)\r\n"
                            "  &Content\r\n"
                            "リンク：&Link\r\n"
                            "\r\n");
    EXPECT_EQ(out, QStringLiteral("■1. 本A［保留／必須］\r\n"
                                  "期日：2024/05/10\r\n"
                                  "  一行目\r\n"
                                  "  二行目\r\n"
                                  "\r\n"
                                  "■1.1. A1［未着手／なし］\r\n"
                                  "期日：--/--/--\r\n"
                                  "リンク：doc/メモ.txt\r\n"
                                  "リンク：http://example.com/\r\n"
                                  "\r\n"
                                  "■1.1. A1a［未着手／なし］\r\n"
                                  "期日：--/--/--\r\n"
                                  "\r\n"
                                  "■1.2. A2［未着手／なし］\r\n"
                                  "期日：--/--/--\r\n"
                                  "  太字\r\n"
                                  "\r\n"
                                  "■2. Book B［未着手／なし］\r\n"
                                  "期日：--/--/--\r\n"
                                  "\r\n"));
}

TEST_F(TextExport, BytesOutsideUnicodeSurviveUntouched) {
    // Titles and pages are written as stored, not through a Unicode round trip.
    const QByteArray odd("\x81\x40\xff\x80 raw");
    b->item()->Title = odd;
    writeFile(home.file(QStringLiteral("t.txt")), "<&Title>");
    const QString dest = home.file(QStringLiteral("o.txt"));
    ExportText(outline, b, dest, home.file("t.txt"));
    EXPECT_EQ(readAll(dest), QByteArray("<") + odd + ">\r\n");
}

TEST_F(TextExport, ProposedFileNames) {
    using OutputEngine::ProposedFileName;
    b->item()->SetTitle("a:b*d?");
    EXPECT_EQ(ProposedFileName(QString(), b, TTemplateKind::Text), QStringLiteral("a_b_d_.txt"));
    b->item()->SetTitle(Sjis("表/ソ,能|x~<>;\\"));
    EXPECT_EQ(ProposedFileName(QString(), b, TTemplateKind::Rtf),
              QStringLiteral("表_ソ_能_x_____.rtf"))
        << "second bytes that look like a backslash or a bar stay";
    EXPECT_EQ(ProposedFileName(QStringLiteral("/d/予定.v2.wrn"), nullptr, TTemplateKind::Text),
              QStringLiteral("予定.v2.txt"));
    EXPECT_EQ(ProposedFileName(QString(), nullptr, TTemplateKind::Rtf),
              QStringLiteral("名称未設定.rtf"));
}

TEST_F(TextExport, APipeGivenAsDestinationIsWrittenNotReplaced) {
    writeFile(home.file(QStringLiteral("t.txt")), Sjis("&Title\r\n"));
    const QString dest = home.file(QStringLiteral("パイプ"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dest).constData(), 0600), 0);
    std::future<QByteArray> reader = ReadPipeLater(dest);
    ExportText(outline, nullptr, dest, home.file(QStringLiteral("t.txt")));
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_FALSE(reader.get().isEmpty());
    EXPECT_FALSE(QFileInfo(dest).isFile());
}

TEST_F(TextExport, FailuresSayTheRealReason) {
    writeFile(home.file(QStringLiteral("t.txt")), "&Title\r\n");
    // A folder that is not there is named as the reason.
    const QString noDir = home.file(QStringLiteral("無いフォルダー/o.txt"));
    try {
        ExportText(outline, nullptr, noDir, home.file(QStringLiteral("t.txt")));
        FAIL();
    } catch (const EOutputError& e) {
        EXPECT_TRUE(e.message().contains(noDir)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("フォルダ「%1」がありません")
                                             .arg(home.file(QStringLiteral("無いフォルダー")))))
            << e.message().toStdString();
    }
    // A disk that takes no more (a file size limit here) is said so, never
    // "Unknown error".
    for (int i = 0; i < 300; ++i)
        make(1, nullptr, "とても長い題名を持つ項目がたくさん並んでいます");
    const QString dest = home.file(QStringLiteral("満杯.txt"));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = old;
    low.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &low);
    QString message;
    try {
        ExportText(outline, nullptr, dest, home.file(QStringLiteral("t.txt")));
    } catch (const EOutputError& e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(message.contains(dest)) << message.toStdString() << " " << QFileInfo(dest).size();
    EXPECT_TRUE(message.contains(QStringLiteral("ファイルが大きすぎます")))
        << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("Unknown error")));
    EXPECT_FALSE(QFileInfo::exists(dest));
}
