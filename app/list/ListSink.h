#pragma once

#include "app/list/ListItem.h"

namespace quorvane::app {

/// Where the list commands put the records they show. The Main Window
/// implements it over its list view; SortedItemCollector implements it for the
/// command line and the benchmarks.
///
/// A command calls Clear() once, then AddItem() for each record it shows, in
/// document order, then FillFinished() exactly once, also when the walk stops
/// on a failure: the items added before the failure stay in the sink.
class ListSink {
public:
    virtual ~ListSink() = default;

    /// Removes every item.
    virtual void Clear() = 0;

    /// Adds one complete item (caption, six sub-items and image are all set).
    /// The view keeps itself ordered by caption; a sink may defer that ordering
    /// to FillFinished() so a fill of n items is not n re-sorts.
    virtual void AddItem(ListItem item) = 0;

    /// The command added its last item (or stopped on a failure). Default: nothing.
    virtual void FillFinished() {}
};

} // namespace quorvane::app
