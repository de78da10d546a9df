#include "app/list/ListChanges.h"

#include "app/list/FileOpenError.h"
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/list/StatusSink.h"
#include "app/text/Utf8Text.h"

#include <QFileInfo>

#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quorvane::app {

namespace {

using Texts = std::array<std::string, RecordFieldNames.size()>;

// Positions of the fields in RecordFieldNames.
constexpr std::size_t NameField = 0;
constexpr std::size_t IdField = 1;
constexpr std::size_t GoodField = 4;

/// The fields a change lists, with the names it lists them by.
constexpr std::array<std::pair<std::size_t, const char*>, 5> ComparedFields = {{
    {0, "name"},
    {2, "notes"},
    {3, "size"},
    {5, "nick"},
    {6, "instructions"},
}};

/// Takes no List Summary: a comparison writes no status.
class NoStatus : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

/// What a record is matched by: its trimmed ID with ASCII letters in
/// capitals, or for an empty ID its trimmed name behind a mark no ID carries
/// (IDs are trimmed, so none starts with a blank).
std::string MatchKey(const Texts& texts)
{
    std::string key(Trimmed(texts[IdField]));
    if (key.empty())
        return " " + std::string(Trimmed(texts[NameField]));
    for (char& c : key) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

bool Boots(const Texts& texts)
{
    return texts[GoodField] == "1";
}

BootStatus StatusOf(const Texts& texts)
{
    return Boots(texts) ? BootStatus::Boots : BootStatus::DoesNotBoot;
}

/// The first record of each key, in list order.
struct Records {
    std::vector<Texts> texts;
    std::unordered_map<std::string, std::size_t> byKey;
};

Records ReadRecords(MainList& list)
{
    Records records;
    Texts texts;
    RecordWalk::ForEach(list.Document(), [&](RecordWalk::Record& record) {
        RecordWalk::ReadTexts(record, texts);
        if (records.byKey.try_emplace(MatchKey(texts), records.texts.size()).second)
            records.texts.push_back(texts);
    });
    return records;
}

ListChange ChangeOf(ChangeKind kind, const Texts& shown, BootStatus oldStatus, BootStatus newStatus)
{
    ListChange change;
    change.kind = kind;
    change.gameId = Utf8Text::Decode(shown[IdField]);
    change.name = Utf8Text::Decode(shown[NameField]);
    change.oldStatus = oldStatus;
    change.newStatus = newStatus;
    return change;
}

void LoadAsSummaryDoes(MainList& list, const QString& fileName)
{
    NoStatus status;
    if (list.LoadMainList(status, fileName) == StartupLoad::MainListMissing) {
        const QString path = list.FilePath(fileName);
        throw FileOpenError(path, QFileInfo(path).isDir() ? EISDIR : ENOENT);
    }
}

} // namespace

QString ChangeCounts::Summary() const
{
    return QStringLiteral("Changes [%1] New [%2] Removed [%3] Now boot [%4] No longer boot [%5] Changed [%6]")
        .arg(Total())
        .arg(added)
        .arg(removed)
        .arg(nowBoot)
        .arg(noLongerBoot)
        .arg(changed);
}

ListChanges ListChanges::Compare(const QString& olderFile, const QString& newerFile, const CaptionCollator& collator)
{
    MainList older;
    LoadAsSummaryDoes(older, olderFile);
    MainList newer;
    LoadAsSummaryDoes(newer, newerFile);
    return Compare(older, newer, collator);
}

ListChanges ListChanges::Compare(MainList& older, MainList& newer, const CaptionCollator& collator)
{
    const Records old = ReadRecords(older);
    std::vector<bool> matched(old.texts.size(), false);
    std::vector<ListChange> found;
    std::unordered_set<std::string> seen;
    Texts texts;
    RecordWalk::ForEach(newer.Document(), [&](RecordWalk::Record& record) {
        RecordWalk::ReadTexts(record, texts);
        std::string key = MatchKey(texts);
        const auto before = old.byKey.find(key);
        if (!seen.insert(std::move(key)).second)
            return;
        if (before == old.byKey.end()) {
            found.push_back(ChangeOf(ChangeKind::New, texts, BootStatus::None, StatusOf(texts)));
            return;
        }
        matched[before->second] = true;
        const Texts& was = old.texts[before->second];
        QStringList fields;
        for (const auto& [index, name] : ComparedFields) {
            if (was[index] != texts[index])
                fields.push_back(QString::fromLatin1(name));
        }
        const bool flipped = Boots(was) != Boots(texts);
        if (!flipped && fields.isEmpty())
            return;
        const ChangeKind kind =
            !flipped ? ChangeKind::Changed : (Boots(texts) ? ChangeKind::NowBoots : ChangeKind::NoLongerBoots);
        found.push_back(ChangeOf(kind, texts, StatusOf(was), StatusOf(texts)));
        found.back().fields = std::move(fields);
    });
    for (std::size_t i = 0; i < old.texts.size(); ++i) {
        if (!matched[i])
            found.push_back(ChangeOf(ChangeKind::Removed, old.texts[i], StatusOf(old.texts[i]), BootStatus::None));
    }

    ListChanges result;
    // By kind, then by name in the views' order; the sort is stable, so
    // equal names keep list order.
    std::array<std::vector<std::size_t>, 5> byKind;
    for (std::size_t i = 0; i < found.size(); ++i)
        byKind[static_cast<std::size_t>(found[i].kind)].push_back(i);
    result.changes_.reserve(found.size());
    for (const std::vector<std::size_t>& group : byKind) {
        std::vector<QStringView> names;
        names.reserve(group.size());
        for (std::size_t i : group)
            names.emplace_back(found[i].name);
        for (std::size_t at : collator.SortedOrder(names))
            result.changes_.push_back(std::move(found[group[at]]));
    }
    ChangeCounts& counts = result.counts_;
    counts.added = static_cast<int>(byKind[0].size());
    counts.removed = static_cast<int>(byKind[1].size());
    counts.nowBoot = static_cast<int>(byKind[2].size());
    counts.noLongerBoot = static_cast<int>(byKind[3].size());
    counts.changed = static_cast<int>(byKind[4].size());
    return result;
}

QString ListChanges::KindText(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::New: return QStringLiteral("new");
    case ChangeKind::Removed: return QStringLiteral("removed");
    case ChangeKind::NowBoots: return QStringLiteral("now boots");
    case ChangeKind::NoLongerBoots: return QStringLiteral("no longer boots");
    case ChangeKind::Changed: break;
    }
    return QStringLiteral("changed");
}

QString ListChanges::StatusText(BootStatus status)
{
    switch (status) {
    case BootStatus::Boots: return QStringLiteral("boots");
    case BootStatus::DoesNotBoot: return QStringLiteral("does not boot");
    case BootStatus::None: break;
    }
    return {};
}

} // namespace quorvane::app
