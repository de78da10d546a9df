#include "app/scan/FolderScanner.h"

#include "app/scan/ScanControl.h"
#include "app/scan/ScanFolderError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

namespace quorvane::app {

namespace {

/// A real folder: device and inode, whatever path reached it.
struct FolderKey {
    dev_t device;
    ino_t inode;
    friend bool operator==(const FolderKey&, const FolderKey&) = default;
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(key.inode) * 1000003u ^
                                               static_cast<unsigned long long>(key.device));
    }
};

/// Closes a descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

/// What a folder entry is, after following a symbolic link.
enum class EntryKind { Folder, LinkedFolder, RegularFile, OtherFile, Broken };

EntryKind KindFromMode(mode_t mode, bool linked)
{
    if (S_ISDIR(mode))
        return linked ? EntryKind::LinkedFolder : EntryKind::Folder;
    return S_ISREG(mode) ? EntryKind::RegularFile : EntryKind::OtherFile;
}

/// The entry's kind from its folder record, asking the file system only for
/// symbolic links and file systems that do not say. `error` gets the reason
/// of a Broken entry (a dangling link or a link loop).
EntryKind KindOf(int folderFd, const dirent& entry, int& error)
{
    bool linked = entry.d_type == DT_LNK;
    switch (entry.d_type) {
    case DT_DIR: return EntryKind::Folder;
    case DT_REG: return EntryKind::RegularFile;
    case DT_LNK: break;
    case DT_UNKNOWN: {
        struct stat own {};
        if (::fstatat(folderFd, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) {
            error = errno;
            return EntryKind::Broken;
        }
        if (!S_ISLNK(own.st_mode))
            return KindFromMode(own.st_mode, false);
        linked = true;
        break;
    }
    default: return EntryKind::OtherFile;
    }
    struct stat target {};
    if (::fstatat(folderFd, entry.d_name, &target, 0) != 0) {
        error = errno;
        return EntryKind::Broken;
    }
    return KindFromMode(target.st_mode, linked);
}

class Walk {
public:
    Walk(int root, ScanControl* control) : root_(root), control_(control) {}

    FolderFindings Run()
    {
        // Folders reached through links wait until every real folder has been
        // walked, so a folder's files are listed under its own path rather
        // than a link's whenever the folder lies inside the scanned one.
        folders_.emplace_back();
        while (!folders_.empty() || !linkedFolders_.empty()) {
            if (Cancelled())
                break;
            std::vector<std::string>& from = folders_.empty() ? linkedFolders_ : folders_;
            const std::string path = std::move(from.back());
            from.pop_back();
            WalkFolder(path);
        }
        found_.cancelled = Cancelled();
        return std::move(found_);
    }

private:
    bool Cancelled() const { return control_ && control_->cancelled.load(std::memory_order_relaxed); }

    void WalkFolder(const std::string& path)
    {
        const int fd = path.empty() ? ::dup(root_) : ::openat(root_, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            found_.unreadable.push_back({path, errno});
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !visited_.insert({info.st_dev, info.st_ino}).second) {
            ::close(fd);
            return;
        }
        DIR* folder = ::fdopendir(fd);
        if (!folder) {
            found_.unreadable.push_back({path, errno});
            ::close(fd);
            return;
        }
        const std::string prefix = path.empty() ? std::string() : path + '/';
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(folder);
            if (!entry) {
                if (errno != 0)
                    found_.unreadable.push_back({path.empty() ? std::string(".") : path, errno});
                break;
            }
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            if (Cancelled())
                break;
            AddEntry(::dirfd(folder), *entry, prefix);
        }
        ::closedir(folder);
    }

    void AddEntry(int folderFd, const dirent& entry, const std::string& prefix)
    {
        int error = 0;
        const EntryKind kind = KindOf(folderFd, entry, error);
        if (kind == EntryKind::Folder || kind == EntryKind::LinkedFolder) {
            (kind == EntryKind::Folder ? folders_ : linkedFolders_).push_back(prefix + entry.d_name);
            return;
        }
        if (control_)
            control_->filesSeen.fetch_add(1, std::memory_order_relaxed);
        if (!ImageIdReader::HasImageName(entry.d_name) || kind == EntryKind::OtherFile) {
            ++found_.otherFiles;
            return;
        }
        const ImageHead head = kind == EntryKind::Broken ? ImageHead{ImageHead::Kind::Unreadable, {}, error}
                                                         : ImageIdReader::ReadAt(folderFd, entry.d_name);
        switch (head.kind) {
        case ImageHead::Kind::Image: found_.images.push_back({prefix + entry.d_name, head.id}); break;
        case ImageHead::Kind::Other: ++found_.otherFiles; break;
        case ImageHead::Kind::Unreadable: found_.unreadable.push_back({prefix + entry.d_name, head.errorCode}); break;
        }
    }

    int root_;
    ScanControl* control_;
    FolderFindings found_;
    std::vector<std::string> folders_;
    std::vector<std::string> linkedFolders_;
    std::unordered_set<FolderKey, FolderKeyHash> visited_;
};

} // namespace

FolderFindings FolderScanner::Scan(const std::string& folder, ScanControl* control)
{
    const int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        throw ScanFolderError(folder, errno);
    const Descriptor open{root};
    return Walk(root, control).Run();
}

} // namespace quorvane::app
