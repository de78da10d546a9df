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
    /// run by the current Asker. "Trust This Certificate" keeps its
    /// fingerprint for that server in the settings file, as --save does, and
    /// returns true.
    static bool AskToTrust(const CertificateQuestion& certificate, const std::string& host, std::int32_t port,
                           QWidget* parent);

    QPushButton* TrustButton() const { return trust_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QPushButton* trust_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace quorvane::app
