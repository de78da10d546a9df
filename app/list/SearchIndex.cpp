#include "app/list/SearchIndex.h"

#include "app/list/GameIdKey.h"
#include "app/list/LatinFold.h"
#include "app/text/Utf8Text.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace quorvane::app {

namespace {

/// Stands between the runs of letters transliterated in one call: a
/// noncharacter, which no XML text holds and the transliteration leaves as it
/// is.
constexpr char16_t kNameSeparator = 0xFFFF;

/// About this many UTF-16 units are transliterated in one call: one call per
/// name costs more in calls than in letters, and one call for every name costs
/// more again, as every letter that becomes two moves the rest of the text.
constexpr qsizetype kFoldedAtOnce = 2048;

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

SearchIndex::SearchIndex(const RecordWalk::Start& start, const QLocale& locale) : locale_(locale)
{
    std::string nameStorage;
    std::string idStorage;
    // The names that are not plain ASCII wait, upper-cased, for one
    // transliteration of many: only their runs of other letters, each with
    // the letter before and after it (a mark may belong to the letter before
    // it), are transliterated, joined by the separator; the rest of each name
    // is plain ASCII, which folds to itself.
    struct Waiting {
        std::size_t entry;
        QString upper;
        /// The runs transliterated, as [begin, end) in `upper`.
        std::vector<std::pair<qsizetype, qsizetype>> runs;
    };
    std::vector<Waiting> waiting;
    QString runs;
    std::size_t runCount = 0;
    const auto fold = [&] {
        if (waiting.empty())
            return;
        const QString foldedRuns = LatinFold::Of(runs);
        const QList<QStringView> folded = QStringView(foldedRuns).split(QChar(kNameSeparator));
        // Should a name hold the separator itself, each name is folded whole.
        const bool whole = static_cast<std::size_t>(folded.size()) == runCount;
        qsizetype next = 0;
        for (const Waiting& name : waiting) {
            QString key;
            if (whole) {
                qsizetype at = 0;
                for (const auto& [begin, end] : name.runs) {
                    key += QStringView(name.upper).mid(at, begin - at);
                    key += folded[next++];
                    at = end;
                }
                key += QStringView(name.upper).mid(at);
            } else {
                key = LatinFold::Of(name.upper);
            }
            Entry& entry = entries_[name.entry];
            entry.name = Append(key.toStdString());
            entry.nameEnd = static_cast<std::uint32_t>(text_.size());
        }
        waiting.clear();
        runs.clear();
        runCount = 0;
    };
    RecordWalk::ForEachFrom(start, [&](RecordWalk::Record& record) {
        Entry entry;
        entry.position = record.Position();
        const std::string_view name = RecordWalk::NameView(record, nameStorage);
        if (IsAscii(name)) {
            entry.name = Append(NameMatcher::FoldedName(locale_, name));
            entry.nameEnd = static_cast<std::uint32_t>(text_.size());
        } else {
            Waiting later{entries_.size(), locale_.toUpper(Utf8Text::Decode(name)), {}};
            const QString& upper = later.upper;
            for (qsizetype i = 0; i < upper.size();) {
                if (upper[i].unicode() < 0x80) {
                    ++i;
                    continue;
                }
                qsizetype end = i;
                while (end < upper.size() && upper[end].unicode() >= 0x80)
                    ++end;
                const qsizetype begin = std::max<qsizetype>(0, i - 1);
                end = std::min(upper.size(), end + 1);
                // Runs one letter apart share it.
                if (!later.runs.empty() && later.runs.back().second >= begin)
                    later.runs.back().second = end;
                else
                    later.runs.emplace_back(begin, end);
                i = end;
            }
            for (const auto& [begin, end] : later.runs) {
                if (runCount++ > 0)
                    runs += QChar(kNameSeparator);
                runs += QStringView(upper).mid(begin, end - begin);
            }
            waiting.push_back(std::move(later));
        }
        std::string_view id;
        if (RecordWalk::FindText(record, "GAMEID", idStorage, id)) {
            entry.id = Append(GameIdKey::Of(id));
            entry.idEnd = static_cast<std::uint32_t>(text_.size());
        }
        entries_.push_back(entry);
        if (runs.size() >= kFoldedAtOnce)
            fold();
    });
    fold();
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
