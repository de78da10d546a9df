#pragma once

#include "xml/XmlError.h"

#include <string>

namespace quorvane::xml {

/// A child-list position outside 0 .. count - 1: "List index out of bounds (%d)".
class ListIndexError : public XmlError {
public:
    explicit ListIndexError(long long index)
        : XmlError("List index out of bounds (" + std::to_string(index) + ")"), index_(index)
    {}
    long long index() const noexcept { return index_; }

private:
    long long index_;
};

} // namespace quorvane::xml
