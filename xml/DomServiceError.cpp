#include "xml/DomServiceError.h"

#include <cstdio>

namespace quorvane::xml {

std::string DomServiceError::FormatMessage(const std::string& description, unsigned code)
{
    std::string text = description;
    // Parser messages end in line breaks and full stops that would double up
    // when the caller adds its own punctuation.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.'))
        text.pop_back();
    if (text.empty()) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "XML parser error %.8x", code);
        text = buffer;
    }
    return text;
}

} // namespace quorvane::xml
