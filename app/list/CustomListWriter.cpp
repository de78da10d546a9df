#include "app/list/CustomListWriter.h"

#include "app/list/AtomicFileWriter.h"
#include "app/list/ListErrors.h"

#include <array>
#include <string_view>

namespace quorvane::app {

namespace {

// XML 1.0 allows tab, line feed, carriage return and everything from U+0020
// on, except the surrogate code units standing alone and U+FFFE/U+FFFF.
void CheckCarriable(const QString& text, const QString& gameName, std::string_view fieldName)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        const bool control = unit < 0x20 && unit != 0x09 && unit != 0x0A && unit != 0x0D;
        if (control || QChar::isSurrogate(unit) || unit == 0xFFFE || unit == 0xFFFF)
            throw InvalidCharacterError(
                gameName, QString::fromLatin1(fieldName.data(), static_cast<qsizetype>(fieldName.size())), unit);
    }
}

void AppendEscaped(std::string& out, std::string_view utf8)
{
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        // Written escaped as well, so "]]>" in a field cannot end up in the file.
        case '>': out += "&gt;"; break;
        // A parser turns a literal CR into LF, so a CR is kept as a reference.
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
}

void AppendField(std::string& out, std::string_view name, std::string_view text)
{
    out += '<';
    out += name;
    out += '>';
    AppendEscaped(out, text);
    out += "</";
    out += name;
    out += ">\r\n";
}

} // namespace

std::string CustomListWriter::Compose(const std::vector<ListItem>& rows)
{
    // Every row is checked before anything is composed, so a refusal names the
    // first offending field and nothing at all is written.
    for (const ListItem& row : rows) {
        CheckCarriable(row.caption, row.caption, RecordFieldNames[0]);
        for (std::size_t i = 0; i < row.subItems.size(); ++i)
            CheckCarriable(row.subItems[i], row.caption, RecordFieldNames[i + 1]);
    }

    std::string out = Header("000");
    for (const ListItem& row : rows) {
        std::array<QByteArray, RecordFieldNames.size()> utf8;
        std::array<std::string_view, RecordFieldNames.size()> texts;
        utf8[0] = row.caption.toUtf8();
        for (std::size_t i = 0; i < row.subItems.size(); ++i)
            utf8[i + 1] = row.subItems[i].toUtf8();
        for (std::size_t i = 0; i < utf8.size(); ++i)
            texts[i] = std::string_view(utf8[i].constData(), static_cast<std::size_t>(utf8[i].size()));
        AppendRecord(out, texts);
    }
    out += Footer();
    return out;
}

std::string CustomListWriter::Header(std::string_view version)
{
    std::string out = "<?xml version=\"1.0\" ?>\r\n"
                      "<IMAGE>\r\n"
                      "<VERSION>\r\n";
    AppendField(out, "NUMBER", version);
    out += "</VERSION>\r\n"
           "<!--GCM LISTINGS -->\r\n";
    return out;
}

void CustomListWriter::AppendRecord(std::string& out, std::span<const std::string_view, RecordFieldNames.size()> texts)
{
    out += "<GCM>\r\n";
    for (std::size_t i = 0; i < texts.size(); ++i)
        AppendField(out, RecordFieldNames[i], texts[i]);
    out += "</GCM>\r\n";
}

std::string_view CustomListWriter::Footer()
{
    return "<!-- End -->\r\n"
           "</IMAGE>\r\n";
}

void CustomListWriter::Write(const QString& path, const std::vector<ListItem>& rows)
{
    const std::string text = Compose(rows);
    AtomicFileWriter file(path);
    file.Write(text);
    file.Commit();
}

} // namespace quorvane::app
