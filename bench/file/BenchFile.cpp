// Reading and writing whole documents. The outlines come from the same
// generator as "wrennote-cli generate", so the figures can be set beside a
// plain copy of such a file.
#include "doc/DocumentMerge.h"
#include "file/OutlineFile.h"
#include "file/SampleOutline.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>

namespace {

constexpr uint32_t Seed = 1;

const QByteArray& sampleFile(int count) {
    static std::map<int, QByteArray> files;
    auto it = files.find(count);
    if (it == files.end()) {
        TOptionDesc settings;
        TOutline outline(&settings);
        SampleOutline::generate(outline, settings, count, Seed);
        it = files.emplace(count, OutlineFile::writeDocument(settings, outline)).first;
    }
    return it->second;
}

struct Loaded {
    TOptionDesc settings;
    TOutline outline{&settings};
    explicit Loaded(const QByteArray& bytes) {
        if (!OutlineFile::readDocument(bytes, settings, outline).ok)
            std::abort();
    }
    void showEveryPage() {
        outline.forEach([](TOutlineNode* node) {
            node->item()->GetPage();
            return true;
        });
    }
};

void setCounters(benchmark::State& state, qint64 bytes) {
    state.SetBytesProcessed(qint64(state.iterations()) * bytes);
    state.counters["file_MB"] = double(bytes) / 1e6;
}

void Read(benchmark::State& state) {
    const QByteArray& bytes = sampleFile(int(state.range(0)));
    TOptionDesc settings;
    TOutline outline(&settings);
    for (auto _ : state) {
        state.PauseTiming();
        outline.clear(); // freeing the previous outline is not reading
        state.ResumeTiming();
        const OutlineFile::ReadResult r = OutlineFile::readDocument(bytes, settings, outline);
        benchmark::DoNotOptimize(r.ok);
    }
    setCounters(state, bytes.size());
}

// Writes the document over and over as it stands.
void timeWrites(benchmark::State& state, Loaded& doc) {
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray out = OutlineFile::writeDocument(doc.settings, doc.outline);
        size = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    setCounters(state, size);
}

// Every page still compressed as read: written back without recompression.
void WriteUnchanged(benchmark::State& state) {
    Loaded doc(sampleFile(int(state.range(0))));
    timeWrites(state, doc);
}

// Every page shown once (expanded from its compressed copy), none edited.
void WriteAfterShow(benchmark::State& state) {
    Loaded doc(sampleFile(int(state.range(0))));
    doc.showEveryPage();
    timeWrites(state, doc);
}

// Every rich page edited since the last save: each is compressed again.
void WriteAfterEdit(benchmark::State& state) {
    Loaded doc(sampleFile(int(state.range(0))));
    doc.showEveryPage();
    qint64 size = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc.outline.forEach([](TOutlineNode* node) {
            TLeafNote* item = node->item();
            item->PageCompressedValid = false;
            item->PageCompressed.clear();
            return true;
        });
        state.ResumeTiming();
        const QByteArray out = OutlineFile::writeDocument(doc.settings, doc.outline);
        size = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    setCounters(state, size);
}

// Two versions of one document that differ in 1 000 items (retitled there,
// half of them also given a new page here): matched, compared and merged.
void MergeVersions(benchmark::State& state) {
    const QByteArray& bytes = sampleFile(int(state.range(0)));
    int actions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto ours = std::make_unique<Loaded>(bytes);
        auto theirs = std::make_unique<Loaded>(bytes);
        // As documents of this version have them: every item with its id.
        for (Loaded* doc : {ours.get(), theirs.get()})
            doc->outline.forEach([](TOutlineNode* node) {
                node->item()->AssignNodeId();
                return true;
            });
        TMergeBase base;
        base.Take(ours->outline);
        int n = 0;
        const int step = std::max(1, ours->outline.count() / 1000);
        theirs->outline.forEach([&](TOutlineNode* node) {
            if (n++ % step == 0 && node->item()->NodeId != -1) {
                node->item()->Title += "*";
                node->item()->ModifiedDate += 1;
            }
            return true;
        });
        n = 0;
        ours->outline.forEach([&](TOutlineNode* node) {
            if (n++ % (2 * step) == 0 && node->item()->NodeId != -1)
                node->item()->SetPage("edited here\r\n", QByteArray());
            return true;
        });
        state.ResumeTiming();
        TDocumentMerge merge(ours->outline, theirs->outline, &base);
        merge.Apply();
        actions = int(merge.Actions().size());
        state.PauseTiming();
        ours.reset();
        theirs.reset();
        state.ResumeTiming();
    }
    state.counters["actions"] = actions;
}

BENCHMARK(Read)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteUnchanged)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteAfterShow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteAfterEdit)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(MergeVersions)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
