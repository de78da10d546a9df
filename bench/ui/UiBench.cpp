// "Show Palavera List GCM's" and a search into the real list view of the Main
// Window, on the generated lists of 10k and 100k records, with the repaint that
// follows each command; a keystroke's filter and the building of the search
// index it reads; and scrolling the filled view from end to end.
//
//   quorvane_ui_bench [--benchmark_filter=...]
//
// Show and search are timed cold: each repetition starts a new Main Window on
// the list (outside the timing) and times its first command, as the user
// meets it. The view must fill in time linear in the records (one sort per
// command, never one per item) and stay cheap to repaint anywhere in 100k rows.

#include "app/list/SearchIndex.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SortedListView.h"
#include "bench/support/BenchLists.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

using quorvane::app::MainWindow;

namespace {

/// A working directory per list size holding the shared generated list as
/// "gcmList.xml", kept for the whole run.
const QString& folderFor(int records)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    auto& slot = folders[records];
    if (!slot) {
        slot = std::make_unique<QTemporaryDir>();
        const QString source = QString::fromStdString(quorvane::bench::ListFile(records));
        if (!QFile::copy(source, slot->filePath(QStringLiteral("gcmList.xml")))) {
            std::fprintf(stderr, "cannot copy the generated list\n");
            std::exit(1);
        }
    }
    static QString path;
    path = slot->path();
    return path;
}

/// A new Main Window started (list loaded) and shown in the folder of `records`.
std::unique_ptr<MainWindow> startedWindow(int records)
{
    QDir::setCurrent(folderFor(records));
    auto window = std::make_unique<MainWindow>();
    window->show();
    QApplication::processEvents();
    // What the first paint queued (the search index, built once the list is
    // on screen) runs before the user's first command, as the event loop of
    // a started window is idle by then.
    QApplication::processEvents();
    return window;
}

/// One started, shown Main Window per list size for the warm benchmarks;
/// emptied before the application object goes.
std::map<int, std::unique_ptr<MainWindow>>& instances()
{
    static std::map<int, std::unique_ptr<MainWindow>> all;
    return all;
}

MainWindow& windowFor(int records)
{
    auto& slot = instances()[records];
    if (!slot)
        slot = startedWindow(records);
    QDir::setCurrent(folderFor(records));
    return *slot;
}

/// Times `command` as the first command of a freshly started window.
template <class Command>
void coldCommand(benchmark::State& state, Command&& command)
{
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MainWindow> window = startedWindow(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        command(*window);
        QApplication::processEvents(); // the repaint the user waits for
        state.PauseTiming();
        rows = window->List->rows().size();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ShowMainList(benchmark::State& state)
{
    coldCommand(state, [](MainWindow& window) { window.ShowALLGCMs1->trigger(); });
}

void BM_SearchTenth(benchmark::State& state)
{
    coldCommand(state, [](MainWindow& window) {
        // Every tenth generated name holds "Castle".
        window.gcmName->setText(QStringLiteral("castle"));
        window.btnGCMSearchClick();
    });
}

// A key in the search field, from the field's new text to the painted rows:
// "ca" becomes "cas" on the list shown at start-up, with the index built (it
// is built once per list). The view held what "ca" found, as it would.
void BM_FilterKeystroke(benchmark::State& state)
{
    MainWindow& window = windowFor(static_cast<int>(state.range(0)));
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.gcmName->setText(QStringLiteral("ca"));
        window.FilterTimerTimer();
        QApplication::processEvents();
        state.ResumeTiming();
        window.gcmName->setText(QStringLiteral("cas"));
        window.FilterTimerTimer();
        QApplication::processEvents(); // the repaint the user waits for
        state.PauseTiming();
        rows = window.List->rows().size();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

// Building the search index of the list shown (folded names and game IDs),
// as the first keystroke after a load does.
void BM_FilterIndex(benchmark::State& state)
{
    MainWindow& window = windowFor(static_cast<int>(state.range(0)));
    quorvane::app::MainList& list = window.ListLogic();
    std::size_t bytes = 0;
    for (auto _ : state) {
        // Choosing the path again drops the index.
        list.SetPath(quorvane::app::ListPath::Fast);
        const quorvane::app::SearchIndex* index = list.SearchIndexOf(quorvane::app::ListKind::Main);
        benchmark::DoNotOptimize(index);
        bytes = index != nullptr ? index->Bytes() : 0;
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ViewFillOnly(benchmark::State& state)
{
    MainWindow& window = windowFor(10000);
    const int n = static_cast<int>(state.range(0));
    std::vector<quorvane::app::ListItem> items(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        items[static_cast<std::size_t>(i)].caption = QStringLiteral("Game %1 Castle").arg((i * 7919) % n);
        items[static_cast<std::size_t>(i)].subItems = {"G", "Playable", "100", "1", "tester", "none"};
    }
    quorvane::app::ListSink& sink = *window.List;
    for (auto _ : state) {
        sink.Clear();
        for (const auto& item : items)
            sink.AddItem(item);
        sink.FillFinished();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_ScrollFilledView(benchmark::State& state)
{
    MainWindow& window = windowFor(static_cast<int>(state.range(0)));
    window.ShowALLGCMs1->trigger();
    QScrollBar* bar = window.List->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // Jump through the list in 16 places and repaint each time.
        bar->setValue(bar->maximum() * (step++ % 16) / 15);
        window.List->viewport()->repaint();
    }
    state.counters["rows"] = window.List->rows().size();
}

} // namespace

// Each cold iteration starts a whole window outside the timing; repetitions
// give scripts/bench-ratios the best of five, so a spell of load on the shared
// machine seldom covers them all.
BENCHMARK(BM_ShowMainList)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchTenth)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterKeystroke)->Arg(100000)->Iterations(3)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterIndex)->Arg(100000)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewFillOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollFilledView)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    instances().clear();
    return 0;
}
