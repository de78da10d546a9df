#include "app/scan/GameScan.h"

#include "app/list/FileOpenError.h"
#include "app/list/GameIdKey.h"
#include "app/list/ListFileNames.h"
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/scan/FolderScanner.h"
#include "app/scan/ScanFolderError.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvane::app {

namespace {

/// A status panel nobody reads: the scan loads the list for its records only.
class NoStatus : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

/// The records that carry one image's game ID.
struct Match {
    int count = 0;
    bool boots = false;
    ListItem first;
};

/// The record's GAMEID text: in the DOM when it is there as plain text,
/// else through the record's wrapper (which raises for a field holding more
/// than text).
std::string_view GameIdText(RecordWalk::Record& record, std::string& storage)
{
    static constexpr std::string_view GameId = "GAMEID";
    std::string_view text;
    if (record.FieldTexts({&GameId, 1}, {&text, 1}) == 1)
        return text;
    return record.Node().ChildList()->ResolveText(GameId, storage);
}

/// Walks the records once, collecting for every wanted ID its first record
/// and the number of records that carry it.
void MatchRecords(MainList& list, std::unordered_map<std::string, Match>& wanted)
{
    std::string storage;
    RecordWalk::ForEach(list.Document(), [&](RecordWalk::Record& record) {
        const auto found = wanted.find(GameIdKey::Of(GameIdText(record, storage)));
        if (found == wanted.end())
            return;
        Match& match = found->second;
        if (match.count++ == 0) {
            match.boots = RecordWalk::Boots(record);
            match.first = RecordWalk::ReadItem(record, match.boots ? BootImage::Tick : BootImage::Cross);
        }
    });
}

/// `folder` made absolute against the working directory, with "." and ".."
/// worked out and repeated or trailing slashes dropped, by its bytes alone:
/// the file system's names need not be text in any encoding.
std::string FullPath(const std::string& folder)
{
    std::string absolute = folder;
    if (folder.empty() || folder.front() != '/') {
        // A path's native form is its bytes, unconverted.
        std::error_code gone;
        const std::string current = std::filesystem::current_path(gone).native();
        if (gone)
            return folder; // the scan names the folder as given
        absolute = current + '/' + folder;
    }
    std::vector<std::string_view> parts;
    std::string_view rest = absolute;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string full;
    for (const std::string_view part : parts) {
        full += '/';
        full += part;
    }
    return full.empty() ? std::string("/") : full;
}

ScannedImage Row(const FoundImage& image, const Match& match)
{
    ScannedImage row;
    row.pathBytes = image.path;
    row.path = QFile::decodeName(QByteArray::fromStdString(image.path));
    row.gameId = QString::fromLatin1(image.id.gameId);
    row.disc = image.id.disc;
    row.matches = match.count;
    if (match.count == 0)
        return row;
    row.status = match.boots ? ImageStatus::Boots : ImageStatus::DoesNotBoot;
    row.gameName = match.first.caption;
    row.notes = match.first.subItems[1];
    row.instructions = match.first.subItems[5];
    return row;
}

} // namespace

void GameScan::LoadMainList(MainList& list)
{
    NoStatus status;
    if (list.LoadMainList(status) == StartupLoad::MainListMissing) {
        const QString path = list.FilePath(QString::fromLatin1(MainListFileName));
        throw FileOpenError(path, QFileInfo(path).isDir() ? EISDIR : ENOENT);
    }
}

ScanReport GameScan::Run(MainList& list, const std::string& folder, ScanControl* control,
                         const CaptionCollator& collator)
{
    const std::string fullPath = FullPath(folder);
    FolderFindings found;
    try {
        found = FolderScanner::Scan(fullPath, control);
    } catch (const ScanFolderError& e) {
        // Named as the user gave it is not enough to find it again.
        throw ScanFolderError(fullPath, e.ErrorCode());
    }

    std::unordered_map<std::string, Match> matches;
    for (const FoundImage& image : found.images)
        matches.try_emplace(image.id.gameId);
    if (!matches.empty())
        MatchRecords(list, matches);

    // Disc and path first, so the stable sort by name leaves them in that order.
    std::sort(found.images.begin(), found.images.end(), [](const FoundImage& a, const FoundImage& b) {
        return a.id.disc != b.id.disc ? a.id.disc < b.id.disc : a.path < b.path;
    });
    std::vector<ScannedImage> rows;
    rows.reserve(found.images.size());
    for (const FoundImage& image : found.images)
        rows.push_back(Row(image, matches.at(image.id.gameId)));
    std::vector<QString> names;
    names.reserve(rows.size());
    for (const ScannedImage& row : rows)
        names.push_back(row.ShownName());
    const std::vector<QStringView> views(names.begin(), names.end());

    ScanReport report;
    report.cancelled = found.cancelled;
    report.images.reserve(rows.size());
    for (std::size_t index : collator.SortedOrder(views))
        report.images.push_back(std::move(rows[index]));

    std::sort(found.unreadable.begin(), found.unreadable.end(),
              [](const UnreadableFile& a, const UnreadableFile& b) { return a.path < b.path; });
    for (const UnreadableFile& file : found.unreadable) {
        report.unreadable.push_back({file.path, QFile::decodeName(QByteArray::fromStdString(file.path)),
                                     QString::fromLocal8Bit(std::strerror(file.errorCode))});
    }

    ScanCounts& counts = report.counts;
    for (const ScannedImage& image : report.images) {
        ++counts.images;
        ++(image.status == ImageStatus::Boots         ? counts.boot
           : image.status == ImageStatus::DoesNotBoot ? counts.doNotBoot
                                                      : counts.notInList);
    }
    counts.otherFiles = found.otherFiles;
    counts.unreadable = static_cast<long long>(report.unreadable.size());
    return report;
}

} // namespace quorvane::app
