#pragma once

#include "app/list/ListItem.h"

#include <QString>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::app {

/// Writes a Custom List: UTF-8 text without byte-order mark, every line ended
/// by CR LF: the six header lines, nine lines per row, "<!-- End -->" and
/// "</IMAGE>". Field texts are written as XML character data ("&", "<" and ">"
/// escaped, nothing trimmed).
class CustomListWriter {
public:
    /// The whole file for `rows` in the given order. Throws InvalidCharacterError
    /// for a field holding a character an XML 1.0 document cannot carry.
    static std::string Compose(const std::vector<ListItem>& rows);

    /// Replaces `path` with Compose(rows) atomically: on any failure (refused
    /// row, InOutError while writing) the previous file stays byte for byte.
    static void Write(const QString& path, const std::vector<ListItem>& rows);

    /// The six header lines with `version` (UTF-8, escaped) as the NUMBER text.
    static std::string Header(std::string_view version);
    /// Appends the nine lines of a record whose seven field texts (UTF-8, in
    /// list-view order) came from a parsed List File, which holds only
    /// characters a List File can carry.
    static void AppendRecord(std::string& out, std::span<const std::string_view, RecordFieldNames.size()> texts);
    /// The last two lines.
    static std::string_view Footer();
};

} // namespace quorvane::app
