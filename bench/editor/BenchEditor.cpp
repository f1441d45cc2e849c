// The page editor with realistic pages: switching to a rich page, and typing
// at the end of a long page full of links while they are coloured.
#include "editor/RichEditLink.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfWriter.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <benchmark/benchmark.h>

namespace {

// A formatted page of about bytes of RTF with a link in every other paragraph.
QByteArray richPage(int bytes, int* links) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(Qt::darkRed);
    int n = 0;
    for (int i = 0; Rtf::write(doc).size() < bytes; ++i) {
        for (int k = 0; k < 20; ++k, ++i) {
            c.insertText(QStringLiteral("第%1段落の本文です。Some English text too ").arg(i),
                         plain);
            c.insertText(QStringLiteral("強調"), bold);
            if (i % 2 == 0) {
                c.insertText(QStringLiteral(" http://example.com/page%1 ").arg(i), plain);
                ++n;
            }
            c.insertBlock();
        }
    }
    if (links)
        *links = n;
    return Rtf::write(doc);
}

struct Window {
    TFormMain form;
    TLeafNote* small = nullptr;
    TLeafNote* page100k = nullptr;
    TLeafNote* page1m = nullptr;
    int links1m = 0;
    Window() {
        TLeafNote::CreateTrash(*form.Outline);
        small = TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
        small->PageText = "small";
        page100k = TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
        page100k->PageText = "x";
        page100k->PageRich = richPage(100 * 1024, nullptr);
        page1m = TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
        page1m->PageText = "x";
        page1m->PageRich = richPage(1024 * 1024, &links1m);
        form.resize(900, 600);
        form.show();
        QApplication::processEvents();
    }
};

Window& window() {
    static Window* w = new Window;
    return *w;
}

// The page's layout goes on in steps after the first paint; it is complete
// when the last paragraph has its lines.
void waitForLayout(QTextEdit* page) {
    QTextDocument* doc = page->document();
    while (doc->lastBlock().layout()->lineCount() == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void ShowPage(benchmark::State& state, TLeafNote* Window::*which, bool toIdle) {
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.form.GoToItem(w.small);
        QApplication::processEvents();
        state.ResumeTiming();
        w.form.GoToItem(w.*which);
        QApplication::processEvents(); // the visible part painted and coloured
        if (toIdle)
            waitForLayout(w.form.RichEdit);
    }
}

void ShowRichPage100K(benchmark::State& state) {
    ShowPage(state, &Window::page100k, false);
}

void ShowRichPage100KToIdle(benchmark::State& state) {
    ShowPage(state, &Window::page100k, true);
}

void ShowRichPage1M(benchmark::State& state) {
    ShowPage(state, &Window::page1m, false);
}

void ShowRichPage1MToIdle(benchmark::State& state) {
    ShowPage(state, &Window::page1m, true);
}

void TypeAtEndOf1MPageWithLinks(benchmark::State& state) {
    Window& w = window();
    w.form.GoToItem(w.page1m);
    QApplication::processEvents();
    waitForLayout(w.form.RichEdit);
    w.form.RichEdit->moveCursor(QTextCursor::End);
    state.counters["links"] = w.links1m;
    for (auto _ : state) {
        w.form.RichEdit->textCursor().insertText(QStringLiteral("a"));
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(ShowRichPage100K)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ShowRichPage100KToIdle)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ShowRichPage1M)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ShowRichPage1MToIdle)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(TypeAtEndOf1MPageWithLinks)->Unit(benchmark::kMillisecond)->Iterations(50);
