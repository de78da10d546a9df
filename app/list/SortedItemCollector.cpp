#include "app/list/SortedItemCollector.h"

#include <algorithm>
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
    std::vector<QStringView> captions;
    captions.reserve(items_.size());
    for (const ListItem& item : items_)
        captions.emplace_back(item.caption);
    const std::vector<std::size_t> order = collator_.SortedOrder(captions);

    std::vector<ListItem> sorted;
    sorted.reserve(items_.size());
    for (std::size_t index : order)
        sorted.push_back(std::move(items_[index]));
    items_ = std::move(sorted);
}

} // namespace quorvane::app
