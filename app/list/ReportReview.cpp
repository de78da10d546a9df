#include "app/list/ReportReview.h"

#include "app/list/CustomListWriter.h"
#include "app/list/FileOpenError.h"
#include "app/list/GameIdKey.h"
#include "app/list/ListError.h"
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/list/StatusSink.h"
#include "xml/MemoryStream.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane::app {

namespace {

using Views = std::array<std::string_view, RecordFieldNames.size()>;
using Texts = std::array<std::string, RecordFieldNames.size()>;

/// The fields a change lists besides the flag, as ListChanges compares them.
constexpr std::array<std::size_t, 5> ComparedFields = {NameField, NotesField, SizeField, NickField, InstField};

class NoStatus : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

bool ClearFlag(std::string_view good)
{
    return good == "1" || good == "2";
}

Views ViewsOf(const Texts& texts)
{
    Views views;
    for (std::size_t i = 0; i < texts.size(); ++i)
        views[i] = texts[i];
    return views;
}

/// The seven fields of a list record as views: into the DOM where it gives
/// them directly, else into `storage`.
Views ReadViews(RecordWalk::Record& record, Texts& storage)
{
    Views views;
    if (record.FieldTexts(RecordFieldNames, views) == views.size())
        return views;
    RecordWalk::ReadTexts(record, storage);
    return ViewsOf(storage);
}

ReportKind Classify(const Texts& report, const Views* list)
{
    // A record that names no game cannot be matched nor added.
    if (GameIdKey::Trim(report[IdField]).empty() && GameIdKey::Trim(report[NameField]).empty())
        return ReportKind::Unclear;
    if (!ClearFlag(report[GoodField]) || (list && !ClearFlag((*list)[GoodField])))
        return ReportKind::Unclear;
    if (!list)
        return ReportKind::New;
    if (report[GoodField] != (*list)[GoodField])
        return ReportKind::Contradicts;
    if (report[NotesField] != (*list)[NotesField] || report[InstField] != (*list)[InstField])
        return ReportKind::AddsNotes;
    return ReportKind::Confirms;
}

/// A size the report names: not empty and not "?" (nobody measured it).
bool HasSize(std::string_view size)
{
    const std::string_view trimmed = GameIdKey::Trim(size);
    return !trimmed.empty() && trimmed != "?";
}

bool SameReport(const QString& path, const QString& prefer)
{
    const QFileInfo a(path);
    const QFileInfo b(prefer);
    return a.absoluteFilePath() == b.absoluteFilePath() || a.fileName() == b.fileName();
}

} // namespace

ReportReview::ReportReview() = default;
ReportReview::~ReportReview() = default;
ReportReview::ReportReview(ReportReview&&) noexcept = default;
ReportReview& ReportReview::operator=(ReportReview&&) noexcept = default;

std::string ReviewCounts::Summary() const
{
    return "Reports [" + std::to_string(reports) + "] Records [" + std::to_string(records) + "] New [" +
           std::to_string(added) + "] Confirm [" + std::to_string(confirms) + "] Contradict [" +
           std::to_string(contradicts) + "] Adds notes [" + std::to_string(addsNotes) + "] Unclear [" +
           std::to_string(unclear) + "] Unreadable [" + std::to_string(unreadable) + "]";
}

QStringList ReportReview::ReportFiles(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files.push_back(path);
            continue;
        }
        const QDir folder(path);
        const QStringList names = folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
        for (const QString& name : names)
            files.push_back(QDir::cleanPath(folder.filePath(name)));
    }
    return files;
}

