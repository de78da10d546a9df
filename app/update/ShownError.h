#pragma once

#include <exception>
#include <string>

namespace quorvane::app {

/// A failure's message as the command line prints it: MessageWithFullStop of
/// its text. A message made of a server's words (a refused reply, a passive
/// address that could not be read) loses the line end after the reply's last
/// line and has its control characters written as escapes (EscapeControls),
/// so that nothing a server says can drive the terminal; the program's own
/// messages are shown as they are.
std::string ShownError(const std::exception& error);

} // namespace quorvane::app
