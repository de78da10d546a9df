#pragma once

#include "app/list/ListItem.h"
#include "app/list/RecordTable.h"

#include <memory>
#include <vector>

namespace quorvane::app {

/// Where the list commands put the records they show. The Main Window
/// implements it over its list view; SortedItemCollector implements it for the
/// command line and the benchmarks.
///
/// A command calls Clear() once, then AddItem() for each record it shows, in
/// document order, or AddRows() once for all of them, then FillFinished()
/// exactly once, also when the walk stops on a failure: the items added
/// before the failure stay in the sink.
class ListSink {
public:
    virtual ~ListSink() = default;

    /// Removes every item.
    virtual void Clear() = 0;

    /// Adds one complete item (caption, six sub-items and image are all set).
    /// The view keeps itself ordered by caption; a sink may defer that ordering
    /// to FillFinished() so a fill of n items is not n re-sorts.
    virtual void AddItem(ListItem item) = 0;

    /// Adds the records `rows` of `table` (record numbers, ascending), each
    /// as AddItem would add its item. Default: AddItem(table->Item(row)) for
    /// each; a view may keep the numbers instead of items, sharing the table.
    virtual void AddRows(std::shared_ptr<const RecordTable> table, std::vector<RecordTable::Row> rows)
    {
        for (const RecordTable::Row row : rows)
            AddItem(table->Item(row));
    }

    /// The command added its last item (or stopped on a failure). Default: nothing.
    virtual void FillFinished() {}
};

} // namespace quorvane::app
