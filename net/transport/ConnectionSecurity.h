#pragma once

#include <string>

namespace quorvane::net {

/// What a certificate says of itself, in words, for a person deciding whether to trust it.
struct CertificateDetails {
    std::string subject;
    std::string issuer;
    std::string validFrom;
    std::string validUntil;
};

/// What secures a connection, as its I/O handler tells it (IoHandler::SecurityInfo); all
/// empty and false on a connection in the clear.
struct ConnectionSecurity {
    /// The protocol version agreed, "TLS 1.3"; empty in the clear and before the handshake.
    std::string version;
    /// Whether the handshake checked the server's certificate and it verified, chain,
    /// validity and name; false for a resumed session, which checks none.
    bool verified = false;
    /// Why the server's certificate did not verify ("self-signed certificate"), also when
    /// it was accepted by its fingerprint or for encryption only; empty when it verified.
    std::string unverifiedReason;
    /// SHA-256 of the server's certificate, "AB:CD:..."; empty until a handshake checked
    /// one.
    std::string fingerprint;
    /// The server's certificate as the handshake saw it.
    CertificateDetails certificate;
    /// Whether the handshake resumed an earlier session.
    bool sessionReused = false;
};

} // namespace quorvane::net
