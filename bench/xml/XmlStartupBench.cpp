// Compares the program's start-up (what the Main Window's creation runs:
// load the List File into the document's string list, activate, walk the GCM
// records reading all seven fields of each, write the List Summary) with the
// start-up floor of bench/floor, a plain libxml2 program doing the same work. Start-up
// ends when the list is read and the window could wait for the user; freeing
// the document (at exit, or when another list replaces it) is timed apart, for
// both. Times are CPU time, the best of rounds in which the floor and start-up
// take turns. Every run is the first of a child process of its own, as a
// user's start is: a process that loads a list again reuses the memory the
// last one freed, and the two paths gain from that unequally. Its peak memory
// (ru_maxrss) is its own too. The lists come from bench/support/BenchLists.h.
//
// Usage: quorvane_xml_bench [--lines] [records...]   (default 1000 10000 100000)
//   --lines  also prints one "NAME VALUE" line per figure (scripts/bench-ratios)

#include "StartupFloor.h"
#include "app/list/MainList.h"
#include "bench/support/BenchLists.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The floor and start-up are measured in turns, this many rounds each, so a
// spell of load on the shared machine falls on both; each round starts this
// many fresh processes of each, one run apiece.
constexpr int kRounds = 3;
constexpr int kProcessesPerRound = 4;

// The process's CPU time: on a shared machine it moves far less with the
// load of others than the wall clock, and this work is single-threaded.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<Clock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept
    {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return time_point(duration(static_cast<rep>(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};

// One timed run: when it started, when the list was read, when it was freed.
struct Run {
    std::size_t checksum = 0;
    Clock::time_point read;
    Clock::time_point freed;
};

// (a) The floor (bench/floor): a plain libxml2 program doing the same
// required work. The checksum is the number of records.
Run RunFloor(const std::string& path)
{
    Run run;
    FloorList* list = floor_load(path.c_str());
    if (!list)
        std::abort();
    run.checksum = static_cast<std::size_t>(floor_records(list));
    run.read = Clock::now();
    floor_free(list);
    run.freed = Clock::now();
    return run;
}

// (b) The program's start-up, as the Main Window runs it. The checksum is the
// number of records counted.
Run RunStartup(const std::string& path)
{
    class NoStatus : public quorvane::app::StatusSink {
    public:
        void SetStatusText(const QString&) override {}
    } status;
    Run run;
    auto list = std::make_unique<quorvane::app::MainList>();
    list->LoadMainList(status, QString::fromStdString(path));
    run.checksum = static_cast<std::size_t>(list->State().GCMCount);
    run.read = Clock::now();
    list.reset();
    run.freed = Clock::now();
    return run;
}

struct Result {
    double seconds = 0;  // up to the list being read (the best, over several runs)
    double teardown = 0; // freeing the document (the best, over several runs)
    long peakKiB = 0;
    std::size_t checksum = 0;
};

// Runs `mode` once in a child process; the child reports through a pipe.
Result Measure(const std::string& mode, const std::string& path)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const auto start = Clock::now();
        Run run;
        run.read = run.freed = start;
        if (mode == "floor")
            run = RunFloor(path);
        else if (mode == "startup")
            run = RunStartup(path);
        Result r;
        r.checksum = run.checksum;
        r.seconds = std::chrono::duration<double>(run.read - start).count();
        r.teardown = std::chrono::duration<double>(run.freed - run.read).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        r.peakKiB = usage.ru_maxrss;
        const ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    Result r;
    const ssize_t got = read(fds[0], &r, sizeof r);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != static_cast<ssize_t>(sizeof r) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "measurement %s failed\n", mode.c_str());
        std::exit(1);
    }
    return r;
}

// The best times of two rounds of one measurement, and the larger peak.
Result Better(Result a, const Result& b)
{
    a.seconds = std::min(a.seconds, b.seconds);
    a.teardown = std::min(a.teardown, b.teardown);
    a.peakKiB = std::max(a.peakKiB, b.peakKiB);
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    bool lines = false;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lines") == 0)
            lines = true;
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    const Result baseline = Measure("none", "");
    std::printf("baseline process peak: %.1f MiB\n\n", baseline.peakKiB / 1024.0);
    std::printf("%8s %9s | %10s %10s %6s | %10s %10s %6s | %10s %10s\n", "records", "file MiB", "floor ms", "start ms",
                "ratio", "floor MiB", "start MiB", "ratio", "floor free", "start free");
    std::map<int, double> startupSeconds;
    std::string figures;
    // Every round measures every size, so the 100k/10k scaling, too, is taken
    // from times that a spell of load falls on alike.
    std::map<int, Result> floors;
    std::map<int, Result> startups;
    for (int round = 0; round < kRounds; ++round) {
        for (int records : sizes) {
            const std::string path = quorvane::bench::ListFile(records);
            for (int process = 0; process < kProcessesPerRound; ++process) {
                const Result floor = Measure("floor", path);
                const Result startup = Measure("startup", path);
                const bool first = round == 0 && process == 0;
                floors[records] = first ? floor : Better(floors[records], floor);
                startups[records] = first ? startup : Better(startups[records], startup);
            }
        }
    }
    for (int records : sizes) {
        const std::string path = quorvane::bench::ListFile(records);
        const double fileMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
        const Result& floor = floors[records];
        const Result& startup = startups[records];
        if (floor.checksum != startup.checksum) {
            std::fprintf(stderr, "the two paths read different records (%zu vs %zu)\n", floor.checksum,
                         startup.checksum);
            return 1;
        }
        // Peak memory net of what the bare process holds.
        const double floorMiB = (floor.peakKiB - baseline.peakKiB) / 1024.0;
        const double startMiB = (startup.peakKiB - baseline.peakKiB) / 1024.0;
        std::printf("%8d %9.1f | %10.1f %10.1f %6.2f | %10.1f %10.1f %6.2f | %10.1f %10.1f\n", records, fileMiB,
                    floor.seconds * 1e3, startup.seconds * 1e3, startup.seconds / floor.seconds, floorMiB, startMiB,
                    startMiB / std::max(floorMiB, 0.1), floor.teardown * 1e3, startup.teardown * 1e3);
        startupSeconds[records] = startup.seconds;
        char line[512];
        std::snprintf(line, sizeof line,
                      "floor_%d_ms %.2f\nstartup_%d_ms %.2f\nfloor_%d_mib %.2f\nstartup_%d_mib %.2f\n"
                      "floor_%d_free_ms %.2f\nstartup_%d_free_ms %.2f\n",
                      records, floor.seconds * 1e3, records, startup.seconds * 1e3, records, floorMiB, records,
                      startMiB, records, floor.teardown * 1e3, records, startup.teardown * 1e3);
        figures += line;
    }
    if (startupSeconds.count(10000) && startupSeconds.count(100000))
        std::printf("\nstart-up time 100k / 10k: %.1fx\n", startupSeconds[100000] / startupSeconds[10000]);
    if (lines)
        std::printf("\n%s", figures.c_str());
    return 0;
}
