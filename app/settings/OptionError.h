#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::app {

/// The command line itself is wrong: an unknown option, a missing value, a
/// malformed update server URL, options that exclude each other.
class OptionError : public std::runtime_error {
public:
    explicit OptionError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::app
