#pragma once

#include "xml/XmlError.h"

#include <string>

namespace quorvane::xml {

/// A failure inside the DOM service (the parser refused a tree operation, ran
/// out of memory, ...). The message is the service's description with
/// trailing control characters, blanks and full stops removed; an empty
/// description becomes "XML parser error %.8x" with the code.
class DomServiceError : public XmlError {
public:
    DomServiceError(const std::string& description, unsigned code)
        : XmlError(FormatMessage(description, code)), code_(code)
    {}
    unsigned code() const noexcept { return code_; }

    /// The message rule above, exposed for reuse and tests.
    static std::string FormatMessage(const std::string& description, unsigned code);

private:
    unsigned code_;
};

} // namespace quorvane::xml
