#pragma once

#include "app/list/CaptionCollator.h"
#include "app/list/ListItem.h"

#include <QLocale>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvane::app {

/// Every record of a loaded list as the list views show it, read once: the
/// seven texts of each record (UTF-16, all in one buffer) and its boot
/// image, numbered in document order. A command that shows records hands a
/// view the numbers of those it shows (ListSink::AddRows) instead of items of
/// their own, so a fill of 100k rows makes no text and clearing it frees one
/// vector.
///
/// The order of all records by name, for one collator's locale, is worked out
/// the first time a view asks for it and kept: any selection of records is
/// then put in name order by picking it out of that order, with no sort.
///
/// A table holds for the document it was read from as long as no record is
/// added, removed or changed; the list logic drops it whenever it loads a list.
class RecordTable {
public:
    /// A record's number: its place among the list's records in document order.
    using Row = std::uint32_t;
    /// Texts per record: the caption, then the six sub-items.
    static constexpr std::size_t Fields = RecordFieldNames.size();

    /// Appends a record: its texts in list-view order (UTF-8, as the record
    /// walk reads them; decoded as Utf8Text::Decode does) and its image.
    /// Throws std::length_error when the table would hold more than 4 Gi
    /// characters or records.
    void Append(std::span<const std::string_view, Fields> texts, BootImage image);

    /// Number of records.
    std::size_t Size() const { return images_.size(); }
    /// Text `field` (0 the caption, 1 to 6 the sub-items) of record `row`;
    /// valid as long as the table.
    QStringView Text(Row row, std::size_t field) const
    {
        const std::size_t at = static_cast<std::size_t>(row) * Fields + field;
        return QStringView(text_.data() + offsets_[at], static_cast<qsizetype>(offsets_[at + 1] - offsets_[at]));
    }
    BootImage Image(Row row) const { return images_[row]; }
    /// Record `row` as a list item of its own.
    ListItem Item(Row row) const;

    /// `rows` (record numbers, ascending, each below Size()) in the order
    /// `collator` sorts their captions in, stably: as sorting their items
    /// with CaptionCollator::SortedOrder would give it.
    std::vector<Row> InNameOrder(const std::vector<Row>& rows, const CaptionCollator& collator) const;

    /// The memory the table holds, in bytes (the kept name order included).
    std::size_t Bytes() const;

private:
    std::vector<char16_t> text_;
    /// Where each text starts in `text_`, Fields per record, and where the
    /// last one ends.
    std::vector<std::uint32_t> offsets_{0};
    std::vector<BootImage> images_;
    /// Every record in name order, for the locale `ordered_` names.
    mutable std::optional<QLocale> ordered_;
    mutable std::vector<Row> byName_;
};

} // namespace quorvane::app
