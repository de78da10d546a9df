#include "app/update/ServerConnection.h"

#include "app/settings/SettingsError.h"
#include "app/settings/TrustStore.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/CertificateChangedError.h"
#include "app/update/TlsNoLongerOfferedError.h"
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"

namespace quorvane::app {

ServerConnection ServerConnection::Open(ftp::FtpClient& ftp, const FtpServer& server, const NamedCertificate& named)
{
    server.ConfigureClient(ftp);
    const TrustStore::Known known = TrustStore::Find(server.Host, server.Port);
    const bool ftpes = server.Security == ftp::FtpSecurity::RequireTls;
    // A server seen with TLS is never again reached in the clear: whoever
    // removes its answer to "AUTH TLS" gets nothing of the account.
    const bool tlsRequired = ftpes || known.Any() || !named.fingerprint.empty();
    ftp.Security = tlsRequired ? ftp::FtpSecurity::RequireTls : ftp::FtpSecurity::TlsWhenOffered;
    ftp.TrustedFingerprint = named.fingerprint.empty() ? known.pin : named.fingerprint;
    try {
        ftp.OpenConnection(ftp::AutoLogin::Yes, server.ReadTimeoutMs);
    } catch (const ftp::TlsNotOfferedError&) {
        if (!ftpes && known.Any())
            throw TlsNoLongerOfferedError(TrustStore::Key(server.Host, server.Port));
        throw;
    } catch (const net::TlsCertificateError&) {
        if (named.fingerprint.empty() && !known.pin.empty())
            throw CertificateChangedError();
        throw;
    }

    ServerConnection connection;
    connection.trust_ = ftp.ControlCertificateTrust();
    try {
        if (connection.trust_ == ftp::CertificateTrust::Verified) {
            TrustStore::RememberVerified(server.Host, server.Port);
        } else if (named.keep == NamedCertificate::Keep::InTheStore && !named.fingerprint.empty() &&
                   ftp.ServerFingerprint() == named.fingerprint && known.pin != named.fingerprint) {
            TrustStore::Pin(server.Host, server.Port, named.fingerprint);
        }
    } catch (const SettingsError& error) {
        connection.storeFailure_ = error.what();
    }
    return connection;
}

ServerConnection ServerConnection::Open(ftp::FtpClient& ftp, const FtpServer& server, const NamedCertificate& named,
                                        const std::function<void(const std::string&)>& status)
{
    ServerConnection connection = Open(ftp, server, named);
    if (connection.Trust() == ftp::CertificateTrust::None)
        status(kNotEncrypted);
    if (!connection.StoreFailure().empty())
        status(MessageWithFullStop(connection.StoreFailure()));
    return connection;
}

} // namespace quorvane::app
