#pragma once

#include <string>

namespace quorvane::app {

/// The text the application error box shows for an exception message: the
/// message with "." appended when it is not empty and its last byte sorts after
/// "." ("Disk full" -> "Disk full."; "Done." and "Stop!" stay as they are).
std::string ErrorBoxText(const std::string& message);

} // namespace quorvane::app
