#pragma once

#include "xml/Flags.h"

namespace quorvane::xml {

/// Parser settings of an `XmlDocument`, with their stored bit values. The
/// default is the empty set: synchronous, unvalidated, no external
/// definitions, whitespace-only text between elements dropped.
enum class ParseOption : unsigned {
    ResolveExternals = 1,
    ValidateOnParse = 2,
    PreserveWhiteSpace = 4,
    AsyncLoad = 8,
};

using ParseOptionSet = Flags<ParseOption>;

constexpr ParseOptionSet operator|(ParseOption a, ParseOption b) noexcept
{
    return ParseOptionSet(a) | ParseOptionSet(b);
}

} // namespace quorvane::xml
