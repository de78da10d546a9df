#pragma once

#include "app/list/CaptionCollator.h"
#include "app/list/ListSink.h"

#include <vector>

namespace quorvane::app {

/// A ListSink that keeps its items as a sorted list view would: ordered by
/// caption through CaptionCollator. Items are stored as they arrive and sorted
/// once in FillFinished(); items whose captions compare equal keep the order in
/// which they were added.
class SortedItemCollector : public ListSink {
public:
    explicit SortedItemCollector(CaptionCollator collator = CaptionCollator());

    void Clear() override;
    void AddItem(ListItem item) override;
    /// Rows added to an empty collector come in name order from the table,
    /// and FillFinished leaves them so.
    void AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows) override;
    void FillFinished() override;

    /// The items; in view order once FillFinished() has run.
    const std::vector<ListItem>& Items() const { return items_; }

private:
    CaptionCollator collator_;
    std::vector<ListItem> items_;
    /// The items are in name order already.
    bool inNameOrder_ = false;
};

} // namespace quorvane::app
