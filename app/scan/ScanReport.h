#pragma once

#include <QString>

#include <string>
#include <vector>

namespace quorvane::app {

/// How a scanned image stands in the Main List.
enum class ImageStatus { Boots, DoesNotBoot, NotInList };

/// One GCM image of a scan, as the command line prints it and the My Games
/// page shows it.
struct ScannedImage {
    /// Relative to the scanned folder, "/"-separated, in the file system's
    /// own bytes: what reaches the file, and what the command line prints.
    std::string pathBytes;
    /// `pathBytes` as text, for showing (bytes that are not UTF-8 become
    /// U+FFFD, so the text does not always lead back to the file).
    QString path;
    /// The game ID read from the image.
    QString gameId;
    /// 1 for the first disc, 2 for the second.
    int disc = 1;
    ImageStatus status = ImageStatus::NotInList;
    /// GAMENAME, NOTES and INST of the first matching record in list order;
    /// empty when the image is not in the list.
    QString gameName;
    QString notes;
    QString instructions;
    /// How many records carry the image's game ID.
    int matches = 0;

    /// The name shown and sorted by: the record's GAMENAME, or the file name
    /// when the image is not in the list.
    QString ShownName() const;
    /// "boots", "does not boot" or "not in list".
    QString StatusText() const;

    friend bool operator==(const ScannedImage&, const ScannedImage&) = default;
};

/// A file or folder the scan could not read.
struct UnreadableEntry {
    /// Relative to the scanned folder, in the file system's own bytes.
    std::string pathBytes;
    /// `pathBytes` as text, for showing.
    QString path;
    /// The system's reason.
    QString reason;

    friend bool operator==(const UnreadableEntry&, const UnreadableEntry&) = default;
};

/// What a scan counted; images = boot + doNotBoot + notInList.
struct ScanCounts {
    long long images = 0;
    long long boot = 0;
    long long doNotBoot = 0;
    long long notInList = 0;
    long long otherFiles = 0;
    long long unreadable = 0;

    /// "Images [N] Boot [a] Do not boot [b] Not in list [c] Other files [d] Unreadable [e]".
    QString Summary() const;

    friend bool operator==(const ScanCounts&, const ScanCounts&) = default;
};

/// The result of a scan: the images sorted by shown name in the views'
/// order, then by disc, then by path; the unreadable entries by path.
struct ScanReport {
    std::vector<ScannedImage> images;
    std::vector<UnreadableEntry> unreadable;
    ScanCounts counts;
    /// The scan was cancelled: what it holds is partial.
    bool cancelled = false;
};

} // namespace quorvane::app
