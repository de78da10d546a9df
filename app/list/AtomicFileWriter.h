#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace quorvane::app {

/// Replaces a file as a whole: the text goes to a new file beside the target,
/// which takes the target's name only in Commit(). Until then, and whenever
/// anything fails, the target keeps its previous content byte for byte.
/// A target that is a symbolic link is written through: the link stays and
/// the file it leads to (after any chain of links) is the one replaced, so
/// the temporary file lives in that file's folder.
/// Failures throw InOutError with the system's error number.
class AtomicFileWriter {
public:
    /// Creates the temporary file in the target's folder. Throws InOutError.
    explicit AtomicFileWriter(const QString& targetPath);
    /// Without a successful Commit(), removes the temporary file.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    /// Appends bytes (buffered). Throws InOutError.
    void Write(std::string_view bytes);
    /// Flushes, syncs and renames over the target. Throws InOutError.
    void Commit();

    /// `path` with every symbolic link at its end followed (relative links
    /// from the link's folder); the file need not exist. Throws InOutError
    /// (ELOOP) for a chain that does not end.
    static std::string ResolveLinks(const std::string& path);

private:
    void Flush();

    std::string target_;
    std::string temporary_;
    std::string buffer_;
    int descriptor_ = -1;
    bool committed_ = false;
};

} // namespace quorvane::app
