// Listing by a text condition and text export over a generated 100 000-item
// outline, beside grep over the same page texts; templates of many macros.
#include "file/Cp932.h"
#include "file/SampleOutline.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "search/FindDesc.h"
#include "settings/OptionDesc.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kItems = 100000;

struct Corpus {
    TOptionDesc settings;
    TOutline outline{&settings};
    QTemporaryDir dir;
    QString pages; // every page text, one after another
    QString template_;

    Corpus() {
        SampleOutline::generate(outline, settings, kItems, 7);
        pages = dir.filePath(QStringLiteral("pages.txt"));
        QFile f(pages);
        f.open(QIODevice::WriteOnly);
        outline.forEach([&f](TOutlineNode* n) {
            f.write(n->item()->Title);
            f.write("\r\n");
            f.write(n->item()->PageText);
            f.write("\r\n");
            return true;
        });
        template_ = dir.filePath(QStringLiteral("t.txt"));
        QFile t(template_);
        t.open(QIODevice::WriteOnly);
        t.write(Cp932::fromUnicode(QStringLiteral("&Indent(　&)&Index(&1.,&1.&1.&) &Title"
                                                  "［&ProcStatus］&LimitDate(yyyy/mm/dd&)\r\n"
                                                  "> &Content\r\n")));
    }
    static Corpus& get() {
        static Corpus c;
        return c;
    }
};

const char* const kPatterns[] = {"予算について", "deadline", "存在しない語句"};

void BM_ListByText(benchmark::State& state) {
    Corpus& c = Corpus::get();
    TFindDesc find;
    find.SetStringCondition(Cp932::fromUnicode(QString::fromUtf8(kPatterns[state.range(0)])), false,
                            true, true, state.range(1) != 0);
    int matches = 0;
    for (auto _ : state) {
        matches = 0;
        c.outline.forEach([&](TOutlineNode* n) {
            matches += find.Matches(*n->item()) ? 1 : 0;
            return true;
        });
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = matches;
    state.SetLabel(kPatterns[state.range(0)]);
}
BENCHMARK(BM_ListByText)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"pattern", "ignoreCase"})
    ->Unit(benchmark::kMillisecond);

// The same pages through grep -c -F (fixed string, bytes), as a yardstick.
void BM_GrepCount(benchmark::State& state) {
    Corpus& c = Corpus::get();
    const QString patFile = c.dir.filePath(QStringLiteral("pattern"));
    {
        QFile p(patFile);
        p.open(QIODevice::WriteOnly);
        p.write(Cp932::fromUnicode(QString::fromUtf8(kPatterns[state.range(0)])));
    }
    const QByteArray cmd = "LC_ALL=C grep -c -F -f '" + QFile::encodeName(patFile) + "' '" +
                           QFile::encodeName(c.pages) + "'";
    long lines = 0;
    for (auto _ : state) {
        FILE* p = popen(cmd.constData(), "r");
        if (!p) {
            state.SkipWithError("grep cannot be started");
            return;
        }
        if (std::fscanf(p, "%ld", &lines) != 1)
            lines = -1;
        pclose(p);
    }
    state.counters["lines"] = double(lines);
    state.SetLabel(kPatterns[state.range(0)]);
}
BENCHMARK(BM_GrepCount)->Arg(0)->Arg(1)->Arg(2)->ArgName("pattern")->Unit(benchmark::kMillisecond);

void BM_ExportText(benchmark::State& state) {
    Corpus& c = Corpus::get();
    const QString out = c.dir.filePath(QStringLiteral("out.txt"));
    for (auto _ : state)
        ExportText(c.outline, nullptr, out, c.template_);
    state.counters["bytes"] = double(QFile(out).size());
}
BENCHMARK(BM_ExportText)->Unit(benchmark::kMillisecond);

// One item through a template of many macros: the time per macro should
// not grow with their number.
void BM_FillManyMacros(benchmark::State& state) {
    Corpus& c = Corpus::get();
    const char* const pieces[] = {"&Title|", "&LimitDate(", "&Index(&1&)&Indent(.&)"};
    const QByteArray text = QByteArray(pieces[state.range(0)]).repeated(int(state.range(1)));
    const OutputEngine::TTextTemplate tmpl(text);
    TOutlineNode* node = c.outline.topLevel(0)->firstChild();
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = tmpl.Fill(node, c.outline.topLevel(0), &c.settings).size();
    state.counters["bytes"] = double(bytes);
    state.counters["per_macro"] =
        benchmark::Counter(double(state.range(1)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
    state.SetLabel(pieces[state.range(0)]);
}
BENCHMARK(BM_FillManyMacros)
    ->ArgsProduct({{0, 1, 2}, {1000, 10000, 100000}})
    ->ArgNames({"macro", "count"})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
