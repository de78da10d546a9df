// The scan of "which of my games boot" on a warm cache, the Main List load
// excluded: 2,000 sparse images of full size whose IDs come from the
// generated 10k list, spread over 20 folders; and 100,000 other files over
// 100 folders. Each is timed as the whole scan (walk, image heads, matching
// and sorting) and as the walk alone, next to a floor that walks with
// std::filesystem and reads the same seven bytes of the same files.
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/scan/FolderScanner.h"
#include "app/scan/GameScan.h"
#include "bench/support/BenchLists.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace quorvane::app;

constexpr int kImages = 2000;
constexpr int kOtherFiles = 100000;
constexpr off_t kImageSize = 1459978240;

class NoStatus : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

/// The benchmark's folders, made once and removed at exit.
struct Collection {
    std::filesystem::path root;
    std::filesystem::path images;
    std::filesystem::path others;
    std::unique_ptr<MainList> list;

    Collection()
    {
        root = std::filesystem::temp_directory_path() / ("quorvane-scan-bench-" + std::to_string(getpid()));
        images = root / "images";
        others = root / "others";
        list = std::make_unique<MainList>();
        NoStatus status;
        list->LoadMainList(status, QString::fromStdString(quorvane::bench::ListFile(10000)));
        std::vector<std::string> ids;
        RecordWalk::ForEach(list->Document(), [&](RecordWalk::Record& record) {
            if (ids.size() < static_cast<std::size_t>(kImages))
                ids.push_back(RecordWalk::ReadItem(record, BootImage::Cross).subItems[0].toStdString());
        });
        for (int i = 0; i < kImages; ++i) {
            const std::filesystem::path folder = images / ("shelf " + std::to_string(i % 20));
            std::filesystem::create_directories(folder);
            // IDs of the list, and every tenth one of no list.
            std::string head = i % 10 == 9 ? "ZNEW" + std::to_string(10 + i % 90) : ids[static_cast<std::size_t>(i)];
            head.resize(6, '0');
            head += static_cast<char>(i % 2);
            Write(folder / ("game " + std::to_string(i) + (i % 3 ? ".iso" : ".gcm")), head, kImageSize);
        }
        for (int i = 0; i < kOtherFiles; ++i) {
            const std::filesystem::path folder = others / ("box " + std::to_string(i % 100));
            if (i < 100)
                std::filesystem::create_directories(folder);
            Write(folder / ("file " + std::to_string(i) + ".dat"), "", 0);
        }
    }
    ~Collection()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    static void Write(const std::filesystem::path& file, const std::string& head, off_t size)
    {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, head.data(), head.size()) != static_cast<ssize_t>(head.size()) ||
            ::ftruncate(fd, size) != 0)
            throw std::runtime_error("cannot write " + file.string());
        ::close(fd);
    }
};

Collection& Files()
{
    static Collection collection;
    return collection;
}

const std::filesystem::path& Folder(benchmark::State& state)
{
    return state.range(0) == 0 ? Files().images : Files().others;
}

void BM_GameScan(benchmark::State& state)
{
    const std::string folder = Folder(state).string();
    GameScan::Run(*Files().list, folder); // warms the cache
    long long images = 0;
    for (auto _ : state) {
        const ScanReport report = GameScan::Run(*Files().list, folder);
        images = report.counts.images;
        benchmark::DoNotOptimize(report.images.data());
    }
    state.counters["images"] = static_cast<double>(images);
}

void BM_FolderScanner(benchmark::State& state)
{
    const std::string folder = Folder(state).string();
    FolderScanner::Scan(folder);
    for (auto _ : state) {
        const FolderFindings found = FolderScanner::Scan(folder);
        benchmark::DoNotOptimize(found.images.data());
    }
}

// The floor: std::filesystem's walk, following links, and the seven bytes
// of every file named like an image.
void BM_FloorFilesystemWalk(benchmark::State& state)
{
    const std::filesystem::path folder = Folder(state);
    auto walk = [&folder] {
        long long heads = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::follow_directory_symlink)) {
            if (!entry.is_regular_file() || !ImageIdReader::HasImageName(entry.path().filename().native()))
                continue;
            char head[7];
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NOATIME | O_CLOEXEC);
            heads += fd >= 0 && ::pread(fd, head, sizeof head, 0) == 7;
            ::close(fd);
        }
        return heads;
    };
    walk();
    for (auto _ : state)
        benchmark::DoNotOptimize(walk());
}

// Argument 0: the 2,000 images; 1: the 100,000 other files.
BENCHMARK(BM_GameScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FolderScanner)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorFilesystemWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
