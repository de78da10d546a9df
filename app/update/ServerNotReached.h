#pragma once

#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"

#include <cstdint>
#include <exception>

namespace quorvane::app {

/// True when `error` says the server could not be reached at all (no address
/// for its name, nothing listening, no answer in time), judged by its class
/// and system error code, never by its text: a wrong or outdated server
/// address is the usual cause, and the window and the command line then say
/// where the server is set.
inline bool ServerNotReached(const std::exception& error)
{
    namespace codes = net::SocketErrorCode;
    const auto unreachable = [](std::int32_t code) {
        return code == codes::HostNotFound || code == codes::ConnectionRefused || code == codes::TimedOut;
    };
    if (dynamic_cast<const net::ConnectTimeoutError*>(&error) != nullptr)
        return true;
    if (const auto* socket = dynamic_cast<const net::SocketError*>(&error))
        return unreachable(socket->Code());
    if (const auto* connect = dynamic_cast<const net::ConnectError*>(&error))
        return unreachable(connect->Code());
    return false;
}

} // namespace quorvane::app
