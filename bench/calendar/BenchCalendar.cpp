// The month calendar and its day listing on a large outline, with the
// window shown as a user sees it.
#include "calendar/CalEx.h"
#include "calendar/CalendarCommands.h"
#include "calendar/DueIndex.h"
#include "file/SampleOutline.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int Items = 100000;

struct Window {
    TFormMain form;
    TMonthlyCalendar* cal = nullptr;
    TCalendarCommands* cmd = nullptr;
    int32_t busyDay = 0;
    size_t listed = 0;
    Window() {
        SampleOutline::generate(*form.Outline, *form.Options, Items);
        // A day that many items fall due on, spread over the outline.
        double due = 0;
        form.Outline->forEach([&](TOutlineNode* n) {
            if (n->item()->DueDate != 0) {
                due = n->item()->DueDate;
                return false;
            }
            return true;
        });
        int k = 0;
        form.Outline->forEach([&](TOutlineNode* n) {
            if (++k % 50 == 0) {
                n->item()->Progress = ProgressNotStarted;
                n->item()->SetDate(DateDue, due);
            }
            return true;
        });
        TDueIndex::DayOf(due, busyDay);
        form.SetCalendarVisible(true);
        form.resize(1000, 800);
        form.show();
        QApplication::processEvents();
        cal = form.MonthlyCalendar1;
        cmd = TCalendarCommands::of(form);
        cmd->ListDueItems = [this](double, const std::vector<TLeafNote*>& items) {
            listed = items.size();
        };
        {
            // Reading the whole outline: once after loading, on first use.
            TDueIndex fresh(*form.Outline);
            QElapsedTimer t;
            t.start();
            const int withDue = fresh.size();
            std::printf("index of %d items with a due date built in %.1f ms\n", withDue,
                        t.nsecsElapsed() / 1.0e6);
        }
        cal->SetJuliusDay(busyDay);
        QApplication::processEvents();
    }
};

Window& window() {
    static Window* w = new Window; // lives until the process ends
    return *w;
}

void PaintMonth(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state)
        w.cal->repaint();
}

void SwitchMonth(benchmark::State& state) {
    Window& w = window();
    bool forward = true;
    for (auto _ : state) {
        if (forward)
            w.cal->NextMonth();
        else
            w.cal->PrevMonth();
        forward = !forward;
        w.cal->repaint();
    }
}

void DayClickListing(benchmark::State& state) {
    Window& w = window();
    w.cal->SetJuliusDay(w.busyDay);
    for (auto _ : state)
        w.cmd->MonthlyCalendar1Click();
    state.counters["items"] = double(w.listed);
}

} // namespace

BENCHMARK(PaintMonth)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(SwitchMonth)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(DayClickListing)->Unit(benchmark::kMillisecond)->Iterations(50);
