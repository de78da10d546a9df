#include "app/list/SearchIndex.h"

#include "app/list/GameIdKey.h"
#include "app/list/LatinFold.h"
#include "app/text/Utf8Text.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvane::app {

namespace {

/// Stands between the names transliterated in one pass: a noncharacter, which
/// no XML text holds and the transliteration leaves as it is.
constexpr char16_t kNameSeparator = 0xFFFF;

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

SearchIndex::SearchIndex(const RecordWalk::Start& start, const QLocale& locale) : locale_(locale)
{
    std::string nameStorage;
    std::string idStorage;
    // The names that are not plain ASCII, upper-cased and joined, and their
    // entries, for the one transliteration after the walk.
    QString upperNames;
    std::vector<std::size_t> foldedLater;
    RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
        Entry entry;
        entry.position = record.Position();
        const std::string_view name = RecordWalk::NameView(record, nameStorage);
        if (IsAscii(name)) {
            entry.name = Append(NameMatcher::FoldedName(locale_, name));
            entry.nameEnd = static_cast<std::uint32_t>(text_.size());
        } else {
            if (!foldedLater.empty())
                upperNames += QChar(kNameSeparator);
            upperNames += locale_.toUpper(Utf8Text::Decode(name));
            foldedLater.push_back(entries_.size());
        }
        std::string_view id;
        if (RecordWalk::FindText(record, "GAMEID", idStorage, id)) {
            entry.id = Append(GameIdKey::Of(id));
            entry.idEnd = static_cast<std::uint32_t>(text_.size());
        }
        entries_.push_back(entry);
    });
    if (!foldedLater.empty()) {
        const QString foldedNames = LatinFold::Of(upperNames);
        const QList<QStringView> folded = QStringView(foldedNames).split(QChar(kNameSeparator));
        // Should a name hold the separator itself, each name is folded on its own.
        const bool whole = static_cast<std::size_t>(folded.size()) == foldedLater.size();
        for (std::size_t k = 0; k < foldedLater.size(); ++k) {
            Entry& entry = entries_[foldedLater[k]];
            std::string key;
            if (whole) {
                key = folded[static_cast<qsizetype>(k)].toString().toStdString();
            } else {
                std::string storage;
                RecordWalk::Record record = RecordWalk::At(start, entry.position);
                key = NameMatcher::FoldedName(locale_, RecordWalk::NameView(record, storage));
            }
            entry.name = Append(key);
            entry.nameEnd = static_cast<std::uint32_t>(text_.size());
        }
    }
    text_.shrink_to_fit();
    entries_.shrink_to_fit();
}

std::uint32_t SearchIndex::Append(std::string_view text)
{
    // Offsets are 32 bits: a list of 4 GiB of names is no list to keep.
    if (text_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("search index too large");
    const auto at = static_cast<std::uint32_t>(text_.size());
    text_ += text;
    return at;
}

bool SearchIndex::Matches(std::size_t i, const NameMatcher& matcher) const
{
    const Entry& entry = entries_[i];
    if (Text(entry.name, entry.nameEnd).find(matcher.FoldedText()) != std::string_view::npos)
        return true;
    return matcher.MatchesIdKey(Text(entry.id, entry.idEnd));
}

std::size_t SearchIndex::Bytes() const
{
    return sizeof(*this) + text_.capacity() + entries_.capacity() * sizeof(Entry);
}

} // namespace quorvane::app
