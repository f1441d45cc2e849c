// OPML, Markdown and HTML export of the 100 000-item benchmark outline beside
// the plain text template export of the same outline; importing 100 000-node
// OPML and CherryTree files beside reading the same bytes with cat.
#include "file/Cp932.h"
#include "file/SampleOutline.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "settings/OptionDesc.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kItems = 100000;

struct Corpus {
    TOptionDesc settings;
    TOutline outline{&settings};
    QTemporaryDir dir;
    QString template_, opml, ctd;

    Corpus() {
        SampleOutline::generate(outline, settings, kItems, 7);
        template_ = dir.filePath(QStringLiteral("t.txt"));
        QFile t(template_);
        t.open(QIODevice::WriteOnly);
        t.write(Cp932::fromUnicode(QStringLiteral("&Indent(　&)&Index(&1.,&1.&1.&) &Title"
                                                  "［&ProcStatus］&LimitDate(yyyy/mm/dd&)\r\n"
                                                  "> &Content\r\n")));
        t.close();
        // The OPML to import: the whole outline as the export writes it,
        // trash and all, so that it holds every item.
        opml = dir.filePath(QStringLiteral("big.opml"));
        Interchange::TExportResult r;
        Interchange::ExportFile(opml, Interchange::TExportFormat::Opml, outline,
                                Interchange::TExportOptions(), &r);
        ctd = dir.filePath(QStringLiteral("big.ctd"));
        writeCtd();
    }

    // A CherryTree document as CherryTree writes one: nested nodes, each
    // with its words in rich_text runs, one in ten with a bold run.
    void writeCtd() {
        QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cherrytree>\n"
                       "  <bookmarks list=\"\"/>\n";
        int id = 0;
        std::vector<std::pair<const TOutlineNode*, bool>> stack;
        const auto& top = outline.topLevelNodes();
        for (auto it = top.rbegin(); it != top.rend(); ++it)
            stack.emplace_back(*it, false);
        while (!stack.empty()) {
            auto [node, closing] = stack.back();
            stack.pop_back();
            if (closing) {
                x += "</node>\n";
                continue;
            }
            ++id;
            const QString title = Cp932::toUnicode(node->item()->Title).toHtmlEscaped();
            const QString text = Cp932::toUnicode(node->item()->PageText).toHtmlEscaped();
            x += QStringLiteral("<node name=\"%1\" unique_id=\"%2\" prog_lang=\"custom-colors\" "
                                "tags=\"\" readonly=\"0\" custom_icon_id=\"0\" is_bold=\"0\" "
                                "foreground=\"\" ts_creation=\"1700000000\" "
                                "ts_lastsave=\"1700000000\">")
                     .arg(title)
                     .arg(id)
                     .toUtf8();
            x += "<rich_text>" + text.toUtf8() + "</rich_text>";
            if (id % 10 == 0)
                x += "<rich_text weight=\"heavy\">important</rich_text>";
            stack.emplace_back(node, true);
            const auto& children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.emplace_back(*it, false);
        }
        x += "</cherrytree>\n";
        QFile f(ctd);
        f.open(QIODevice::WriteOnly);
        f.write(x);
    }

    static Corpus& get() {
        static Corpus c;
        return c;
    }
};

void BM_ExportTextTemplate(benchmark::State& state) {
    Corpus& c = Corpus::get();
    const QString out = c.dir.filePath(QStringLiteral("out.txt"));
    for (auto _ : state)
        ExportText(c.outline, nullptr, out, c.template_);
    state.counters["bytes"] = double(QFile(out).size());
}
BENCHMARK(BM_ExportTextTemplate)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State& state) {
    Corpus& c = Corpus::get();
    const auto format = Interchange::TExportFormat(state.range(0));
    const QString out = c.dir.filePath(QStringLiteral("out.") + Interchange::DefaultSuffix(format));
    Interchange::TExportResult r;
    for (auto _ : state)
        if (!Interchange::ExportFile(out, format, c.outline, Interchange::TExportOptions(), &r))
            state.SkipWithError(r.error.toUtf8().constData());
    state.counters["items"] = r.count;
    state.counters["bytes"] = double(r.bytes.size());
    state.SetLabel(Interchange::DefaultSuffix(format).toStdString());
}
BENCHMARK(BM_Export)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);

// Read, check and insert into an empty outline.
void timeImport(benchmark::State& state, const QString& path) {
    int items = 0;
    for (auto _ : state) {
        TOptionDesc settings;
        TOutline outline(&settings);
        const Interchange::TReadResult r = Interchange::ReadFile(path);
        if (!r.ok) {
            state.SkipWithError(r.error.toUtf8().constData());
            break;
        }
        Interchange::Insert(outline, r.branch);
        items = outline.count();
        state.PauseTiming();
        outline.clear(); // freeing is not importing
        state.ResumeTiming();
    }
    state.counters["items"] = items;
    state.counters["file_MB"] = double(QFile(path).size()) / 1e6;
}

void BM_ImportOpml(benchmark::State& state) {
    timeImport(state, Corpus::get().opml);
}
BENCHMARK(BM_ImportOpml)->Unit(benchmark::kMillisecond);

void BM_ImportCtd(benchmark::State& state) {
    timeImport(state, Corpus::get().ctd);
}
BENCHMARK(BM_ImportCtd)->Unit(benchmark::kMillisecond);

// The floor: the same bytes through cat.
void BM_Cat(benchmark::State& state) {
    const QString path = state.range(0) == 0 ? Corpus::get().opml : Corpus::get().ctd;
    const QByteArray command = "cat '" + QFile::encodeName(path) + "' > /dev/null";
    for (auto _ : state)
        if (std::system(command.constData()) != 0)
            state.SkipWithError("cat failed");
    state.SetLabel(state.range(0) == 0 ? "opml" : "ctd");
}
BENCHMARK(BM_Cat)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
