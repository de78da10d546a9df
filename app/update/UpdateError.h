#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::app {

/// Root of the update flow's own failures (the FTP client and the XML layer
/// raise theirs). what() is the message the error box shows (UTF-8).
class UpdateError : public std::runtime_error {
public:
    explicit UpdateError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::app
