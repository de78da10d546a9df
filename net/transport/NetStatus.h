#pragma once

#include <string>

namespace quorvane::net {

/// Status notifications, each with its text format ("%s" is the argument).
enum class NetStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted,
};

/// The format of `status`, e.g. "Resolving hostname %s.".
const char* StatusFormat(NetStatus status) noexcept;
/// The format of `status` with "%s" replaced by `argument`.
std::string StatusText(NetStatus status, const std::string& argument = {});

/// Direction of counted work.
enum class WorkMode { wmRead, wmWrite };

} // namespace quorvane::net
