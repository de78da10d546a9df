#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::test {

/// A fresh, uniquely named folder under the system's temporary directory,
/// removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "quorvane");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    /// `Path() / name` as a string.
    [[nodiscard]] std::string File(const std::string& name) const { return (path_ / name).string(); }

    /// Writes `bytes` to `name` inside the folder, replacing what was there, and
    /// returns the file's full path; raises std::runtime_error when it cannot.
    std::string Write(const std::string& name, const std::string& bytes) const;
    /// The bytes of `name` inside the folder, or "" when it cannot be read.
    [[nodiscard]] std::string Read(const std::string& name) const;
    [[nodiscard]] bool Exists(const std::string& name) const;
    /// Names of the files directly inside the folder, sorted; catches
    /// temporary files left behind.
    [[nodiscard]] std::vector<std::string> Entries() const;

private:
    std::filesystem::path path_;
};

/// Writes `bytes` to `file`, creating the folders on the way and replacing
/// what was there; raises std::runtime_error when it cannot.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

/// The bytes of `file`, or "" when it cannot be read.
std::string ReadBytes(const std::filesystem::path& file);

/// Names of everything directly inside `folder` (files and folders), sorted;
/// none when the folder does not exist.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);

} // namespace quorvane::test
