// "Show Palavera List GCM's" and a search into the real list view of the Main
// Window, on generated lists of 10k and 100k records, with the repaint that
// follows each command; and scrolling the filled view from end to end.
//
//   quorvane_ui_bench [--benchmark_filter=...]
//
// The view must fill in time linear in the records (one sort per command,
// never one per item) and stay cheap to repaint anywhere in 100k rows.

#include "app/ui/MainWindow.h"
#include "app/ui/SortedListView.h"

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

/// A Main List of @p records invented records; every tenth name, and only
/// those, contains "Castle", so searching "castle" matches a tenth.
std::string generateList(int records)
{
    static const char* const words[] = {"Amber",  "Brisk",  "Crimson", "Drowsy", "Emerald", "Frosted",
                                        "Gilded", "Hollow", "Ivory",   "Lunar",  "Misty",   "Opal"};
    static const char* const nouns[] = {"Lantern", "Orchard", "Harbor", "Glacier", "Meadow", "Beacon",
                                        "Canyon",  "Spire",   "Grove",  "Quarry",  "Riddle", "Voyage"};
    std::string out = "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n<VERSION>\r\n<NUMBER>42</NUMBER>\r\n"
                      "</VERSION>\r\n<!--GCM LISTINGS -->\r\n";
    out.reserve(static_cast<std::size_t>(records) * 260);
    unsigned seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int i = 0; i < records; ++i) {
        std::string name = std::string(words[next() % 12]) + ' ' + nouns[next() % 12];
        if (i % 10 == 0)
            name += " Castle";
        name += ' ' + std::to_string(i);
        out += "<GCM>\r\n<GAMENAME>" + name + "</GAMENAME>\r\n<GAMEID>G" + std::to_string(100000 + i) +
               "</GAMEID>\r\n<NOTES>Playable</NOTES>\r\n<SSIZE>" + std::to_string(next() % 1400) +
               "</SSIZE>\r\n<GOOD>" + (next() % 3 ? "1" : "2") + "</GOOD>\r\n<NICK>tester</NICK>\r\n" +
               "<INST>none</INST>\r\n</GCM>\r\n";
    }
    return out + "<!-- End -->\r\n</IMAGE>\r\n";
}

/// One started, shown Main Window per list size, each in its own working
/// directory, kept for the whole run.
struct Instance {
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

/// The windows by list size; emptied before the application object goes.
std::map<int, std::unique_ptr<Instance>>& instances()
{
    static std::map<int, std::unique_ptr<Instance>> all;
    return all;
}

MainWindow& windowFor(int records)
{
    auto& slot = instances()[records];
    if (!slot) {
        slot = std::make_unique<Instance>();
        QFile file(slot->dir.filePath(QStringLiteral("gcmList.xml")));
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write the generated list\n");
            std::exit(1);
        }
        const std::string text = generateList(records);
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        QDir::setCurrent(slot->dir.path());
        slot->window = std::make_unique<MainWindow>();
        slot->window->show();
        QApplication::processEvents();
    }
    QDir::setCurrent(slot->dir.path());
    return *slot->window;
}

void BM_ShowMainList(benchmark::State& state)
{
    MainWindow& window = windowFor(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        window.ShowALLGCMs1->trigger();
        QApplication::processEvents(); // the repaint the user waits for
    }
    state.counters["rows"] = window.List->rows().size();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SearchTenth(benchmark::State& state)
{
    MainWindow& window = windowFor(static_cast<int>(state.range(0)));
    window.gcmName->setText(QStringLiteral("castle"));
    for (auto _ : state) {
        window.btnGCMSearchClick();
        QApplication::processEvents();
    }
    state.counters["rows"] = window.List->rows().size();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

/// The view's own share of a Show: n complete items into the sink, one sort.
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

BENCHMARK(BM_ShowMainList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchTenth)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
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
