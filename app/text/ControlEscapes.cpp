#include "app/text/ControlEscapes.h"

namespace quorvane::app {

namespace {

void AppendHexEscape(std::string& out, unsigned char byte)
{
    static const char hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += hex[byte >> 4];
    out += hex[byte & 0x0F];
}

/// The length of the well-formed UTF-8 character at `text[at]`, or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = at + 1; i < at + length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

std::string EscapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            switch (byte) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default:
                if (byte < 0x20 || byte == 0x7F)
                    AppendHexEscape(out, byte);
                else
                    out += static_cast<char>(byte);
            }
            ++i;
            continue;
        }
        const std::size_t length = Utf8Length(text, i);
        if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080 to U+009F: the C1 controls, CSI (U+009B) and OSC (U+009D) among them.
            AppendHexEscape(out, static_cast<unsigned char>(text[i + 1]));
        } else if (length > 0) {
            out.append(text.substr(i, length));
        } else if (byte <= 0x9F) {
            // A terminal that reads 8-bit text takes this byte for a C1 control.
            AppendHexEscape(out, byte);
        } else {
            out += static_cast<char>(byte);
        }
        i += length > 0 ? length : 1;
    }
    return out;
}

} // namespace quorvane::app
