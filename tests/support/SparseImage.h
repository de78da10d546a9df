#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvane::test {

/// The size of a full GCM image: 1,459,978,240 bytes.
inline constexpr off_t GcmImageSize = 1459978240;

/// Writes a disc image as a folder scan meets one: `head` at the start of
/// `file`, then the file stretched to `size` bytes with ftruncate, which
/// takes no disk space (a sparse file). Creates the folders on the way;
/// raises std::runtime_error when it cannot.
inline void WriteSparseImage(const std::filesystem::path& file, const std::string& head, off_t size = GcmImageSize)
{
    std::filesystem::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + file.string());
    const bool written = ::write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
                         ::ftruncate(fd, std::max<off_t>(size, static_cast<off_t>(head.size()))) == 0;
    ::close(fd);
    if (!written)
        throw std::runtime_error("cannot write " + file.string());
}

/// The head of a GCM image: the six-character game ID, then the disc byte
/// (0 for the first disc, 1 for the second).
inline std::string ImageHeadBytes(const std::string& gameId, int disc = 1)
{
    return gameId + std::string(1, static_cast<char>(disc - 1));
}

} // namespace quorvane::test
