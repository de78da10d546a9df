#pragma once

#include <filesystem>
#include <string>

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

private:
    std::filesystem::path path_;
};

} // namespace quorvane::test
