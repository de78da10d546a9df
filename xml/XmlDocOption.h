#pragma once

#include "xml/Flags.h"

namespace quorvane::xml {

/// Behaviour switches of an `XmlDocument`, with their stored bit values.
enum class XmlDocOption : unsigned {
    NodeAutoCreate = 1, ///< `Resolve` by name creates a missing child element
    NodeAutoIndent = 2,
    AttrNull = 4,
    AutoPrefix = 8,
    NamespaceDecl = 16,
    AutoSave = 32, ///< release writes a changed document back to its source
};

using XmlDocOptions = Flags<XmlDocOption>;

constexpr XmlDocOptions operator|(XmlDocOption a, XmlDocOption b) noexcept
{
    return XmlDocOptions(a) | XmlDocOptions(b);
}

/// NodeAutoCreate, AttrNull, AutoPrefix, NamespaceDecl (bits 29).
inline constexpr XmlDocOptions kDefaultXmlDocOptions = XmlDocOptions::FromBits(29);

} // namespace quorvane::xml
