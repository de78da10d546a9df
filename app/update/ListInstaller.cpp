#include "app/update/ListInstaller.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/InOutError.h"
#include "app/update/ListInstallError.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane::app {

namespace {

// True when both paths name entries of one and the same folder.
bool InOneFolder(const std::string& a, const std::string& b)
{
    const auto folder = [](const std::string& path) {
        const std::string parent = std::filesystem::path(path).parent_path().string();
        return parent.empty() ? std::string(".") : parent;
    };
    struct stat first {};
    struct stat second {};
    return ::stat(folder(a).c_str(), &first) == 0 && ::stat(folder(b).c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Copies `downloaded` into a new file beside `target` that replaces it whole,
// then removes the download. Throws InOutError; the target stays as it was.
void CopyOver(const std::string& downloaded, const std::string& target)
{
    const int source = ::open(downloaded.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        throw InOutError(errno);
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{source};
    AtomicFileWriter file(QFile::decodeName(QByteArray::fromStdString(target)));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw InOutError(errno);
        if (got == 0)
            break;
        file.Write(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    file.Commit();
    ::unlink(downloaded.c_str());
}

} // namespace

void ListInstaller::Install(const std::string& downloaded, const std::string& mainList)
{
    try {
        // A Main List that is a symbolic link stays one: the file it leads to
        // gets the new list.
        const std::string target = AtomicFileWriter::ResolveLinks(mainList);
        if (InOneFolder(downloaded, target)) {
            // The replaced list's permissions carry over to the new one.
            struct stat existing {};
            if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
                ::chmod(downloaded.c_str(), existing.st_mode & 07777);
            // rename(2) replaces an existing target atomically; deleting the
            // old list first would leave no Main List at all when the rename
            // then fails.
            if (::rename(downloaded.c_str(), target.c_str()) == 0)
                return;
            if (errno != EXDEV)
                throw InOutError(errno);
        }
        // Elsewhere (another folder, another file system) the download is
        // copied into a temporary file beside the target, renamed over it.
        CopyOver(downloaded, target);
    } catch (const InOutError& e) {
        throw ListInstallError(downloaded, mainList, std::strerror(e.ErrorCode()));
    }
}

} // namespace quorvane::app
