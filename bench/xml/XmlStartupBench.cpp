// Compares the program's start-up path over a List File (load the file into
// the XML string list, activate, walk the GCM records, Resolve and NodeText
// the seven fields) with libxml2 alone doing the same reading on the same
// bytes. Each measurement runs in its own child process so its peak memory
// (ru_maxrss) is its own.
//
// Usage: quorvane_xml_bench [records...]   (default 1000 10000 100000)

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeList.h"
#include "xml/libxml2/ParserDomVendor.h"

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

using namespace quorvane::xml;

const char* const kFields[] = {"GAMENAME", "GAMEID", "NOTES", "SSIZE", "GOOD", "NICK", "INST"};
constexpr int kRepetitions = 3;

std::string GenerateList(int records)
{
    std::string text = "<?xml version=\"1.0\" ?>\r\n<IMAGE>\r\n<VERSION>\r\n<NUMBER>123</NUMBER>\r\n</VERSION>\r\n"
                       "<!--GCM LISTINGS -->\r\n";
    char line[256];
    for (int i = 0; i < records; ++i) {
        if (i % 50 == 49)
            text += "<!-- section -->\r\n";
        text += "<GCM>\r\n";
        std::snprintf(line, sizeof line, "<GAMENAME>Game number %d &amp; friends</GAMENAME>\r\n", i);
        text += line;
        std::snprintf(line, sizeof line, "<GAMEID>G%05dE</GAMEID>\r\n", i % 100000);
        text += line;
        text += (i % 3 == 0) ? "<NOTES>Boots to title, music skips in menus</NOTES>\r\n"
                             : "<NOTES>Black screen</NOTES>\r\n";
        std::snprintf(line, sizeof line, "<SSIZE>%d</SSIZE>\r\n", 100 + i % 1300);
        text += line;
        text += (i % 4 == 0) ? "<GOOD>2</GOOD>\r\n" : "<GOOD>1</GOOD>\r\n";
        text += (i % 7 == 0) ? "<NICK></NICK>\r\n" : "<NICK>tester</NICK>\r\n";
        text += "<INST>Use the default settings; enable the frame limiter.</INST>\r\n</GCM>\r\n";
    }
    text += "<!-- End -->\r\n</IMAGE>\r\n";
    return text;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// (a) The floor: libxml2 parses the file's bytes and the seven texts of each
// record are read into strings.
std::size_t RunFloor(const std::string& path)
{
    const std::string bytes = ReadAll(path);
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOBLANKS);
    if (!doc)
        std::abort();
    std::size_t total = 0;
    for (xmlNodePtr record = xmlDocGetRootElement(doc)->children; record; record = record->next) {
        if (record->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(record->name), "GCM") != 0)
            continue;
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
    return total;
}

// (b) The program's start-up path through the document layer.
std::size_t RunStartup(const std::string& path)
{
    XmlDocument doc("libxml2");
    doc.XML().LoadFromFile(path);
    doc.SetActive(true);
    std::size_t total = 0;
    for (Ref<XmlNode> cursor = doc.RootElement()->ChildList()->FindChild("GCM"); cursor;
         cursor = cursor->FollowingSibling()) {
        if (cursor->NodeKind() != DomNodeType::Element || cursor->NodeName() != "GCM")
            continue;
        Ref<XmlNodeList> fields = cursor->ChildList();
        for (const char* field : kFields)
            total += fields->Resolve(field)->NodeText().size();
    }
    return total;
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
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    ParserDomVendor::Install();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quorvane-xml-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    const Result baseline = Measure("none", "");
    std::printf("baseline process peak: %.1f MiB\n\n", baseline.peakKiB / 1024.0);
    std::printf("%8s %9s | %10s %10s %6s | %10s %10s %6s\n", "records", "file MiB", "floor ms", "start ms", "ratio",
                "floor MiB", "start MiB", "ratio");
    std::map<int, double> startupSeconds;
    for (int records : sizes) {
        const std::string path = (dir / ("list-" + std::to_string(records) + ".xml")).string();
        {
            const std::string text = GenerateList(records);
            std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        const double fileMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
        const Result floor = Measure("floor", path);
        const Result startup = Measure("startup", path);
        if (floor.checksum != startup.checksum) {
            std::fprintf(stderr, "the two paths read different texts (%zu vs %zu)\n", floor.checksum, startup.checksum);
            return 1;
        }
        // Peak memory net of what the bare process holds.
        const double floorMiB = (floor.peakKiB - baseline.peakKiB) / 1024.0;
        const double startMiB = (startup.peakKiB - baseline.peakKiB) / 1024.0;
        std::printf("%8d %9.1f | %10.1f %10.1f %6.2f | %10.1f %10.1f %6.2f\n", records, fileMiB, floor.seconds * 1e3,
                    startup.seconds * 1e3, startup.seconds / floor.seconds, floorMiB, startMiB,
                    startMiB / std::max(floorMiB, 0.1));
        startupSeconds[records] = startup.seconds;
    }
    if (startupSeconds.count(10000) && startupSeconds.count(100000))
        std::printf("\nstart-up time 100k / 10k: %.1fx\n", startupSeconds[100000] / startupSeconds[10000]);
    std::filesystem::remove_all(dir);
    return 0;
}
