#pragma once

#include <cstdint>

namespace quorvane::ftp {

/// The port of an FTP control connection when none is named (RFC 959).
inline constexpr std::int32_t DefaultPort = 21;
/// The most bytes one retrieval brings when no other cap is set: far above
/// any list a server holds.
inline constexpr std::int64_t DefaultMaxRetrievalBytes = std::int64_t{256} * 1024 * 1024;

/// Representation type announced with "TYPE": ftASCII "TYPE A", ftBinary "TYPE I".
/// Bytes are never converted either way.
enum class FtpTransferType { ftASCII, ftBinary };

/// How the control connection reaches the server; this client only connects directly.
enum class FtpProxyType {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp,
};

/// Whether the control and data connections run in the clear (Plain); under TLS, which
/// the server must offer ("AUTH TLS", RFC 4217) or the connection fails (RequireTls);
/// or under TLS when the server offers it and in the clear when it refuses, a
/// certificate that does not verify serving for encryption only (TlsWhenOffered).
enum class FtpSecurity { Plain, RequireTls, TlsWhenOffered };

/// How the control connection's certificate was accepted: it verified for the
/// host (Verified), it is the one trusted by its fingerprint (Fingerprint), or
/// it serves for encryption only (EncryptionOnly); None while in the clear.
enum class CertificateTrust { None, Verified, Fingerprint, EncryptionOnly };

/// Whether `OpenConnection` logs in, announces the type and asks for the system.
enum class AutoLogin { No, Yes };
/// "LIST" (Details) or "NLST" (NamesOnly).
enum class ListingDetail { NamesOnly, Details };
/// Whether `RetrieveFile` may replace an existing local file.
enum class Overwrite { Refuse, Allow };
/// Whether a retrieval continues at the destination's current size/position.
enum class Resume { No, Yes };

} // namespace quorvane::ftp
