// Compares the program's start-up (what the Main Window's creation runs:
// load the List File into the document's string list, activate, walk the GCM
// records reading all seven fields of each, write the List Summary) with
// libxml2 alone parsing the same bytes and reading the same fields. Each
// measurement runs in its own child process so its peak memory (ru_maxrss) is
// its own. The lists come from bench/support/BenchLists.h.
//
// Usage: quorvane_xml_bench [--lines] [records...]   (default 1000 10000 100000)
//   --lines  also prints one "NAME VALUE" line per figure (scripts/bench-ratios)

#include "app/list/MainList.h"
#include "bench/support/BenchLists.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kFields[] = {"GAMENAME", "GAMEID", "NOTES", "SSIZE", "GOOD", "NICK", "INST"};
constexpr int kRepetitions = 3;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// (a) The floor: libxml2 parses the file's bytes and the seven texts of each
// record are read into strings. Returns the number of records.
std::size_t RunFloor(const std::string& path)
{
    const std::string bytes = ReadAll(path);
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    if (!doc)
        std::abort();
    std::size_t total = 0;
    std::size_t records = 0;
    for (xmlNodePtr record = xmlDocGetRootElement(doc)->children; record; record = record->next) {
        if (record->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(record->name), "GCM") != 0)
            continue;
        ++records;
        for (const char* field : kFields) {
            for (xmlNodePtr child = record->children; child; child = child->next) {
                if (child->type == XML_ELEMENT_NODE &&
                    std::strcmp(reinterpret_cast<const char*>(child->name), field) == 0) {
                    std::string text;
                    if (child->children && child->children->content)
                        text = reinterpret_cast<const char*>(child->children->content);
                    total += text.size();
                    break;
                }
            }
        }
    }
    xmlFreeDoc(doc);
    // The texts' length keeps the reading from being optimised away.
    return total > 0 ? records : records + 1;
}

// (b) The program's start-up, as the Main Window runs it. Returns the number
// of records counted.
std::size_t RunStartup(const std::string& path)
{
    class NoStatus : public quorvane::app::StatusSink {
    public:
        void SetStatusText(const QString&) override {}
    } status;
    quorvane::app::MainList list;
    list.LoadMainList(status, QString::fromStdString(path));
    return static_cast<std::size_t>(list.State().GCMCount);
}

struct Result {
    double seconds = 0; // best of the repetitions
    long peakKiB = 0;
    std::size_t checksum = 0;
};

// Runs `mode` in a child process; the child reports through a pipe.
Result Measure(const std::string& mode, const std::string& path)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Result r;
        r.seconds = 1e30;
        for (int i = 0; i < (mode == "none" ? 1 : kRepetitions); ++i) {
            const auto start = std::chrono::steady_clock::now();
            if (mode == "floor")
                r.checksum = RunFloor(path);
            else if (mode == "startup")
                r.checksum = RunStartup(path);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            r.seconds = std::min(r.seconds, elapsed.count());
        }
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
    std::printf("%8s %9s | %10s %10s %6s | %10s %10s %6s\n", "records", "file MiB", "floor ms", "start ms", "ratio",
                "floor MiB", "start MiB", "ratio");
    std::map<int, double> startupSeconds;
    std::string figures;
    for (int records : sizes) {
        const std::string path = quorvane::bench::ListFile(records);
        const double fileMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
        const Result floor = Measure("floor", path);
        const Result startup = Measure("startup", path);
        if (floor.checksum != startup.checksum) {
            std::fprintf(stderr, "the two paths read different records (%zu vs %zu)\n", floor.checksum,
                         startup.checksum);
            return 1;
        }
        // Peak memory net of what the bare process holds.
        const double floorMiB = (floor.peakKiB - baseline.peakKiB) / 1024.0;
        const double startMiB = (startup.peakKiB - baseline.peakKiB) / 1024.0;
        std::printf("%8d %9.1f | %10.1f %10.1f %6.2f | %10.1f %10.1f %6.2f\n", records, fileMiB, floor.seconds * 1e3,
                    startup.seconds * 1e3, startup.seconds / floor.seconds, floorMiB, startMiB,
                    startMiB / std::max(floorMiB, 0.1));
        startupSeconds[records] = startup.seconds;
        char line[256];
        std::snprintf(line, sizeof line,
                      "floor_%d_ms %.2f\nstartup_%d_ms %.2f\nfloor_%d_mib %.2f\nstartup_%d_mib %.2f\n", records,
                      floor.seconds * 1e3, records, startup.seconds * 1e3, records, floorMiB, records, startMiB);
        figures += line;
    }
    if (startupSeconds.count(10000) && startupSeconds.count(100000))
        std::printf("\nstart-up time 100k / 10k: %.1fx\n", startupSeconds[100000] / startupSeconds[10000]);
    if (lines)
        std::printf("\n%s", figures.c_str());
    return 0;
}
