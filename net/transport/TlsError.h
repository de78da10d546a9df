#pragma once

#include "net/transport/NetError.h"

#include <string>

namespace quorvane::net {

// The errors of a secured connection. The TLS layer raises them, but they belong to the
// network error family every layer may name: the FTP client's callers reach them through
// net/ftp/FtpErrors.h and never include the TLS layer.

/// A TLS failure, its reason in words (never a bare library code).
class TlsError : public NetError {
public:
    using NetError::NetError;
};

/// The handshake failed; `reason` comes from the library's error queue.
class TlsHandshakeError : public TlsError {
public:
    explicit TlsHandshakeError(const std::string& reason) : TlsError("The TLS handshake failed (" + reason + ").") {}
};

/// The peer closed the connection before the handshake ended.
class TlsClosedDuringHandshakeError : public TlsError {
public:
    TlsClosedDuringHandshakeError() : TlsError("The server closed the connection during the TLS handshake.") {}
};

/// The server's certificate did not verify: the chain, the name or the validity period.
class TlsCertificateError : public TlsError {
public:
    TlsCertificateError(const std::string& reason, const std::string& fingerprint)
        : TlsError("The server's certificate is not trusted (" + reason + "). SHA-256 fingerprint: " + fingerprint),
          reason_(reason),
          fingerprint_(fingerprint)
    {}
    /// Why it failed, in words ("certificate has expired").
    const std::string& Reason() const noexcept { return reason_; }
    /// SHA-256 of the server's certificate, "AB:CD:...".
    const std::string& Fingerprint() const noexcept { return fingerprint_; }

private:
    std::string reason_;
    std::string fingerprint_;
};

/// The connection ended without TLS's close_notify, so what came before may be cut short.
class TlsTruncatedError : public TlsError {
public:
    TlsTruncatedError() : TlsError("The connection ended without closing TLS; the transfer is incomplete.") {}
};

} // namespace quorvane::net
