#pragma once

#include "net/tls/TlsIoHandler.h"
#include "net/transport/ConnectionSecurity.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quorvane::net {

class TcpConnection;
class TlsContext;

/// How a TLS connection judges the server's certificate.
struct TlsTrust {
    /// Whether a certificate that does not verify ends the handshake.
    TlsVerification verification = TlsVerification::Require;
    /// A SHA-256 fingerprint ("AB:CD:...") accepted whether its certificate verifies or
    /// not; empty: none.
    std::string fingerprint;
};

/// Secures `connection`, whose owned I/O handler is connected: the handler is wrapped in
/// TLS (`role`, `trust`, the sessions of `context`) and installed in its place, then the
/// handshake with `host` runs within `timeoutMs` (-2: no limit). Bytes the connection read
/// ahead are the first the handshake reads. Returns what the handshake established.
/// Raises the errors of TlsIoHandler::Handshake; the TLS handler stays installed after a
/// failure, so the connection's own close ends both layers.
ConnectionSecurity StartTls(TcpConnection& connection, std::shared_ptr<TlsContext> context, TlsRole role,
                            const TlsTrust& trust, const std::string& host, std::int32_t timeoutMs);

} // namespace quorvane::net