void ReportReview::AddFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Without blocking: a named pipe by a report's name would wait for ever.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = descriptor < 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        if (descriptor >= 0)
            ::close(descriptor);
        reports_.push_back({path, error == EINVAL ? std::string("not a file") : std::strerror(error)});
        return;
    }
    std::FILE* file = ::fdopen(descriptor, "rb");
    if (!file) {
        ::close(descriptor);
        reports_.push_back({path, std::strerror(errno)});
        return;
    }
    // The buffer fits the file (a report is small), and one byte more than
    // the limit tells a report that is too large, or one that grew meanwhile.
    const std::size_t expected = std::min(static_cast<std::size_t>(status.st_size), MaxReportBytes);
    std::string bytes(expected + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::size_t more = std::fread(bytes.data() + got, 1, bytes.size() - got, file);
        got += more;
        if (more == 0 || got > MaxReportBytes)
            break;
        if (got == bytes.size())
            bytes.resize(std::min(bytes.size() * 2, MaxReportBytes + 1));
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        reports_.push_back({path, std::strerror(error == 0 ? EIO : error)});
        return;
    }
    bytes.resize(got);
    AddBytes(path, bytes);
}

void ReportReview::AddBytes(const QString& path, std::string_view bytes)
{
    ReviewedReport report{path, {}};
    if (bytes.size() > MaxReportBytes) {
        report.problem = "larger than 1 MiB";
        reports_.push_back(std::move(report));
        return;
    }
    // The records go straight to the others; a report that fails part-way
    // takes back the ones it added.
    const std::size_t before = records_.size();
    try {
        xml::InitParser();
        xml::XmlDocument document(xml::PlatformVendor);
        xml::MemoryStream stream(bytes);
        document.LoadFromStream(stream);
        RecordWalk::ForEach(document, [&](RecordWalk::Record& record) {
            ReviewedRecord& reviewed = records_.emplace_back();
            reviewed.report = reports_.size();
            RecordWalk::ReadTexts(record, reviewed.fields);
        });
    } catch (const std::exception& e) {
        report.problem = e.what();
    }
    if (report.problem.empty() && records_.size() == before)
        report.problem = "no records";
    if (!report.problem.empty())
        records_.resize(before);
    reports_.push_back(std::move(report));
}

ReviewCounts ReportReview::Counts() const
{
    ReviewCounts counts;
    counts.reports = static_cast<int>(reports_.size());
    counts.records = static_cast<int>(records_.size());
    for (const ReviewedReport& report : reports_)
        counts.unreadable += report.problem.empty() ? 0 : 1;
    for (const ReviewedRecord& record : records_) {
        switch (record.kind) {
        case ReportKind::New: ++counts.added; break;
        case ReportKind::Confirms: ++counts.confirms; break;
        case ReportKind::Contradicts: ++counts.contradicts; break;
        case ReportKind::AddsNotes: ++counts.addsNotes; break;
        case ReportKind::Unclear: ++counts.unclear; break;
        }
    }
    return counts;
}

const char* ReportReview::KindText(ReportKind kind)
{
    switch (kind) {
    case ReportKind::New: return "new";
    case ReportKind::Confirms: return "confirms";
    case ReportKind::Contradicts: return "contradicts";
    case ReportKind::AddsNotes: return "adds-notes";
    case ReportKind::Unclear: break;
    }
    return "unclear";
}

std::optional<ReportKind> ReportReview::KindNamed(std::string_view text)
{
    for (const ReportKind kind :
         {ReportKind::New, ReportKind::Confirms, ReportKind::Contradicts, ReportKind::AddsNotes, ReportKind::Unclear}) {
        if (text == KindText(kind))
            return kind;
    }
    return std::nullopt;
}

/// One walk of the Main List: finds the records the reports name, sets their
/// kinds and, for a merge, writes the new list as it goes.
struct ReportReview::Walk {
    Walk(ReportReview& review, const MergeChoice* choice, MergedList* merged)
        : review(review), choice(choice), merged(merged)
    {}

    ReportReview& review;
    const MergeChoice* choice;
    MergedList* merged;

    /// Report records by key, taken out of the table once a list record
    /// claimed them, so that only the first list record of a key counts.
    std::deque<std::string> keys;
    std::unordered_map<std::string_view, std::vector<std::size_t>> byId;
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName;
    /// The list's ID keys so far, kept only while names may claim records.
    std::unordered_set<std::string> idsSeen;
    bool trackIds = false;
    std::size_t games = 0;

