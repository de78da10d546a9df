#include "app/update/ListInstaller.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/InOutError.h"
#include "app/list/ListFileNames.h"
#include "app/list/NoPreviousListError.h"
#include "app/update/ListInstallError.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane::app {

namespace {

/// Closes a descriptor when it goes.
struct Closer {
    int descriptor;
    ~Closer()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
};

std::string FolderOf(const std::string& path)
{
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? std::string(".") : parent;
}

// True when both paths name entries of one and the same folder.
bool InOneFolder(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(FolderOf(a).c_str(), &first) == 0 && ::stat(FolderOf(b).c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

/// A name beside `path` that no file has yet (the caller creates it with
/// O_EXCL or link(2), which fail when another process got there first).
std::string TemporaryName(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".keep-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

ssize_t ReadSome(int descriptor, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, size);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

/// True when both files hold the same bytes. Throws InOutError for a file
/// that cannot be read.
bool SameBytes(const std::string& a, const std::string& b)
{
    const int first = ::open(a.c_str(), O_RDONLY | O_CLOEXEC);
    if (first < 0)
        throw InOutError(errno);
    const Closer closeFirst{first};
    const int second = ::open(b.c_str(), O_RDONLY | O_CLOEXEC);
    if (second < 0)
        throw InOutError(errno);
    const Closer closeSecond{second};
    struct stat one {};
    struct stat two {};
    if (::fstat(first, &one) != 0 || ::fstat(second, &two) != 0)
        throw InOutError(errno);
    if (one.st_size != two.st_size)
        return false;
    static constexpr std::size_t Chunk = 64 * 1024;
    std::string left(Chunk, '\0');
    std::string right(Chunk, '\0');
    for (;;) {
        const ssize_t got = ReadSome(first, left.data(), Chunk);
        if (got < 0)
            throw InOutError(errno);
        if (got == 0)
            return true;
        std::size_t have = 0;
        while (have < static_cast<std::size_t>(got)) {
            const ssize_t more = ReadSome(second, right.data() + have, static_cast<std::size_t>(got) - have);
            if (more < 0)
                throw InOutError(errno);
            if (more == 0)
                return false;
            have += static_cast<std::size_t>(more);
        }
        if (std::memcmp(left.data(), right.data(), have) != 0)
            return false;
    }
}

/// Copies `from` into the new file `to` (created, never replaced) and syncs
/// it. Throws InOutError; a half-written `to` is removed.
void CopyInto(const std::string& from, const std::string& to)
{
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        throw InOutError(errno);
    const Closer closeSource{source};
    struct stat status {};
    if (::fstat(source, &status) != 0)
        throw InOutError(errno);
    const int target = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 07777);
    if (target < 0)
        throw InOutError(errno);
    const Closer closeTarget{target};
    try {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ReadSome(source, buffer, sizeof buffer);
            if (got < 0)
                throw InOutError(errno);
            if (got == 0)
                break;
            for (ssize_t written = 0; written < got;) {
                const ssize_t put = ::write(target, buffer + written, static_cast<std::size_t>(got - written));
                if (put < 0 && errno == EINTR)
                    continue;
                if (put < 0)
                    throw InOutError(errno);
                written += put;
            }
        }
        if (::fsync(target) != 0)
            throw InOutError(errno);
    } catch (...) {
        ::unlink(to.c_str());
        throw;
    }
}

/// Makes a new name beside `near` that holds the bytes of `file`: a hard
/// link, or a copy where the file system makes none (another file system,
/// one without links). Returns the name. Throws InOutError.
std::string KeepBytes(const std::string& file, const std::string& near)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName(near);
        if (::link(file.c_str(), name.c_str()) == 0)
            return name;
        if (errno == EEXIST)
            continue;
        if (errno != EXDEV && errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK)
            throw InOutError(errno);
        CopyInto(file, name);
        return name;
    }
    throw InOutError(EEXIST);
}

