#include "app/list/SearchIndex.h"

#include "app/list/GameIdKey.h"

#include <limits>
#include <stdexcept>

namespace quorvane::app {

SearchIndex::SearchIndex(const RecordWalk::Start& start, const QLocale& locale) : locale_(locale)
{
    std::string nameStorage;
    std::string idStorage;
    RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
        // Offsets are 32 bits: a list of 4 GiB of names is no list to keep.
        if (text_.size() > std::numeric_limits<std::uint32_t>::max() / 2)
            throw std::length_error("search index too large");
        Entry entry;
        entry.position = record.Position();
        entry.name = static_cast<std::uint32_t>(text_.size());
        text_ += NameMatcher::FoldedName(locale_, RecordWalk::NameView(record, nameStorage));
        entry.id = static_cast<std::uint32_t>(text_.size());
        std::string_view id;
        if (RecordWalk::FindText(record, "GAMEID", idStorage, id))
            text_ += GameIdKey::Of(id);
        entries_.push_back(entry);
    });
    text_.shrink_to_fit();
    entries_.shrink_to_fit();
}

bool SearchIndex::Matches(std::size_t i, const NameMatcher& matcher) const
{
    const Entry& entry = entries_[i];
    const std::size_t end = i + 1 < entries_.size() ? entries_[i + 1].name : text_.size();
    if (Text(entry.name, entry.id).find(matcher.FoldedText()) != std::string_view::npos)
        return true;
    return matcher.MatchesIdKey(Text(entry.id, end));
}

std::size_t SearchIndex::Bytes() const
{
    return sizeof(*this) + text_.capacity() + entries_.capacity() * sizeof(Entry);
}

} // namespace quorvane::app
