#pragma once

#include "app/list/ListItem.h"

#include <string>

namespace quorvane::app {

/// The lines of the HTML export "compat.htm": a 16-line header, nine lines per
/// record, a 4-line footer (20 + 9 x n lines), every line ended by CR LF, in
/// UTF-8 after a byte-order mark. Field texts are HTML-escaped ("&", "<", ">"
/// and '"').
class HtmlExporter {
public:
    /// The byte-order mark and the 16 header lines.
    static std::string Header();
    /// The nine lines of one record: "<TR>", seven data cells, "</TR>".
    static std::string Record(const ListItem& record);
    /// The 4 footer lines.
    static std::string Footer();
    /// Text with "&", "<", ">" and '"' replaced by their HTML entities.
    static std::string Escape(const std::string& text);
};

} // namespace quorvane::app
