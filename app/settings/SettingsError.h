#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::app {

/// The settings file cannot be written. what() is the message the error box
/// shows (UTF-8).
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::app
