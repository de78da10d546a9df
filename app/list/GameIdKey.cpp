#include "app/list/GameIdKey.h"

#include <algorithm>

namespace quorvane::app {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLowerCase(char c)
{
    return c >= 'a' && c <= 'z';
}

} // namespace

std::string_view GameIdKey::Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool GameIdKey::HasLowerCase(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), IsLowerCase);
}

std::string GameIdKey::Of(std::string_view text)
{
    std::string key(Trim(text));
    for (char& c : key) {
        if (IsLowerCase(c))
            c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

} // namespace quorvane::app
