#pragma once

#include <stdexcept>
#include <string>

namespace quorvane::xml {

/// Root of the XML layer's exceptions; raised directly by the vendor registry.
/// `what()` is the fixed message of the failure.
class XmlError : public std::runtime_error {
public:
    explicit XmlError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace quorvane::xml
