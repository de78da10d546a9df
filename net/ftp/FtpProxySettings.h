#pragma once

#include "net/ftp/FtpTypes.h"

#include <cstdint>
#include <string>

namespace quorvane::ftp {

/// FTP proxy settings of an `FtpClient`. Only `fpcmNone` is acted upon: with it
/// the client connects straight to its own `Host` and `Port`.
class FtpProxySettings {
public:
    FtpProxyType ProxyType = FtpProxyType::fpcmNone;
    std::string Host;
    std::string UserName;
    std::string Password;
    std::int32_t Port = 0;
};

} // namespace quorvane::ftp
