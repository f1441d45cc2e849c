// Whole-document figures on one outline file, for the yardstick table that
// scripts/bench.sh prints: the scan of a text listing, a save after one edit
// (time and the memory it adds) and freeing the outline. Prints key=value
// lines; times in seconds, memory in MB.
#include "doc/WrenDoc.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FindDesc.h"
#include "settings/OptionDesc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <time.h>

namespace {

// VmHWM or VmRSS of this process in MB.
double statusMB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string want = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(want, 0) == 0)
            return std::stod(line.substr(want.size())) / 1024.0;
    return -1;
}

// Lets the next VmHWM read tell the peak from here on.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

class Host : public TWrenDocHost {
public:
    TOptionDesc settings;
    TOutline outline{&settings};
    TOptionDesc& DocSettings() override { return settings; }
    TOutline& DocOutline() override { return outline; }
    void ShowWarning(const QString& text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool Confirm(const QString&) override { return false; }
};

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Best wall-clock and best processor time of runs; on a busy machine the
// second is the steadier one.
struct Times {
    double wall = 1e9, cpu = 1e9;
};

template <typename F> Times best(int runs, F&& f) {
    Times b;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c = cpuSeconds();
        t.start();
        f();
        b.wall = qMin(b.wall, t.nsecsElapsed() / 1e9);
        b.cpu = qMin(b.cpu, cpuSeconds() - c);
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_scale FILE PATTERN PAGES_OUT SAVE_AS\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QByteArray pattern = Cp932::fromUnicode(QString::fromUtf8(argv[2]));
    auto host = std::make_unique<Host>();
    QElapsedTimer t;
    t.start();
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, host->settings, host->outline);
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
        return 1;
    }
    std::printf("load_s=%.4f\nopen_peak_MB=%.1f\n", t.nsecsElapsed() / 1e9, statusMB("VmHWM"));

    // The bytes the scan looks at, for grep to read.
    {
        QFile pages(QString::fromLocal8Bit(argv[3]));
        if (!pages.open(QIODevice::WriteOnly))
            return 1;
        host->outline.forEach([&pages](TOutlineNode* n) {
            pages.write(n->item()->Title);
            pages.write("\r\n");
            pages.write(n->item()->PageText);
            pages.write("\r\n");
            return true;
        });
    }
    for (const bool ignoreCase : {true, false}) {
        TFindDesc find;
        find.SetStringCondition(pattern, false, true, true, ignoreCase);
        int hits = 0;
        const Times s = best(5, [&] {
            hits = 0;
            host->outline.forEach([&](TOutlineNode* n) {
                hits += find.Matches(*n->item()) ? 1 : 0;
                return true;
            });
        });
        const char* key = ignoreCase ? "scan_nocase" : "scan_case";
        std::printf("%s_s=%.4f\n%s_cpu_s=%.4f\nscan_hits=%d\n", key, s.wall, key, s.cpu, hits);
    }

    // One page edited, then saved as the window saves.
    TWrenDoc doc(QString::fromLocal8Bit(argv[4]) + QStringLiteral(".home"));
    doc.FileName = QString::fromLocal8Bit(argv[4]);
    doc.LoadedOK = true;
    host->settings.SaveBAKFile = false;
    TOutlineNode* edited = host->outline.topLevel(0);
    Times save;
    double addedMB = 0;
    for (int i = 0; i < 3; ++i) {
        const QByteArray page = edited->item()->GetPage();
        edited->item()->SetPage(edited->item()->PageText + QByteArray::number(i), page);
        const double before = statusMB("VmRSS");
        resetPeak();
        bool saved = true;
        const Times once = best(1, [&] { saved = doc.Save(*host); });
        if (!saved)
            return 1;
        save.wall = qMin(save.wall, once.wall);
        save.cpu = qMin(save.cpu, once.cpu);
        addedMB = qMax(addedMB, statusMB("VmHWM") - before);
    }
    std::printf("save_s=%.4f\nsave_cpu_s=%.4f\nsave_added_MB=%.1f\n", save.wall, save.cpu, addedMB);

    // Exit as the programs end: the items are left to the system.
    t.restart();
    host->outline.abandonForExit();
    host.reset();
    std::printf("exit_s=%.4f\n", t.nsecsElapsed() / 1e9);

    // What that spares: the same document freed item by item.
    auto again = std::make_unique<Host>();
    if (!OutlineFile::readFile(path, again->settings, again->outline).ok)
        return 1;
    t.restart();
    again.reset();
    std::printf("free_s=%.4f\n", t.nsecsElapsed() / 1e9);
    return 0;
}
