#pragma once

#include "net/ftp/FtpTypes.h"

#include <cstdint>
#include <string>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp

namespace quorvane::app {

/// Where the update flow finds the Main List and how long it waits. The fixed
/// values (Fixed()) are the program's own server; `--update-server` replaces
/// them for one run.
struct UpdateSettings {
    std::string Host;
    std::int32_t Port = ftp::DefaultPort;
    /// `FtpSecurity::RequireTls` for an ftpes:// server: TLS or nothing.
    ftp::FtpSecurity Security = ftp::FtpSecurity::Plain;
    /// The SHA-256 fingerprint ("AB:CD:...") of a certificate trusted whether
    /// it verifies or not (--trust-certificate, or kept in the settings file);
    /// empty for none.
    std::string TrustedFingerprint;
    /// Whether `TrustedFingerprint` comes from the settings file: a server
    /// that shows another certificate that does not verify has changed it.
    bool FingerprintStored = false;
    std::string Username;
    std::string Password;
    /// Relative path sent with "CWD", ending in "/".
    std::string Directory;
    /// Most milliseconds the client waits for any reply or data ("Read
    /// Timeout"), for a connect ("Connect timed out.") and for the server to
    /// open an active-mode data connection; more than 0.
    std::int32_t ReadTimeoutMs = 60000;
    /// A reply or transfer that brings fewer than `ProgressFloorBytes` bytes in
    /// `ProgressFloorTimeMs` ms ends with "Read Timeout" too, so a server that
    /// sends a byte now and then cannot keep the update busy for ever.
    std::int32_t ProgressFloorBytes = 1024;
    std::int32_t ProgressFloorTimeMs = 60000;
    /// The largest list the flow downloads; a larger one fails with "File too
    /// large." (the largest real list is well under 100 MiB).
    std::int64_t MaxDownloadBytes = ftp::DefaultMaxRetrievalBytes;

    /// The program's own update server: lists.quorvane.example port 21,
    /// account "quorvane", directory "pub/lists/Other/".
    static UpdateSettings Fixed();

    /// Sets `ftp` up for this server as the update and the submission both
    /// use it: host, port and account; every wait within `ReadTimeoutMs` and
    /// the progress floor; passive first, active only for a server that
    /// refuses it; TLS required for ftpes://, and asked for under ftp://.
    void ConfigureClient(ftp::FtpClient& ftp) const;
    /// Connects `ftp` (set up by ConfigureClient) and logs in. A certificate
    /// that fails its check while the fingerprint from the settings file is
    /// in force raises CertificateChangedError: the server changed it since
    /// the user trusted it.
    void OpenConnection(ftp::FtpClient& ftp) const;
};

} // namespace quorvane::app
