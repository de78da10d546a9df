#pragma once

#include "app/scan/ImageIdReader.h"

#include <string>
#include <vector>

namespace quorvane::app {

struct ScanControl;

/// A GCM image found by a folder scan.
struct FoundImage {
    /// Relative to the scanned folder, "/"-separated, in the file system's
    /// own bytes.
    std::string path;
    ImageId id;
};

/// A file (or folder) the scan could not read.
struct UnreadableFile {
    std::string path;
    /// The system's error number.
    int errorCode = 0;
};

/// Everything a folder scan found, in the order it met the files.
struct FolderFindings {
    std::vector<FoundImage> images;
    std::vector<UnreadableFile> unreadable;
    /// Files that are not images (folders are not counted).
    long long otherFiles = 0;
    /// The scan stopped early on ScanControl::cancelled.
    bool cancelled = false;
};

/// Walks a folder and its sub-folders for GCM images. Symbolic links are
/// followed; every real folder is walked once, so link loops end and a
/// folder reached through two links counts once. Only the files whose names
/// end in ".gcm" or ".iso" are opened (ImageIdReader); every other entry
/// costs no more than reading its folder.
class FolderScanner {
public:
    /// Scans `folder`. A file or sub-folder that cannot be read is listed in
    /// `unreadable` and the scan goes on; `folder` itself missing, not a
    /// folder, or not readable throws ScanFolderError. With `control`, the
    /// files seen are counted there and a cancel ends the scan at the next
    /// entry.
    static FolderFindings Scan(const std::string& folder, ScanControl* control = nullptr);
};

} // namespace quorvane::app
