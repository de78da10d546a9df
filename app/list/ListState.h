#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace quorvane::app {

/// What the Main Window knows about the loaded list for the whole run; the
/// Download Window reads it to compare versions and to write the List Summary.
struct ListState {
    /// The NUMBER text of the Main List read at start-up or by the last reload
    /// (UTF-8), empty before that and when the list has no version.
    std::string ListVersion;
    /// Records of the Main List counted at start-up or by the last reload.
    std::int32_t GCMCount = 0;
    /// Bootable records added to the view by the last Show command (or the
    /// start-up load or reload that showed the Main List, or counted by the
    /// command line's summary).
    std::int32_t GoodCount = 0;
    /// Not-bootable records added to the view by the last Show command (or
    /// the start-up load or reload that showed the Main List, or counted by
    /// the command line's summary).
    std::int32_t BadCount = 0;

    /// The List Summary:
    /// "List Version [v] GCM's [n] [Good: g] [Bad: b]", counts in plain decimal.
    QString Summary() const;
};

} // namespace quorvane::app
