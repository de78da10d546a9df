#pragma once

#include <string>
#include <string_view>

namespace quorvane::app {

/// How a record's GAMEID is matched, against a disc image's ID or another
/// list's record: blanks around it (space, tab, CR, LF) do not count, nor
/// does the case of its ASCII letters.
class GameIdKey {
public:
    /// `text` without the blanks at either end.
    static std::string_view Trim(std::string_view text);
    /// True when `text` holds an ASCII lower-case letter, so that its key
    /// differs from the trimmed text.
    static bool HasLowerCase(std::string_view text);
    /// The key of `text`: trimmed, ASCII letters in capitals.
    static std::string Of(std::string_view text);
};

} // namespace quorvane::app
