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
    QString template_, opml, ctd, lightOpml, lightCtd;

    Corpus() {
        SampleOutline::generate(outline, settings, kItems, 7);
        template_ = dir.filePath(QStringLiteral("t.txt"));
        QFile t(template_);
        t.open(QIODevice::WriteOnly);
        t.write(Cp932::fromUnicode(QStringLiteral("&Indent(　&)&Index(&1.,&1.&1.&) &Title"
                                                  "［&ProcStatus］&LimitDate(yyyy/mm/dd&)\r\n"
                                                  "> &Content\r\n")));
        t.close();
    }

    // The files to import, made when an import is first timed so that the
    // export timings alone need none of them.
    void makeImports() {
        if (!opml.isEmpty())
            return;
        // The whole outline as the export writes it, trash and all, so that
        // it holds every item.
        opml = dir.filePath(QStringLiteral("big.opml"));
        Interchange::TExportResult r;
        Interchange::ExportFile(opml, Interchange::TExportFormat::Opml, outline,
                                Interchange::TExportOptions(), &r);
        ctd = dir.filePath(QStringLiteral("big.ctd"));
        writeCtd();
        lightOpml = dir.filePath(QStringLiteral("light.opml"));
        lightCtd = dir.filePath(QStringLiteral("light.ctd"));
        writeLight();
    }

    // 100 000 nodes as other programs' users keep them: 100 books of ten by
    // ten by ten items, each with a title and a line or two of notes; in the
    // CherryTree file one node in ten has a bold run.
    void writeLight() {
        QByteArray o = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">"
                       "<head><title>light</title></head><body>\n";
        QByteArray c = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cherrytree>\n";
        int id = 0;
        auto open = [&](int depth) {
            ++id;
            const QByteArray n = QByteArray::number(id);
            const QByteArray title = "項目 " + n;
            const QByteArray note =
                "メモ " + n + ": 打ち合わせの内容と次の作業。&#10;deadline next week";
            o += QByteArray(depth * 2, ' ') + "<outline text=\"" + title + "\" _note=\"" + note +
                 "\"";
            c += "<node name=\"" + title + "\" unique_id=\"" + n +
                 "\" prog_lang=\"custom-colors\" ts_creation=\"1700000000\" "
                 "ts_lastsave=\"1700000000\"><rich_text>メモ " +
                 n + ": 打ち合わせの内容と次の作業。\ndeadline next week</rich_text>";
            if (id % 10 == 0)
                c += "<rich_text weight=\"heavy\">important</rich_text>";
        };
        for (int a = 0; a < 100; ++a) {
            open(0);
            o += ">\n";
            for (int b = 0; b < 10; ++b) {
                open(1);
                o += ">\n";
                for (int d = 0; d < 10; ++d) {
                    open(2);
                    o += ">\n";
                    for (int e = 0; e < 9; ++e) {
                        open(3);
                        o += "/>\n";
                        c += "</node>\n";
                    }
                    o += "    </outline>\n";
                    c += "</node>\n";
                }
                o += "  </outline>\n";
                c += "</node>\n";
            }
            o += "</outline>\n";
            c += "</node>\n";
        }
        o += "</body></opml>\n";
        c += "</cherrytree>\n";
        QFile fo(lightOpml);
        fo.open(QIODevice::WriteOnly);
        fo.write(o);
        QFile fc(lightCtd);
        fc.open(QIODevice::WriteOnly);
        fc.write(c);
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
    state.counters["bytes"] = double(r.written);
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

const char* const kImports[] = {"light.opml", "light.ctd", "big.opml", "big.ctd"};

const QString& importFile(int which) {
    Corpus& c = Corpus::get();
    c.makeImports();
    const QString* files[] = {&c.lightOpml, &c.lightCtd, &c.opml, &c.ctd};
    return *files[which];
}

// 100 000 nodes with a line or two each, and the benchmark outline itself
// (pages of up to 4 KB, rich ones in base64 RTF in the OPML).
void BM_Import(benchmark::State& state) {
    timeImport(state, importFile(int(state.range(0))));
    state.SetLabel(kImports[state.range(0)]);
}
BENCHMARK(BM_Import)->DenseRange(0, 3)->ArgName("file")->Unit(benchmark::kMillisecond);

// The floor: the same bytes through cat.
void BM_Cat(benchmark::State& state) {
    const QString path = importFile(int(state.range(0)));
    const QByteArray command = "cat '" + QFile::encodeName(path) + "' > /dev/null";
    for (auto _ : state)
        if (std::system(command.constData()) != 0)
            state.SkipWithError("cat failed");
    state.SetLabel(kImports[state.range(0)]);
}
BENCHMARK(BM_Cat)->DenseRange(0, 3)->ArgName("file")->Unit(benchmark::kMillisecond);

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
