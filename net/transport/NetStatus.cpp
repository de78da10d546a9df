#include "net/transport/NetStatus.h"

namespace quorvane::net {

const char* StatusFormat(NetStatus status) noexcept
{
    switch (status) {
    case NetStatus::hsResolving: return "Resolving hostname %s.";
    case NetStatus::hsConnecting: return "Connecting to %s.";
    case NetStatus::hsConnected: return "Connected.";
    case NetStatus::hsDisconnecting: return "Disconnecting.";
    case NetStatus::hsDisconnected: return "Disconnected.";
    case NetStatus::hsStatusText:
    case NetStatus::ftpTransfer:
    case NetStatus::ftpReady:
    case NetStatus::ftpAborted: return "%s";
    }
    return "%s";
}

std::string StatusText(NetStatus status, const std::string& argument)
{
    std::string text = StatusFormat(status);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

} // namespace quorvane::net
