#pragma once

namespace quorvane::ftp {

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

/// Whether `OpenConnection` logs in, announces the type and asks for the system.
enum class AutoLogin { No, Yes };
/// "LIST" (Details) or "NLST" (NamesOnly).
enum class ListingDetail { NamesOnly, Details };
/// Whether `RetrieveFile` may replace an existing local file.
enum class Overwrite { Refuse, Allow };
/// Whether a retrieval continues at the destination's current size/position.
enum class Resume { No, Yes };

} // namespace quorvane::ftp