    void Index()
    {
        for (std::size_t i = 0; i < review.records_.size(); ++i) {
            const Texts& fields = review.records_[i].fields;
            const std::string_view id = GameIdKey::Trim(fields[IdField]);
            if (!id.empty())
                byId[keys.emplace_back(GameIdKey::Of(id))].push_back(i);
            else
                byName[keys.emplace_back(GameIdKey::Trim(fields[NameField]))].push_back(i);
        }
        trackIds = !byName.empty();
    }

    /// The report records a list record claims (first by ID, then by name).
    std::vector<std::size_t> Claim(const Views& views)
    {
        std::vector<std::size_t> claimed;
        const std::string_view id = GameIdKey::Trim(views[IdField]);
        std::string upper;
        const std::string_view key = GameIdKey::HasLowerCase(id) ? std::string_view(upper = GameIdKey::Of(id)) : id;
        if (!id.empty() && !byId.empty()) {
            if (const auto found = byId.find(key); found != byId.end()) {
                claimed = std::move(found->second);
                byId.erase(found);
            }
        }
        // A later record of an ID the list already holds is passed over by
        // `changes`, so a name does not claim it either.
        if (!id.empty() && trackIds && !idsSeen.insert(std::string(key)).second)
            return claimed;
        const std::string_view name = GameIdKey::Trim(views[NameField]);
        if (!byName.empty() && !name.empty()) {
            if (const auto found = byName.find(name); found != byName.end()) {
                claimed.insert(claimed.end(), found->second.begin(), found->second.end());
                byName.erase(found);
            }
        }
        std::sort(claimed.begin(), claimed.end());
        return claimed;
    }

    void Visit(RecordWalk::Record& record)
    {
        Texts storage;
        const Views views = ReadViews(record, storage);
        const std::vector<std::size_t> claimed =
            (byId.empty() && byName.empty()) ? std::vector<std::size_t>() : Claim(views);
        if (claimed.empty()) {
            if (merged)
                CustomListWriter::AppendRecord(merged->text, views);
            return;
        }
        const std::size_t game = games++;
        for (const std::size_t i : claimed) {
            ReviewedRecord& reviewed = review.records_[i];
            reviewed.kind = Classify(reviewed.fields, &views);
            reviewed.listGood = std::string(views[GoodField]);
            reviewed.game = game;
        }
        if (merged)
            MergeGame(claimed, &views);
    }

    /// After the walk: the games the list does not hold, in report order.
    void NewGames()
    {
        std::vector<std::vector<std::size_t>> groups;
        for (auto* table : {&byId, &byName}) {
            for (auto& [key, indices] : *table)
                groups.push_back(std::move(indices));
        }
        std::sort(groups.begin(), groups.end(),
                  [](const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) { return a[0] < b[0]; });
        for (const std::vector<std::size_t>& group : groups) {
            const std::size_t game = games++;
            for (const std::size_t i : group) {
                ReviewedRecord& reviewed = review.records_[i];
                reviewed.kind = Classify(reviewed.fields, nullptr);
                reviewed.listGood.clear();
                reviewed.game = game;
            }
            if (merged)
                MergeGame(group, nullptr);
        }
    }

