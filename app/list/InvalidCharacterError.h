#pragma once

#include "app/list/ListError.h"

#include <QString>

#include <string>

namespace quorvane::app {

/// A field holds a character a list file cannot carry (a control character
/// other than tab, line feed and carriage return, or U+FFFE/U+FFFF); nothing
/// was written. The message names the game and the field.
class InvalidCharacterError : public ListError {
public:
    InvalidCharacterError(const QString& gameName, const QString& fieldName, char32_t character);
};

} // namespace quorvane::app
