// Reading and writing a formatted page of about 1 MB of RTF: mixed Japanese
// and English paragraphs with bold, italic, coloured and resized runs,
// bullets and centred headings.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <benchmark/benchmark.h>

namespace {

void fillPage(QTextDocument& doc, qsizetype targetBytes) {
    QTextCursor c(&doc);
    const QString japanese =
        QString::fromUtf8("日本語の文章と漢字、ひらがな、カタカナを含む段落です。");
    const QString english = QStringLiteral("Some English words with numbers 12345 and {braces}. ");
    int n = 0;
    while (true) {
        QTextBlockFormat bf;
        if (n % 10 == 0)
            bf.setAlignment(Qt::AlignHCenter);
        c.insertBlock(bf);
        if (n % 7 == 3) {
            QTextListFormat lf;
            lf.setStyle(QTextListFormat::ListDisc);
            c.createList(lf);
        }
        QTextCharFormat plain;
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat colour;
        colour.setForeground(QColor(200, 0, 0));
        colour.setFontItalic(true);
        QTextCharFormat big;
        big.setFontPointSize(16);
        big.setFontFamilies({QString::fromUtf8("ＭＳ Ｐゴシック")});
        c.insertText(japanese, plain);
        c.insertText(english, bold);
        c.insertText(japanese, colour);
        c.insertText(QString::fromUtf8("café — 鷗 "), big);
        c.insertText(english, plain);
        ++n;
        if (n % 50 == 0 && Rtf::write(doc).size() >= targetBytes)
            break;
    }
}

struct Page {
    QTextDocument doc;
    QByteArray rtf;
    Page() {
        fillPage(doc, 1024 * 1024);
        rtf = Rtf::write(doc);
    }
};

Page& page() {
    static Page p;
    return p;
}

void BM_WritePage(benchmark::State& state) {
    Page& p = page();
    for (auto _ : state)
        benchmark::DoNotOptimize(Rtf::write(p.doc));
    state.SetBytesProcessed(state.iterations() * p.rtf.size());
}

void BM_ReadPage(benchmark::State& state) {
    Page& p = page();
    for (auto _ : state) {
        QTextDocument doc;
        Rtf::load(p.rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * p.rtf.size());
}

void BM_PlainTextOfPage(benchmark::State& state) {
    Page& p = page();
    for (auto _ : state)
        benchmark::DoNotOptimize(Rtf::plainText(p.rtf));
    state.SetBytesProcessed(state.iterations() * p.rtf.size());
}

// A long table: reading and writing it must grow with its rows, not their
// square (compare the 5 000 and 10 000 row figures).
QByteArray tableRtf(int rows, bool joined = false) {
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\n";
    for (int i = 0; i < rows; ++i)
        rtf += QByteArray(joined ? "\\trowd\\clmgf\\cellx2000\\clmrg"
                                 : "\\trowd\\clbrdrb\\brdrs\\cellx2000") +
               "\\cellx4000\\cellx6000\\pard\\intbl row " + QByteArray::number(i) +
               "\\cell {\\b bold}\\cell \\u26085?\\cell\\row\n";
    return rtf + "}";
}

void BM_ReadTable(benchmark::State& state) {
    const QByteArray rtf = tableRtf(int(state.range(0)));
    for (auto _ : state) {
        QTextDocument doc;
        Rtf::load(rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// The same with the first two cells of every row joined.
void BM_ReadJoinedTable(benchmark::State& state) {
    const QByteArray rtf = tableRtf(int(state.range(0)), true);
    for (auto _ : state) {
        QTextDocument doc;
        Rtf::load(rtf, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void BM_WriteTable(benchmark::State& state) {
    QTextDocument doc;
    Rtf::load(tableRtf(int(state.range(0))), doc);
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray out = Rtf::write(doc);
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

BENCHMARK(BM_WritePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTable)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadJoinedTable)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTable)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainTextOfPage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("page: %lld bytes of RTF, %d paragraphs\n",
                static_cast<long long>(page().rtf.size()), page().doc.blockCount());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
