#include "app/list/RecordTable.h"

#include "app/text/Utf8Text.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvane::app {

void RecordTable::Append(std::span<const std::string_view, Fields> texts, BootImage image)
{
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    std::size_t bytes = 0;
    for (const std::string_view text : texts)
        bytes += text.size();
    // A UTF-8 text never decodes to more UTF-16 units than it has bytes.
    if (text_.size() + bytes > limit || images_.size() >= limit)
        throw std::length_error("record table too large");
    for (const std::string_view text : texts) {
        // Most texts are plain ASCII, which widens as it stands; the rest
        // is decoded in its place.
        const std::size_t at = text_.size();
        text_.resize(at + text.size());
        char16_t* out = text_.data() + at;
        unsigned char seen = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            seen |= c;
            out[i] = c;
        }
        if (seen >= 0x80) {
            const QString decoded = Utf8Text::Decode(text);
            const auto* units = reinterpret_cast<const char16_t*>(decoded.utf16());
            text_.resize(at);
            text_.insert(text_.end(), units, units + decoded.size());
        }
        offsets_.push_back(static_cast<std::uint32_t>(text_.size()));
    }
    images_.push_back(image);
    // Any order worked out before misses the new record.
    ordered_.reset();
}

ListItem RecordTable::Item(Row row) const
{
    ListItem item;
    item.caption = Text(row, 0).toString();
    for (std::size_t i = 0; i < item.subItems.size(); ++i)
        item.subItems[i] = Text(row, i + 1).toString();
    item.image = images_[row];
    return item;
}

std::vector<RecordTable::Row> RecordTable::InNameOrder(const std::vector<Row>& rows,
                                                       const CaptionCollator& collator) const
{
    if (!ordered_ || *ordered_ != collator.Locale()) {
        std::vector<QStringView> captions;
        captions.reserve(Size());
        for (Row row = 0; row < Size(); ++row)
            captions.push_back(Text(row, 0));
        const std::vector<std::size_t> order = collator.SortedOrder(captions);
        byName_.assign(order.begin(), order.end());
        ordered_ = collator.Locale();
    }
    if (rows.size() == Size())
        return byName_;
    // A stable sort of every record keeps its order on any subset of them.
    std::vector<bool> chosen(Size(), false);
    for (const Row row : rows)
        chosen[row] = true;
    std::vector<Row> ordered;
    ordered.reserve(rows.size());
    for (const Row row : byName_) {
        if (chosen[row])
            ordered.push_back(row);
    }
    return ordered;
}

std::size_t RecordTable::Bytes() const
{
    return sizeof(*this) + text_.capacity() * sizeof(char16_t) + offsets_.capacity() * sizeof(std::uint32_t) +
           images_.capacity() * sizeof(BootImage) + byName_.capacity() * sizeof(Row);
}

} // namespace quorvane::app
