#pragma once

#include "app/update/UpdateSink.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QPushButton;

namespace quorvane::app {

/// Shown by the Download Window before the login when the server's certificate
/// does not verify: its subject, issuer, validity, the reason and its SHA-256
/// fingerprint, with "Trust This Certificate" (accepted) and "Cancel" (rejected).
class CertificateDialog : public QDialog {
public:
    CertificateDialog(const CertificateQuestion& certificate, QWidget* parent);

    /// Asks about `certificate` of the server `host`:`port` in this dialog,
    /// run by the current Asker. "Trust This Certificate" pins it for that
    /// server in the trust store, as --save does, and returns true: every
    /// later connection to the server, in this run or the next, accepts it.
    static bool AskToTrust(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                           QWidget* parent);

    QPushButton* TrustButton() const { return trust_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QPushButton* trust_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quorvane::app
