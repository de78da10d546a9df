#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::app {

/// Root of the list logic's own failures. what() is the message the error box
/// shows (UTF-8), before the error box's "." rule.
class ListError : public std::runtime_error {
public:
    explicit ListError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::app
