#include "app/scan/ImageIdReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quorvane::app {

namespace {

bool IsIdByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// Closes a descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

/// Opens `name` read-only without touching its access time. O_NOATIME is
/// refused (EPERM) for a file of another owner; the file is then opened
/// without it. O_NONBLOCK keeps a FIFO from waiting for a writer.
int OpenForHead(int folderFd, const char* name)
{
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::openat(folderFd, name, flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::openat(folderFd, name, flags);
    return fd;
}

} // namespace

bool ImageIdReader::HasImageName(std::string_view fileName)
{
    if (fileName.size() < 4 || fileName[fileName.size() - 4] != '.')
        return false;
    const char extension[] = {LowerAscii(fileName[fileName.size() - 3]), LowerAscii(fileName[fileName.size() - 2]),
                              LowerAscii(fileName[fileName.size() - 1])};
    const std::string_view text(extension, 3);
    return text == "gcm" || text == "iso";
}

std::optional<ImageId> ImageIdReader::Parse(std::string_view head)
{
    if (head.size() < HeadSize)
        return std::nullopt;
    for (std::size_t i = 0; i < ImageId::GameIdLength; ++i) {
        if (!IsIdByte(head[i]))
            return std::nullopt;
    }
    const auto disc = static_cast<unsigned char>(head[ImageId::GameIdLength]);
    if (disc > 1)
        return std::nullopt;
    return ImageId{std::string(head.substr(0, ImageId::GameIdLength)), disc + 1};
}

ImageHead ImageIdReader::ReadAt(int folderFd, const char* name)
{
    ImageHead result;
    const int fd = OpenForHead(folderFd, name);
    if (fd < 0) {
        result.kind = ImageHead::Kind::Unreadable;
        result.errorCode = errno;
        return result;
    }
    const Descriptor open{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.kind = ImageHead::Kind::Unreadable;
        result.errorCode = errno;
        return result;
    }
    if (!S_ISREG(info.st_mode))
        return result;

    char head[HeadSize];
    std::size_t got = 0;
    while (got < HeadSize) {
        const ssize_t n = ::pread(fd, head + got, HeadSize - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.kind = ImageHead::Kind::Unreadable;
            result.errorCode = errno;
            return result;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (const std::optional<ImageId> id = Parse(std::string_view(head, got))) {
        result.kind = ImageHead::Kind::Image;
        result.id = *id;
    }
    return result;
}

ImageHead ImageIdReader::Read(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (!HasImageName(slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1)))
        return {};
    return ReadAt(AT_FDCWD, path.c_str());
}

} // namespace quorvane::app
