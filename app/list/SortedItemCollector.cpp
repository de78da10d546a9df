#include "app/list/SortedItemCollector.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quorvane::app {

SortedItemCollector::SortedItemCollector(CaptionCollator collator) : collator_(std::move(collator)) {}

void SortedItemCollector::Clear()
{
    items_.clear();
}

void SortedItemCollector::AddItem(ListItem item)
{
    items_.push_back(std::move(item));
}

void SortedItemCollector::FillFinished()
{
    // One sort key per item instead of a collator call per comparison: building
    // the keys is linear, comparing them is a byte comparison.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(items_.size());
    for (const ListItem& item : items_)
        keys.push_back(collator_.SortKey(item.caption));

    std::vector<std::size_t> order(items_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });

    std::vector<ListItem> sorted;
    sorted.reserve(items_.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(items_[index]));
    items_ = std::move(sorted);
}

} // namespace quorvane::app
