#include "app/list/AtomicFileWriter.h"

#include "app/list/ListErrors.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace quorvane::app {

namespace {

constexpr std::size_t BufferSize = 64 * 1024;

// As many links as the system follows in one path before it gives up.
constexpr int MaxLinks = 40;

std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

} // namespace

std::string AtomicFileWriter::ResolveLinks(const std::string& path)
{
    std::string resolved = path;
    for (int depth = 0; depth <= MaxLinks; ++depth) {
        struct stat entry {};
        if (::lstat(resolved.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode))
            return resolved;
        std::string link(static_cast<std::size_t>(entry.st_size > 0 ? entry.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(resolved.c_str(), link.data(), link.size());
        if (length < 0)
            throw InOutError(errno);
        if (static_cast<std::size_t>(length) >= link.size())
            throw InOutError(ENAMETOOLONG); // the link changed while it was read
        link.resize(static_cast<std::size_t>(length));
        if (link.empty())
            throw InOutError(ENOENT);
        if (link.front() == '/') {
            resolved = link;
        } else {
            const std::size_t slash = resolved.rfind('/');
            resolved = slash == std::string::npos ? link : resolved.substr(0, slash + 1) + link;
        }
    }
    throw InOutError(ELOOP);
}

AtomicFileWriter::AtomicFileWriter(const QString& targetPath)
    : target_(ResolveLinks(QFile::encodeName(targetPath).toStdString()))
{
    // Renaming needs only the folder's permission; a file the user made
    // read-only is refused as truncating it in place would be.
    if (::access(target_.c_str(), W_OK) != 0 && errno != ENOENT)
        throw InOutError(errno);
    buffer_.reserve(BufferSize);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = TemporaryName(target_);
        // 0666 lets the umask decide, as for any newly created file.
        descriptor_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0)
            break;
        if (errno != EEXIST)
            throw InOutError(errno);
    }
    if (descriptor_ < 0)
        throw InOutError(EEXIST);

    // A replaced file keeps its permissions.
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(descriptor_, existing.st_mode & 07777);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (committed_)
        return;
    if (descriptor_ >= 0)
        ::close(descriptor_);
    ::unlink(temporary_.c_str());
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() > BufferSize)
        Flush();
    if (bytes.size() >= BufferSize) {
        buffer_.assign(bytes);
        Flush();
        return;
    }
    buffer_.append(bytes);
}

void AtomicFileWriter::Flush()
{
    const char* data = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw InOutError(errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    buffer_.clear();
}

void AtomicFileWriter::Commit()
{
    Flush();
    if (::fsync(descriptor_) != 0)
        throw InOutError(errno);
    const int closed = ::close(descriptor_);
    descriptor_ = -1;
    if (closed != 0 && errno != EINTR)
        throw InOutError(errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw InOutError(errno);
    committed_ = true;
}

} // namespace quorvane::app
