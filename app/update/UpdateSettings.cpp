#include "app/update/UpdateSettings.h"

#include "app/update/CertificateChangedError.h"
#include "net/ftp/FtpClient.h"
#include "net/tls/TlsError.h"

namespace quorvane::app {

UpdateSettings UpdateSettings::Fixed()
{
    UpdateSettings settings;
    settings.Host = "lists.quorvane.example";
    settings.Username = "quorvane";
    settings.Password = "gcm-lists";
    settings.Directory = "pub/lists/Other/";
    return settings;
}

void UpdateSettings::ConfigureClient(ftp::FtpClient& ftp) const
{
    ftp.SetHost(Host);
    ftp.SetPort(Port);
    ftp.Username = Username;
    ftp.Password = Password;
    // Without a limit a server that stops answering would keep the window
    // from ever opening. Connects and data connections take the same limit.
    ftp.ReadTimeout = ReadTimeoutMs;
    ftp.DataConnectTimeout = ReadTimeoutMs;
    ftp.ProgressFloorBytes = ProgressFloorBytes;
    ftp.ProgressFloorTimeMs = ProgressFloorTimeMs;
    // Most users sit behind a NAT router or a firewall that drops incoming
    // connections, and many servers refuse active mode: passive first, active
    // only for a server that refuses "PASV".
    ftp.Passive = true;
    ftp.PassiveFallsBackToActive = true;
    // An ftp:// server is asked for TLS too, and the login goes on in the
    // clear only when it has none to offer.
    ftp.Security = Security == ftp::FtpSecurity::Plain ? ftp::FtpSecurity::TlsWhenOffered : Security;
    ftp.TrustedFingerprint = TrustedFingerprint;
}

void UpdateSettings::OpenConnection(ftp::FtpClient& ftp) const
{
    try {
        ftp.OpenConnection(ftp::AutoLogin::Yes, ReadTimeoutMs);
    } catch (const net::TlsCertificateError&) {
        if (FingerprintStored)
            throw CertificateChangedError();
        throw;
    }
}

} // namespace quorvane::app
