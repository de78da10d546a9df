#pragma once

#include "app/list/ListChanges.h"
#include "app/list/ListItem.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::app {

class MainList;

/// What a report's record says against the Main List.
enum class ReportKind {
    /// The list holds no record of the game.
    New,
    /// Same flag, same notes and instructions.
    Confirms,
    /// The other flag.
    Contradicts,
    /// Same flag, other notes or instructions.
    AddsNotes,
    /// A flag in the report or the list that is neither "1" nor "2"; never merged.
    Unclear,
};

/// One report file as it was read.
struct ReviewedReport {
    /// The path as the keeper named it, or the folder's path joined with the
    /// file's name.
    QString path;
    /// Why the report could not be read; empty when it was.
    std::string problem;
};

// Positions of a record's fields in ReviewedRecord::fields (RecordFieldNames).
inline constexpr std::size_t NameField = 0;
inline constexpr std::size_t IdField = 1;
inline constexpr std::size_t NotesField = 2;
inline constexpr std::size_t SizeField = 3;
inline constexpr std::size_t GoodField = 4;
inline constexpr std::size_t NickField = 5;
inline constexpr std::size_t InstField = 6;

/// One record of a report, with what it says against the Main List.
struct ReviewedRecord {
    /// Index of its report in ReportReview::Reports().
    std::size_t report = 0;
    /// The report's texts of the seven fields in list-view order (UTF-8).
    std::array<std::string, RecordFieldNames.size()> fields;
    ReportKind kind = ReportKind::New;
    /// The list's GOOD text of the matched record; empty for a new game.
    std::string listGood;
    /// Records of one game carry the same number.
    std::size_t game = 0;
};

/// How many reports and records a review found, by kind.
struct ReviewCounts {
    int reports = 0;
    int records = 0;
    int added = 0;
    int confirms = 0;
    int contradicts = 0;
    int addsNotes = 0;
    int unclear = 0;
    int unreadable = 0;

    /// "Reports [N] Records [R] New [a] Confirm [b] Contradict [c] Adds notes [d]
    /// Unclear [e] Unreadable [f]".
    std::string Summary() const;
};

/// What a merge takes from the reports.
struct MergeChoice {
    /// The kinds taken, indexed by ReportKind; `Unclear` is never taken and
    /// `Confirms` changes nothing.
    std::array<bool, 5> accepted{};
    /// The new list's version (UTF-8); must differ from the list's.
    std::string version;
    /// The report that wins where accepted reports disagree on a game's flag;
    /// empty for none. Matched by path, else by file name.
    QString prefer;
    /// When not empty: the records taken, by their index in
    /// ReportReview::Records(), in place of the kinds in `accepted` (a record
    /// past its end is not taken; `Unclear` never is).
    std::vector<bool> records;
};

/// The Main List a merge made, not yet written.
struct MergedList {
    /// The whole file in the Custom List writer's form with `version`.
    std::string text;
    /// What `changes` will show between the list and this one.
    ChangeCounts changes;
    /// One line per game left out: "<n> reports disagree on <ID>: use --prefer
    /// FILE or leave it out."
    std::vector<std::string> disagreements;
};

/// The keepers' review of the players' reports against the Main List, and
/// the merge of what they accept, without any window.
///
/// Reports are input from anyone: each is read whole up to `MaxReportBytes`
/// through the XML layer (which never reaches the network nor expands
/// external entities), and one that cannot be read is kept with its reason
/// while the rest go on. A report record is matched to the Main List by its
/// GAMEID (GameIdKey: blanks around it dropped, ASCII letters in any case),
/// or, when it has none, by its GAMENAME with the blanks around it dropped;
/// of a key the list holds more than once only the first record counts.
class ReportReview {
public:
    ReportReview();
    ~ReportReview();
    ReportReview(ReportReview&&) noexcept;
    ReportReview& operator=(ReportReview&&) noexcept;

    /// The largest report read.
    static constexpr std::size_t MaxReportBytes = 1024 * 1024;

    /// The report files that `paths` name: a file as named, a folder by its
    /// files ending in ".xml", in name order. A path that names neither is
    /// kept as named (its reading then says why).
    static QStringList ReportFiles(const QStringList& paths);

    /// Reads the report at `path` and keeps it, readable or not.
    void AddFile(const QString& path);
    /// Keeps a report read already: `bytes` as the file's content.
    void AddBytes(const QString& path, std::string_view bytes);

    /// Loads `mainListFile` (as the start-up load does) and sets every record's
    /// kind, list flag and game. Throws what loading the list throws.
    void Review(const QString& mainListFile);

    /// Reviews as Review does and makes the new Main List: every record of the
    /// list in its order, an accepted `Contradicts` taking the report's flag,
    /// notes, instructions, nick and (when the report has one) size, an
    /// accepted `AddsNotes` the report's notes and instructions, then each
    /// accepted new game whole. Where accepted records of a game disagree on
    /// the flag the game is left out unless `prefer` names a report that
    /// settles it; where they agree, the last report's record wins. Throws
    /// ListError "The list already has version <V>." when the version is the
    /// list's.
    MergedList Merge(const QString& mainListFile, const MergeChoice& choice);

    const std::vector<ReviewedReport>& Reports() const { return reports_; }
    /// In report order, then file order.
    const std::vector<ReviewedRecord>& Records() const { return records_; }
    ReviewCounts Counts() const;

    /// "new", "confirms", "contradicts", "adds-notes", "unclear".
    static const char* KindText(ReportKind kind);
    /// The kind so named; none for another text.
    static std::optional<ReportKind> KindNamed(std::string_view text);

private:
    struct Walk;
    void Run(const QString& mainListFile, const MergeChoice* choice, MergedList* merged);

    std::vector<ReviewedReport> reports_;
    std::vector<ReviewedRecord> records_;
    /// The Main List of the last review, kept until this review goes: a
    /// caller prints the result before the large document is freed.
    std::unique_ptr<MainList> list_;
};

} // namespace quorvane::app
