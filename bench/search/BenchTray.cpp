// The focus tray on a 100 000-item outline shown in the window (offscreen):
// a listing by text and sorting the rows by a column, as a user runs them.
#include "file/Cp932.h"
#include "file/SampleOutline.h"
#include "outline/Outline.h"
#include "search/FocusTray.h"
#include "search/FocusTrayModel.h"
#include "search/SearchCommands.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int Items = 100000;

struct Window {
    TFormMain form;
    TSearchCommands* search;
    Window() {
        SampleOutline::generate(*form.Outline, *form.Options, Items);
        form.Options->ColumnCount = 5;
        form.Options->Columns[3].Kind = 6;
        form.Options->Columns[4].Kind = 8;
        form.ApplySettings();
        form.show();
        form.SetFocusTrayVisible(true);
        QApplication::processEvents();
        search = TSearchCommands::of(form);
    }
    void listText(const char* utf8) {
        TFindDesc& f = search->FindDesc();
        f.Reset();
        f.SetStringCondition(Cp932::fromUnicode(QString::fromUtf8(utf8)), false, true, true, true);
        search->ListUp();
        QApplication::processEvents(); // the tray paints the result
    }
};

Window& window() {
    static Window* w = new Window; // lives until the process ends
    return *w;
}

// A word in many titles and pages: tens of thousands of rows.
void ListByCommonText(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state)
        w.listText("の");
    state.counters["rows"] = w.form.ListViewFocus->trayModel()->rowCount();
}

// A rare text: the whole outline is still scanned.
void ListByRareText(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state)
        w.listText("東京出張");
    state.counters["rows"] = w.form.ListViewFocus->trayModel()->rowCount();
}

void ListEverything(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state)
        w.listText("");
    state.counters["rows"] = w.form.ListViewFocus->trayModel()->rowCount();
}

void SortBy(benchmark::State& state) {
    Window& w = window();
    w.listText("");
    const int kind = int(state.range(0));
    for (auto _ : state) {
        w.search->ListViewFocusColumnClick(kind);
        QApplication::processEvents();
    }
    state.counters["rows"] = w.form.ListViewFocus->trayModel()->rowCount();
}

} // namespace

BENCHMARK(ListByCommonText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ListByRareText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ListEverything)->Unit(benchmark::kMillisecond)->Iterations(5);
// Title, label, due date, page text.
BENCHMARK(SortBy)->Arg(1)->Arg(2)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond)->Iterations(4);
