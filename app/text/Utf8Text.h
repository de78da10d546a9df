#pragma once

#include <QString>

#include <string_view>

namespace quorvane::app {

/// Turns the XML layer's UTF-8 texts into the windows' UTF-16 texts keeping
/// every character. QString::fromUtf8 takes a U+FEFF at the start of a text
/// for a byte-order mark and drops it, which would change a field, a version
/// or a server's reply; the list texts are data, never a byte stream's head.
class Utf8Text {
public:
    /// `utf8` as UTF-16, a leading U+FEFF included; malformed sequences become
    /// U+FFFD as with QString::fromUtf8.
    static QString Decode(std::string_view utf8);
};

} // namespace quorvane::app
