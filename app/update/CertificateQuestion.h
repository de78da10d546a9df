#pragma once

#include "net/ftp/FtpClient.h"

#include <QString>

namespace quorvane::app {

/// A server certificate that did not verify, as the user sees it before
/// deciding whether to trust it.
struct CertificateQuestion {
    QString subject;
    QString issuer;
    QString validFrom;
    QString validUntil;
    QString reason;
    QString fingerprint;

    /// The texts of `certificate` as the FTP client reports it.
    static CertificateQuestion About(const ftp::FtpClient::UnverifiedCertificate& certificate);
};

} // namespace quorvane::app
