#include "app/list/SortedItemCollector.h"

#include <algorithm>
#include <utility>

namespace quorvane::app {

SortedItemCollector::SortedItemCollector(CaptionCollator collator) : collator_(std::move(collator)) {}

void SortedItemCollector::Clear()
{
    items_.clear();
    inNameOrder_ = false;
}

void SortedItemCollector::AddItem(ListItem item)
{
    items_.push_back(std::move(item));
    inNameOrder_ = false;
}

void SortedItemCollector::AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows)
{
    if (!items_.empty()) {
        ListSink::AddRows(std::move(table), std::move(rows));
        return;
    }
    const std::vector<RecordTable::Row> ordered = table->InNameOrder(rows, collator_);
    items_.reserve(ordered.size());
    for (const RecordTable::Row row : ordered)
        items_.push_back(table->Item(row));
    inNameOrder_ = true;
}

void SortedItemCollector::FillFinished()
{
    if (inNameOrder_)
        return;
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
