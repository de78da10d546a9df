#include "app/list/ErrorBoxText.h"

namespace quorvane::app {

std::string ErrorBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

} // namespace quorvane::app
