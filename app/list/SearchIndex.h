#pragma once

#include "app/list/NameMatcher.h"
#include "app/list/RecordWalk.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::app {

/// What a search for an ASCII text reads of a list, kept from one search to
/// the next so that a keystroke walks no document: for every record, in
/// document order, its position among the document element's children, its
/// game name upper-cased by one locale's rules and folded
/// (NameMatcher::FoldedName) and its game ID key (GameIdKey::Of; empty for a
/// record without GAMEID). Only names that are not plain ASCII are
/// transliterated, and of those only the letters that are not ASCII with a
/// letter either side, many in one call: transliterating costs much per call
/// and per letter. About 40 bytes a record, held in two buffers.
///
/// An index holds for the document it was built from as long as no record is
/// added, removed or renamed; the list logic drops it whenever it loads a
/// list.
class SearchIndex {
public:
    /// Reads every record from `start` as a search does: the name through
    /// RecordWalk::NameView (which creates a missing GAMENAME), the ID
    /// without creating anything. Throws what reading a record throws.
    SearchIndex(const RecordWalk::Start& start, const QLocale& locale);

    /// The locale whose rules upper-cased the names.
    const QLocale& Locale() const { return locale_; }
    /// Number of records.
    std::size_t Size() const { return entries_.size(); }
    /// The position of record `i` among the document element's children.
    int Position(std::size_t i) const { return entries_[i].position; }
    /// True when record `i` matches `matcher`, whose text is plain ASCII
    /// (NameMatcher::FoldsMarks) and of the same locale.
    bool Matches(std::size_t i, const NameMatcher& matcher) const;
    /// The memory the index holds, in bytes.
    std::size_t Bytes() const;

private:
    struct Entry {
        /// Offsets into `text_` of the folded name and of the ID key.
        std::uint32_t name = 0;
        std::uint32_t nameEnd = 0;
        std::uint32_t id = 0;
        std::uint32_t idEnd = 0;
        int position = 0;
    };
    /// Appends `text` to `text_`; returns where it starts.
    std::uint32_t Append(std::string_view text);
    std::string_view Text(std::size_t begin, std::size_t end) const
    {
        return std::string_view(text_).substr(begin, end - begin);
    }

    QLocale locale_;
    std::string text_;
    std::vector<Entry> entries_;
};

} // namespace quorvane::app
