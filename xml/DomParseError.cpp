#include "xml/DomParseError.h"

#include "xml/DomParseErrorInfo.h"

namespace quorvane::xml {

namespace {

// The first `count` characters of UTF-8 text, never splitting a sequence.
std::string FirstCharacters(const std::string& text, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t chars = 0; pos < text.size() && chars < count; ++chars) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return text.substr(0, pos);
}

} // namespace

std::string DomParseError::FormatMessage(const std::string& reason, int line, const std::string& srcText)
{
    return reason + "\r\nLine: " + std::to_string(line) + "\r\n" + FirstCharacters(srcText, 40);
}

DomParseError::DomParseError(const DomParseErrorInfo& info)
    : XmlError(FormatMessage(info.reason(), info.line(), info.srcText())),
      errorCode_(info.errorCode()),
      url_(info.url()),
      reason_(info.reason()),
      srcText_(info.srcText()),
      line_(info.line()),
      linepos_(info.linepos()),
      filepos_(info.filepos())
{}

} // namespace quorvane::xml
