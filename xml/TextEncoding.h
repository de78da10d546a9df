#pragma once

namespace quorvane::xml {

/// How a `StringList`'s lines were stored in the file it was loaded from.
enum class TextEncoding {
    Bytes,   ///< 8-bit bytes kept as they are (UTF-8, ASCII or whatever the file declares)
    Utf16LE, ///< UTF-16 little-endian (byte-order mark or XML declaration), decoded to UTF-8
    Utf16BE, ///< UTF-16 big-endian (byte-order mark or XML declaration), decoded to UTF-8
};

} // namespace quorvane::xml
