// The list commands on generated lists: start-up (load, count, List Summary),
// "Show Palavera List GCM's" into a sink that keeps and sorts the items as a
// view does, and a search matching a tenth of the records.
#include "app/list/MainList.h"
#include "app/list/SortedItemCollector.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
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

// One generated list per size, written once per run by scripts/gen-list.
const QString& GeneratedList(int records)
{
    static QTemporaryDir folder;
    static std::map<int, QString> paths;
    auto found = paths.find(records);
    if (found != paths.end())
        return found->second;
    const QString path = folder.filePath(QStringLiteral("list-%1.xml").arg(records));
    const std::string command = std::string("/usr/bin/python3 '" QUORVANE_SOURCE_DIR "/scripts/gen-list' ") +
                                std::to_string(records) + " '" + path.toStdString() + "' --version 7";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("gen-list failed");
    return paths.emplace(records, path).first->second;
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

void ShowMainList(benchmark::State& state)
{
    MainList list;
    NullStatus status;
    list.LoadMainList(status, GeneratedList(static_cast<int>(state.range(0))));
    SortedItemCollector view;
    for (auto _ : state) {
        list.ShowMainList(BootFilter::AllRecords, view, status);
        benchmark::DoNotOptimize(view.Items().data());
    }
    state.counters["shown"] = static_cast<double>(view.Items().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ShowMainListUnsorted(benchmark::State& state)
{
    MainList list;
    NullStatus status;
    list.LoadMainList(status, GeneratedList(static_cast<int>(state.range(0))));
    UnsortedSink view;
    for (auto _ : state) {
        list.ShowMainList(BootFilter::AllRecords, view, status);
        benchmark::DoNotOptimize(view.items.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SearchTenth(benchmark::State& state)
{
    MainList list;
    NullStatus status;
    list.LoadMainList(status, GeneratedList(static_cast<int>(state.range(0))));
    SortedItemCollector view;
    for (auto _ : state) {
        // Every tenth generated name holds "Castle".
        list.Search(QStringLiteral("castle"), BootFilter::AllRecords, view);
        benchmark::DoNotOptimize(view.Items().data());
    }
    state.counters["shown"] = static_cast<double>(view.Items().size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(StartUp)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowMainList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowMainListUnsorted)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchTenth)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
