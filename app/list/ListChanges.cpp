#include "app/list/ListChanges.h"

#include "app/list/FileOpenError.h"
#include "app/list/GameIdKey.h"
#include "app/list/MainList.h"
#include "app/list/RecordWalk.h"
#include "app/list/StatusSink.h"
#include "app/text/Utf8Text.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace quorvane::app {

namespace {

using Views = std::array<std::string_view, RecordFieldNames.size()>;

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

/// Texts a comparison made itself (IDs in capitals, fields the DOM did not
/// hand out directly); a deque, so the views into them stay valid.
using OwnedTexts = std::deque<std::string>;

/// The seven fields of `record` as views: into the DOM where it gives them
/// directly (neither document changes while they are compared), else into
/// `owned`.
Views ReadViews(RecordWalk::Record& record, OwnedTexts& owned)
{
    Views views;
    if (record.FieldTexts(RecordFieldNames, views) == views.size())
        return views;
    std::array<std::string, RecordFieldNames.size()> texts;
    RecordWalk::ReadTexts(record, texts);
    for (std::size_t i = 0; i < texts.size(); ++i)
        views[i] = owned.emplace_back(std::move(texts[i]));
    return views;
}

/// What a record is matched by: its trimmed ID with ASCII letters in
/// capitals, or for an empty ID its trimmed name (`byName`).
struct MatchKey {
    std::string_view text;
    bool byName = false;

    friend bool operator==(const MatchKey&, const MatchKey&) = default;
};

MatchKey KeyOf(const Views& views, OwnedTexts& owned)
{
    const std::string_view id = GameIdKey::Trim(views[IdField]);
    if (id.empty())
        return {GameIdKey::Trim(views[NameField]), true};
    // Most IDs are written in capitals already: their trimmed text is the key.
    if (!GameIdKey::HasLowerCase(id))
        return {id, false};
    return {owned.emplace_back(GameIdKey::Of(id)), false};
}

std::size_t HashOf(const MatchKey& key)
{
    return std::hash<std::string_view>()(key.text) ^ static_cast<std::size_t>(key.byName);
}

bool Boots(const Views& views)
{
    return views[GoodField] == "1";
}

BootStatus StatusOf(const Views& views)
{
    return Boots(views) ? BootStatus::Boots : BootStatus::DoesNotBoot;
}

/// The older list: the first record of each key, in list order, found by an
/// open-addressing table of positions (a list has one record per game, so a
/// node per key would cost more than the comparison itself).
class OlderRecords {
public:
    /// Reads the fields of a record of the older list, in list order, and
    /// keeps it unless an earlier record has its key.
    void Add(RecordWalk::Record& record)
    {
        const Views views = ReadViews(record, owned_);
        const MatchKey key = KeyOf(views, owned_);
        if (Find(key) != NotFound)
            return;
        records_.push_back(views);
        keys_.push_back(key);
        hashes_.push_back(HashOf(key));
        Grow();
        Place(records_.size() - 1);
    }

    static constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

    std::size_t Find(const MatchKey& key) const
    {
        if (slots_.empty())
            return NotFound;
        const std::size_t hash = HashOf(key);
        for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const std::size_t index = slots_[at];
            if (index == NotFound)
                return NotFound;
            if (hashes_[index] == hash && keys_[index] == key)
                return index;
        }
    }

    std::size_t Size() const { return records_.size(); }
    const Views& Record(std::size_t index) const { return records_[index]; }

private:
    void Place(std::size_t index)
    {
        for (std::size_t at = hashes_[index] & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == NotFound) {
                slots_[at] = index;
                return;
            }
        }
    }

    /// Keeps the table at most half full.
    void Grow()
    {
        if (records_.size() * 2 <= slots_.size())
            return;
        slots_.assign(std::max<std::size_t>(1024, slots_.size() * 2), NotFound);
        for (std::size_t i = 0; i < records_.size(); ++i)
            Place(i);
    }

    OwnedTexts owned_;
    std::vector<Views> records_;
    std::vector<MatchKey> keys_;
    std::vector<std::size_t> hashes_;
    std::vector<std::size_t> slots_;
};

ListChange ChangeOf(ChangeKind kind, const Views& shown, BootStatus oldStatus, BootStatus newStatus)
{
    ListChange change;
    change.kind = kind;
    change.gameId = Utf8Text::Decode(shown[IdField]);
    change.name = Utf8Text::Decode(shown[NameField]);
    change.oldStatus = oldStatus;
    change.newStatus = newStatus;
    return change;
}

void LoadReading(MainList& list, const QString& fileName, const std::function<void(RecordWalk::Record&)>& read)
{
    NoStatus status;
    if (list.LoadMainList(status, fileName, read) == StartupLoad::MainListMissing) {
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
    MainList newer;
    return Compare(older, olderFile, newer, newerFile, collator);
}

ListChanges ListChanges::Compare(MainList& older, const QString& olderFile, MainList& newer, const QString& newerFile,
                                 const CaptionCollator& collator)
{
    // Each list's records are read once, by the start-up walk of its load.
    OlderRecords old;
    LoadReading(older, olderFile, [&old](RecordWalk::Record& record) { old.Add(record); });
    std::vector<bool> matched(old.Size(), false);
    std::vector<ListChange> found;
    // Keys of the newer list's records that the older list lacks: the only
    // ones whose later repeats cannot be told by `matched`.
    std::unordered_set<std::string> added;
    OwnedTexts owned;
    LoadReading(newer, newerFile, [&](RecordWalk::Record& record) {
        const Views views = ReadViews(record, owned);
        const MatchKey key = KeyOf(views, owned);
        const std::size_t before = old.Find(key);
        if (before == OlderRecords::NotFound) {
            std::string addedKey(1, key.byName ? 'N' : 'I');
            addedKey.append(key.text);
            if (added.insert(std::move(addedKey)).second)
                found.push_back(ChangeOf(ChangeKind::New, views, BootStatus::None, StatusOf(views)));
            return;
        }
        // A later record of an ID already compared is ignored.
        if (matched[before])
            return;
        matched[before] = true;
        const Views& was = old.Record(before);
        QStringList fields;
        for (const auto& [index, name] : ComparedFields) {
            if (was[index] != views[index])
                fields.push_back(QString::fromLatin1(name));
        }
        const bool flipped = Boots(was) != Boots(views);
        if (!flipped && fields.isEmpty())
            return;
        const ChangeKind kind =
            !flipped ? ChangeKind::Changed : (Boots(views) ? ChangeKind::NowBoots : ChangeKind::NoLongerBoots);
        found.push_back(ChangeOf(kind, views, StatusOf(was), StatusOf(views)));
        found.back().fields = std::move(fields);
    });
    for (std::size_t i = 0; i < old.Size(); ++i) {
        if (!matched[i])
            found.push_back(ChangeOf(ChangeKind::Removed, old.Record(i), StatusOf(old.Record(i)), BootStatus::None));
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