/// Copies `downloaded` into a new file beside `target` that replaces it whole,
/// then removes the download. Throws InOutError; the target stays as it was.
void CopyOver(const std::string& downloaded, const std::string& target)
{
    const int source = ::open(downloaded.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        throw InOutError(errno);
    const Closer closer{source};
    AtomicFileWriter file(QFile::decodeName(QByteArray::fromStdString(target)));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ReadSome(source, buffer, sizeof buffer);
        if (got < 0)
            throw InOutError(errno);
        if (got == 0)
            break;
        file.Write(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    file.Commit();
    ::unlink(downloaded.c_str());
}

/// Puts `source` in place of `target` (no links followed): one rename when
/// both lie in one folder, else a copy renamed over it. Throws InOutError.
void Replace(const std::string& source, const std::string& target)
{
    if (InOneFolder(source, target)) {
        // The replaced list's permissions carry over to the new one.
        struct stat existing {};
        if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::chmod(source.c_str(), existing.st_mode & 07777);
        // rename(2) replaces an existing target atomically; deleting the
        // old list first would leave no Main List at all when the rename
        // then fails.
        if (::rename(source.c_str(), target.c_str()) == 0)
            return;
        if (errno != EXDEV)
            throw InOutError(errno);
    }
    // Elsewhere (another folder, another file system) the source is copied
    // into a temporary file beside the target, renamed over it.
    CopyOver(source, target);
}

/// Removes an older previous list after keeping the replaced one failed, so
/// that no stale list is compared later. A folder by that name is the
/// user's and stays.
void RemoveStalePrevious(const std::string& previous)
{
    struct stat entry {};
    if (::lstat(previous.c_str(), &entry) == 0 && !S_ISDIR(entry.st_mode))
        ::unlink(previous.c_str());
}

std::string KeepProblem(const std::string& previous, int errorCode)
{
    return "Cannot keep the replaced list as \"" + previous + "\". " + std::strerror(errorCode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

std::string ListInstaller::PreviousListPath(const std::string& mainList)
{
    const std::string folder = std::filesystem::path(mainList).parent_path().string();
    return folder.empty() ? std::string(PreviousListFileName) : folder + "/" + PreviousListFileName;
}

InstallResult ListInstaller::Install(const std::string& downloaded, const std::string& mainList)
{
    InstallResult result;
    const std::string previous = PreviousListPath(mainList);
    std::string kept;
    try {
        // A Main List that is a symbolic link stays one: the file it leads to
        // gets the new list, and its bytes are the ones kept.
        const std::string target = AtomicFileWriter::ResolveLinks(mainList);
        if (IsRegularFile(target)) {
            try {
                if (SameBytes(downloaded, target)) {
                    result.previous = PreviousList::SameBytes;
                } else {
                    // Linked before the replace: the name keeps the old list's
                    // bytes once the rename has put the new list in its place.
                    kept = KeepBytes(target, previous);
                    result.previous = PreviousList::Kept;
                }
            } catch (const InOutError& e) {
                result.previous = PreviousList::NotKept;
                result.problem = KeepProblem(previous, e.ErrorCode());
            }
        }
        Replace(downloaded, target);
    } catch (const InOutError& e) {
        if (!kept.empty())
            ::unlink(kept.c_str());
        throw ListInstallError(downloaded, mainList, std::strerror(e.ErrorCode()));
    }
    if (result.previous == PreviousList::Kept && ::rename(kept.c_str(), previous.c_str()) != 0) {
        result.previous = PreviousList::NotKept;
        result.problem = KeepProblem(previous, errno);
        ::unlink(kept.c_str());
    }
    if (result.previous == PreviousList::NotKept)
        RemoveStalePrevious(previous);
    return result;
}

InstallResult ListInstaller::InstallText(std::string_view text, const std::string& mainList)
{
    // The new file lies beside the list the link (if any) leads to, so that
    // the install is one rename.
    const std::string written = TemporaryName(AtomicFileWriter::ResolveLinks(mainList) + ".new");
    {
        AtomicFileWriter file(QFile::decodeName(QByteArray::fromStdString(written)));
        file.Write(text);
        file.Commit();
    }
    try {
        return Install(written, mainList);
    } catch (...) {
        ::unlink(written.c_str());
        throw;
    }
}

void ListInstaller::SwapWithPrevious(const std::string& mainList)
{
    const std::string previous = PreviousListPath(mainList);
    if (!IsRegularFile(previous))
        throw NoPreviousListError();
    try {
        const std::string target = AtomicFileWriter::ResolveLinks(mainList);
        if (::syscall(SYS_renameat2, AT_FDCWD, previous.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0)
            return;
        if (errno != EINVAL && errno != ENOSYS && errno != EXDEV && errno != EOPNOTSUPP)
            throw InOutError(errno);
        // Without the exchange: the Main List's bytes go to a new name first,
        // then the previous list replaces the Main List in one rename (or a
        // copy renamed over it), and only then does the new name become the
        // previous list. The Main List is never missing on the way.
        const std::string kept = KeepBytes(target, previous);
        try {
            Replace(previous, target);
        } catch (...) {
            ::unlink(kept.c_str());
            throw;
        }
        if (::rename(kept.c_str(), previous.c_str()) != 0) {
            const int error = errno;
            ::unlink(kept.c_str());
            throw InOutError(error);
        }
    } catch (const InOutError& e) {
        throw ListInstallError(previous, mainList, std::strerror(e.ErrorCode()));
    }
}

} // namespace quorvane::app
