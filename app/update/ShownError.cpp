#include "app/update/ShownError.h"

#include "app/text/ControlEscapes.h"
#include "app/text/MessageWithFullStop.h"
#include "net/ftp/FtpErrors.h"

#include <string_view>

namespace quorvane::app {

std::string ShownError(const std::exception& error)
{
    const bool fromServer = dynamic_cast<const ftp::ProtocolReplyError*>(&error) != nullptr ||
                            dynamic_cast<const ftp::ConversionError*>(&error) != nullptr ||
                            dynamic_cast<const ftp::InvalidPassiveAddressError*>(&error) != nullptr;
    if (!fromServer)
        return MessageWithFullStop(error.what());
    std::string_view text = error.what();
    // A reply's lines each end in CR LF; the last one's ends the message.
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
        text.remove_suffix(2);
    return MessageWithFullStop(EscapeControls(text));
}

} // namespace quorvane::app
