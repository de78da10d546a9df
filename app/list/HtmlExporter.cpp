#include "app/list/HtmlExporter.h"

#include <array>

namespace quorvane::app {

namespace {

constexpr const char* HeadingPrefix = "<TD WIDTH=\"25%\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" "
                                      "COLOR=\"WHITE\"><STRONG>";
constexpr const char* HeadingSuffix = "</STRONG></FONT></TD>\r\n";
constexpr const char* CellPrefix =
    "<TD WIDTH=\"25%\" BGCOLOR=\"#33CCCC\"><FONT FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"BLACK\">";
constexpr const char* CellSuffix = "</FONT></TD>\r\n";

constexpr std::array<const char*, 7> Headings = {"Game Name", "GCM Id", "Notes",       "Shrunk Size (MB)",
                                                 "Good",      "Nick",   "Instructions"};

void AppendCell(std::string& out, const QString& text)
{
    out += CellPrefix;
    out += HtmlExporter::Escape(text.toStdString());
    out += CellSuffix;
}

} // namespace

std::string HtmlExporter::Header()
{
    // The UTF-8 byte-order mark tells a browser the page's encoding without
    // adding a line, so accented names never show in a guessed legacy code page.
    std::string out = "\xEF\xBB\xBF"
                      "<HTML>\r\n"
                      "<HEAD><TITLE> || Velthorn - GCM Compatability List - By Marrisk || </TITLE></HEAD>\r\n"
                      "<BODY>\r\n"
                      "<TABLE BORDER=\"0\" WIDTH=\"100%\" BGCOLOR=\"#99CCFF\">\r\n"
                      "<TR>\r\n"
                      "<TD WIDTH=\"100%\" COLSPAN=\"4\" CELLSPACING=\"3\" BGCOLOR=\"#000080\"><CENTER><FONT "
                      "FACE=\"ARIAL NARROW\" SIZE=\"2\" COLOR=\"WHITE\"><STRONG>GCM Compatibility "
                      "List</STRONG></FONT></CENTER></TD>\r\n"
                      "</TR>\r\n"
                      "<TR>\r\n";
    for (const char* heading : Headings) {
        out += HeadingPrefix;
        out += heading;
        out += HeadingSuffix;
    }
    out += "</TR>\r\n";
    return out;
}

std::string HtmlExporter::Record(const ListItem& record)
{
    std::string out = "<TR>\r\n";
    AppendCell(out, record.caption);
    for (const QString& text : record.subItems)
        AppendCell(out, text);
    out += "</TR>\r\n";
    return out;
}

std::string HtmlExporter::Footer()
{
    // The table ends with one closing cell that names the program, directly
    // after the last row.
    return "<TD WIDTH=\"100%\" COLSPAN=\"7\" BGCOLOR=\"#000080\"><FONT FACE=\"ARIAL NARROW\" "
           "SIZE=\"2\" COLOR=\"WHITE\">Exported by Quorvane</FONT></TD>\r\n"
           "</TABLE>\r\n"
           "</BODY>\r\n"
           "</HTML>\r\n";
}

std::string HtmlExporter::Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace quorvane::app
