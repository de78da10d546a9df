#include "app/update/CertificateQuestion.h"

#include "app/text/Utf8Text.h"

namespace quorvane::app {

CertificateQuestion CertificateQuestion::About(const ftp::FtpClient::UnverifiedCertificate& certificate)
{
    const net::CertificateDetails& details = certificate.details;
    return {Utf8Text::Decode(details.subject),    Utf8Text::Decode(details.issuer),
            Utf8Text::Decode(details.validFrom),  Utf8Text::Decode(details.validUntil),
            Utf8Text::Decode(certificate.reason), Utf8Text::Decode(certificate.fingerprint)};
}

} // namespace quorvane::app
