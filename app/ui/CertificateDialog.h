#pragma once

#include "app/update/FtpServer.h"
#include "app/update/UpdateSink.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QPushButton;

namespace quorvane::app {

/// Whether a server must use TLS: decides what the certificate question
/// offers.
enum class TlsRequirement {
    /// The connection must be secured and verified (an ftpes:// server):
    /// a certificate is trusted or the check ends.
    Required,
    /// TLS is used when the server offers it (an ftp:// server): a
    /// certificate may also serve for encryption only.
    WhenOffered,
};

/// Shown before the login when the server's certificate does not verify:
/// whose certificate it is ("Certificate of <host>:<port>"), its subject,
/// issuer, validity, the reason and its SHA-256 fingerprint, and what each
/// answer does. "&Trust This Certificate" accepts it (QDialog::Accepted);
/// "Continue &Without Verifying", offered only where TLS is not required,
/// goes on with encryption only (WithoutVerifying); "&Cancel", the default,
/// ends the check (QDialog::Rejected).
class CertificateDialog : public QDialog {
public:
    /// The result of "Continue Without Verifying".
    static constexpr int WithoutVerifying = 2;

    CertificateDialog(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                      TlsRequirement requirement, QWidget* parent);

    /// Whether `server` must use TLS: under ftpes://, and for a server the
    /// trust store knows (a pinned certificate, or one that once verified).
    static TlsRequirement RequirementOf(const FtpServer& server);

    /// Asks about `certificate` of the server `host`:`port` in this dialog,
    /// run by the current Asker. "Trust This Certificate" pins it for that
    /// server in the trust store, as --save does, and returns true: every
    /// later connection to the server, in this run or the next, accepts it.
    /// "Continue Without Verifying" returns false (encryption only, for this
    /// connection); "Cancel" raises the certificate's refusal
    /// (net::TlsCertificateError), which ends the connection.
    static bool AskToTrust(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                           TlsRequirement requirement, QWidget* parent);

    QPushButton* TrustButton() const { return trust_; }
    /// Null where TLS is required.
    QPushButton* WithoutVerifyingButton() const { return withoutVerifying_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QPushButton* trust_ = nullptr;
    QPushButton* withoutVerifying_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quorvane::app
