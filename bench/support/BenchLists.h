#pragma once

// The List Files every benchmark reads. scripts/bench-ratios writes them once
// per run with scripts/gen-list and names their folder in QUORVANE_BENCH_LISTS,
// so the libxml2 floor and the program's paths are timed on the same bytes.
// Run on its own, a benchmark generates the same files (same seed, same
// version) into a temporary folder that goes when the process ends.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvane::bench {

/// The seed and version every generated benchmark list is written with.
inline constexpr int kListSeed = 2001;
inline constexpr const char* kListVersion = "7";

namespace detail {

struct GeneratedFolder {
    std::filesystem::path path;
    pid_t owner = 0;
    ~GeneratedFolder()
    {
        // A forked measuring child must not remove its parent's files.
        if (!path.empty() && owner == getpid()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

inline const std::filesystem::path& OwnFolder()
{
    static GeneratedFolder folder;
    if (folder.path.empty()) {
        folder.path = std::filesystem::temp_directory_path() / ("quorvane-bench-lists-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder.path);
        folder.owner = getpid();
    }
    return folder.path;
}

} // namespace detail

/// The file name of the list with `records` records inside a list folder.
inline std::string ListFileName(int records)
{
    return "list-" + std::to_string(records) + ".xml";
}

/// Writes a list of `records` records to `path` with scripts/gen-list.
inline void GenerateList(int records, const std::string& path)
{
    const std::string command = std::string("/usr/bin/python3 '" QUORVANE_SOURCE_DIR "/scripts/gen-list' ") +
                                std::to_string(records) + " '" + path + "' --seed " + std::to_string(kListSeed) +
                                " --version " + kListVersion;
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("scripts/gen-list failed for " + path);
}

/// The full path of the list with `records` records: from the folder named by
/// QUORVANE_BENCH_LISTS when it holds one, else generated once per process.
inline std::string ListFile(int records)
{
    if (const char* shared = std::getenv("QUORVANE_BENCH_LISTS"); shared && *shared) {
        const std::filesystem::path path = std::filesystem::path(shared) / ListFileName(records);
        if (std::filesystem::exists(path))
            return path.string();
    }
    const std::filesystem::path path = detail::OwnFolder() / ListFileName(records);
    if (!std::filesystem::exists(path))
        GenerateList(records, path.string());
    return path.string();
}

} // namespace quorvane::bench
