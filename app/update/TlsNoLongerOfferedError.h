#pragma once

#include "app/update/UpdateError.h"

#include <string>

namespace quorvane::app {

/// An ftp:// server that the trust store knows (it showed a certificate
/// before) answered "AUTH TLS" with a refusal; the connection ended before
/// anything of the account was sent.
class TlsNoLongerOfferedError : public UpdateError {
public:
    /// `key` names the server as the trust store does ("host:port").
    explicit TlsNoLongerOfferedError(std::string key)
        : UpdateError("The server no longer offers TLS, which it did before. Nothing was sent."), key_(std::move(key))
    {}
    const std::string& Key() const noexcept { return key_; }

private:
    std::string key_;
};

} // namespace quorvane::app
