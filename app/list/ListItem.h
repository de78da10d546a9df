#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <string_view>

namespace quorvane::app {

/// Image index of a list item in the windows' image list: 0 is the red cross
/// (the record does not boot, and the default of every new item), 1 the green
/// tick, 5 the "not in list" mark of a scanned image the list does not hold.
enum class BootImage { Cross = 0, Tick = 1, NotInList = 5 };

/// The field elements of a record in a List File, in list-view order: the
/// caption, then the six sub-items.
inline constexpr std::array<std::string_view, 7> RecordFieldNames = {"GAMENAME", "GAMEID", "NOTES", "SSIZE",
                                                                     "GOOD",     "NICK",   "INST"};

/// The sub-item holding a record's GOOD text.
inline constexpr std::size_t GoodSubItem = 3;
/// The GOOD texts the editor writes: the game boots, the game does not boot.
/// Files may hold other texts; only "1" passes the boot test.
inline constexpr const char* BootsFlag = "1";
inline constexpr const char* DoesNotBootFlag = "2";

/// One Compatibility List Record as the list views show it.
struct ListItem {
    /// The GAMENAME text; the views sort by it.
    QString caption;
    /// The texts of GAMEID, NOTES, SSIZE, GOOD, NICK and INST, in this order.
    std::array<QString, 6> subItems;
    /// Tick when GOOD is exactly "1", cross otherwise.
    BootImage image = BootImage::Cross;

    friend bool operator==(const ListItem&, const ListItem&) = default;
};

} // namespace quorvane::app
