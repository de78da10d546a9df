#pragma once

#include <string>
#include <string_view>

namespace quorvane::app {

/// `text` (UTF-8, or any bytes) with every control character written as a
/// visible escape, so that text from a server or a downloaded list cannot
/// drive the terminal or the view it is shown in and stays on one line: tab,
/// CR and LF as \t, \r and \n; the other C0 controls, DEL and the C1 controls
/// (U+0080 to U+009F, and a stray byte 0x80 to 0x9F that is no part of a UTF-8
/// character) as \x1B, \x7F, \x9B. Every other byte passes unchanged.
std::string EscapeControls(std::string_view text);

} // namespace quorvane::app
