#pragma once

#include <string>

namespace quorvane::app {

/// A failure's message as the error box and the command line show it: with
/// "." appended when it is not empty and its last byte sorts after "."
/// ("Disk full" -> "Disk full."; "Done." and "Stop!" stay as they are).
std::string MessageWithFullStop(const std::string& message);

} // namespace quorvane::app
