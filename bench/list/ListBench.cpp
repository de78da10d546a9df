// The list commands on the generated lists: start-up (load, count, List
// Summary), "Show Palavera List GCM's" into a sink that keeps and sorts the
// items as a view does, and a search matching a tenth of the records. Show and
// search are each the first command after a fresh start-up.
#include "app/list/MainList.h"
#include "app/list/SortedItemCollector.h"
#include "bench/support/BenchLists.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace quorvane::app;

class NullStatus : public StatusSink {
public:
    void SetStatusText(const QString& text) override { last = text; }
    QString last;
};

// Keeps the items in document order: the walk without the view's sorting.
class UnsortedSink : public ListSink {
public:
    void Clear() override { items.clear(); }
    void AddItem(ListItem item) override { items.push_back(std::move(item)); }
    std::vector<ListItem> items;
};

// The shared generated list of `records` records (bench/support/BenchLists.h).
QString GeneratedList(int records)
{
    return QString::fromStdString(quorvane::bench::ListFile(records));
}

void StartUp(benchmark::State& state)
{
    const QString path = GeneratedList(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        MainList list;
        NullStatus status;
        list.LoadMainList(status, path);
        benchmark::DoNotOptimize(status.last);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A list loaded as at start-up, ready for its first command.
std::unique_ptr<MainList> LoadedList(int records)
{
    auto list = std::make_unique<MainList>();
    NullStatus status;
    list->LoadMainList(status, GeneratedList(records));
    return list;
}

// Show and search are timed cold: each iteration is the first command after a
// fresh start-up, as the user meets it.
void ShowMainList(benchmark::State& state)
{
    NullStatus status;
    SortedItemCollector view;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MainList> list = LoadedList(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        list->ShowMainList(BootFilter::AllRecords, view, status);
        benchmark::DoNotOptimize(view.Items().data());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["shown"] = static_cast<double>(view.Items().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ShowMainListUnsorted(benchmark::State& state)
{
    NullStatus status;
    UnsortedSink view;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MainList> list = LoadedList(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        list->ShowMainList(BootFilter::AllRecords, view, status);
        benchmark::DoNotOptimize(view.items.data());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SearchTenth(benchmark::State& state)
{
    SortedItemCollector view;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<MainList> list = LoadedList(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        // Every tenth generated name holds "Castle".
        list->Search(QStringLiteral("castle"), BootFilter::AllRecords, view);
        benchmark::DoNotOptimize(view.Items().data());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["shown"] = static_cast<double>(view.Items().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(StartUp)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
// Each cold iteration pays a whole start-up outside the timing, so their
// number is fixed.
BENCHMARK(ShowMainList)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowMainListUnsorted)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchTenth)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