    /// The game's accepted records that decide it, or none when they disagree
    /// on the flag and the preferred report does not settle it (the game is
    /// then listed in `disagreements`).
    std::vector<std::size_t> Deciding(const std::vector<std::size_t>& claimed, const Views* list)
    {
        std::vector<std::size_t> accepted;
        for (const std::size_t i : claimed) {
            const ReportKind kind = review.records_[i].kind;
            const bool taken = choice->records.empty() ? choice->accepted[static_cast<std::size_t>(kind)]
                                                       : i < choice->records.size() && choice->records[i];
            if (kind != ReportKind::Unclear && taken)
                accepted.push_back(i);
        }
        const auto agree = [this](const std::vector<std::size_t>& records) {
            return std::all_of(records.begin(), records.end(), [&](std::size_t i) {
                return review.records_[i].fields[GoodField] == review.records_[records[0]].fields[GoodField];
            });
        };
        if (accepted.empty() || agree(accepted))
            return accepted;
        if (!choice->prefer.isEmpty()) {
            std::vector<std::size_t> preferred;
            for (const std::size_t i : accepted) {
                if (SameReport(review.reports_[review.records_[i].report].path, choice->prefer))
                    preferred.push_back(i);
            }
            if (!preferred.empty() && agree(preferred))
                return preferred;
        }
        std::set<std::size_t> reports;
        for (const std::size_t i : accepted)
            reports.insert(review.records_[i].report);
        const Texts& first = review.records_[accepted[0]].fields;
        std::string_view shown = list ? GameIdKey::Trim((*list)[IdField]) : GameIdKey::Trim(first[IdField]);
        if (shown.empty())
            shown = list ? GameIdKey::Trim((*list)[NameField]) : GameIdKey::Trim(first[NameField]);
        merged->disagreements.push_back(std::to_string(reports.size()) + " reports disagree on " + std::string(shown) +
                                        ": use --prefer FILE or leave it out.");
        return {};
    }

    /// Writes the game's record as the merge leaves it and counts its change.
    void MergeGame(const std::vector<std::size_t>& claimed, const Views* list)
    {
        const std::vector<std::size_t> deciding = Deciding(claimed, list);
        // The last report's record that changes something wins: reports are
        // named by the time they were sent, so that is the newest word.
        const ReviewedRecord* winner = nullptr;
        for (const std::size_t i : deciding) {
            if (review.records_[i].kind != ReportKind::Confirms)
                winner = &review.records_[i];
        }
        if (!list) {
            if (!winner)
                return;
            CustomListWriter::AppendRecord(merged->text, ViewsOf(winner->fields));
            ++merged->changes.added;
            return;
        }
        Views result = *list;
        if (winner) {
            const Texts& report = winner->fields;
            result[NotesField] = report[NotesField];
            result[InstField] = report[InstField];
            if (winner->kind == ReportKind::Contradicts) {
                result[GoodField] = report[GoodField];
                result[NickField] = report[NickField];
                if (HasSize(report[SizeField]))
                    result[SizeField] = report[SizeField];
            }
        }
        CustomListWriter::AppendRecord(merged->text, result);
        const bool bootedBefore = (*list)[GoodField] == "1";
        const bool bootsNow = result[GoodField] == "1";
        if (bootedBefore != bootsNow) {
            ++(bootsNow ? merged->changes.nowBoot : merged->changes.noLongerBoot);
            return;
        }
        if (std::any_of(ComparedFields.begin(), ComparedFields.end(),
                        [&](std::size_t field) { return (*list)[field] != result[field]; }))
            ++merged->changes.changed;
    }
};

void ReportReview::Review(const QString& mainListFile)
{
    Run(mainListFile, nullptr, nullptr);
}

MergedList ReportReview::Merge(const QString& mainListFile, const MergeChoice& choice)
{
    MergedList merged;
    merged.text = CustomListWriter::Header(choice.version);
    Run(mainListFile, &choice, &merged);
    merged.text += CustomListWriter::Footer();
    return merged;
}

void ReportReview::Run(const QString& mainListFile, const MergeChoice* choice, MergedList* merged)
{
    Walk walk(*this, choice, merged);
    walk.Index();
    list_ = std::make_unique<MainList>();
    MainList& list = *list_;
    NoStatus status;
    const auto visit = [&walk](RecordWalk::Record& record) { walk.Visit(record); };
    if (list.LoadMainList(status, mainListFile, visit) == StartupLoad::MainListMissing) {
        const QString path = list.FilePath(mainListFile);
        throw FileOpenError(path, QFileInfo(path).isDir() ? EISDIR : ENOENT);
    }
    if (choice && RecordWalk::SameVersion(list.State().ListVersion, choice->version))
        throw ListError("The list already has version " + choice->version + ".");
    walk.NewGames();
}

} // namespace quorvane::app
