#pragma once

#include "app/update/FtpServer.h"
#include "net/ftp/FtpTypes.h"

#include <functional>
#include <string>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp

namespace quorvane::app {

/// What the command line prints, and the Download Window shows in short, when
/// an ftp:// server refused "AUTH TLS" and the login went on in the clear.
inline constexpr const char* kNotEncrypted = "Not encrypted: the server does not offer TLS.";

/// A certificate the user names for one run (--trust-certificate FP), and
/// whether to keep it (--save).
struct NamedCertificate {
    enum class Keep { ForThisRun, InTheStore };
    /// "AB:CD:...", as TrustStore::ReadFingerprint writes it; empty for none.
    std::string fingerprint;
    Keep keep = Keep::ForThisRun;
};

/// A control connection made under the one rule every command follows, and
/// what it made of the server.
class ServerConnection {
public:
    /// Connects `ftp` to `server` and logs in, the one way every command
    /// reaches a server (the update and the reports, the command line and the
    /// windows), with what the trust store knows of it:
    ///  - a server the store knows (a pinned certificate, or one that once
    ///    verified), and a server whose certificate `named` names, is reached as
    ///    under ftpes://: a refused "AUTH TLS" ends the connection before the
    ///    login, with TlsNoLongerOfferedError for an ftp:// server the store
    ///    knows; any other ftp:// server that refuses it is logged in to in the
    ///    clear (`Trust()` None);
    ///  - the certificate accepted verifies for the host, or is the one pinned
    ///    (`named`'s for this run, else the store's), or under ftp:// without a
    ///    pin serves for encryption only; another one fails with
    ///    CertificateChangedError when the store's pin was in force, else with
    ///    the client's TlsCertificateError;
    ///  - then the store learns: a certificate that verified replaces the pin
    ///    and is remembered; with `Keep::InTheStore`, `named`'s certificate,
    ///    once shown, is pinned. A store that cannot be written does not fail
    ///    the connection (`StoreFailure`).
    /// `ftp` gets the server's host, port, account and waits; what else the
    /// caller set (its events, OnUnverifiedCertificate) stays. Failures are
    /// the client's, raised after it disconnected.
    static ServerConnection Open(ftp::FtpClient& ftp, const FtpServer& server, const NamedCertificate& named = {});

    /// Open, then tells `status` what a command prints after its
    /// "Connecting...": kNotEncrypted when the login went in the clear, and
    /// why the trust store could not keep what it learnt.
    static ServerConnection Open(ftp::FtpClient& ftp, const FtpServer& server, const NamedCertificate& named,
                                 const std::function<void(const std::string&)>& status);

    /// How the certificate was accepted; None in the clear.
    [[nodiscard]] ftp::CertificateTrust Trust() const noexcept { return trust_; }
    /// Why the trust store could not keep what this connection taught, for the
    /// caller to tell once; empty when it could or had nothing to keep.
    [[nodiscard]] const std::string& StoreFailure() const noexcept { return storeFailure_; }

private:
    ftp::CertificateTrust trust_ = ftp::CertificateTrust::None;
    std::string storeFailure_;
};

} // namespace quorvane::app
