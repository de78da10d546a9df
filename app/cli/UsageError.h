#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::app::cli {

/// The command line itself is wrong (unknown option, missing argument).
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::app::cli
