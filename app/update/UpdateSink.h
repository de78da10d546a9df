#pragma once

#include "app/update/CertificateQuestion.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane::app {

/// "Secured with TLS 1.3.", or for a certificate that serves for encryption
/// only "Secured with TLS 1.3 (certificate not verified: <reason>).".
inline QString SecuredText(const QString& version, const QString& unverifiedReason)
{
    if (unverifiedReason.isEmpty())
        return QStringLiteral("Secured with %1.").arg(version);
    return QStringLiteral("Secured with %1 (certificate not verified: %2).").arg(version, unverifiedReason);
}

/// Where the update flow reports: the Download Window (and the Main Window's
/// status bar) in the program, standard output and error on the command line.
class UpdateSink {
public:
    virtual ~UpdateSink() = default;

    /// Panel 0 of the Main Window: "Connecting...", ("Securing the connection..."
    /// for an ftpes:// server, and for an ftp:// server that offers TLS),
    /// "Locating DIR...",
    /// "Getting FTP file lists...", then the List Summary.
    virtual void MainStatus(const QString& text) = 0;
    /// Panel 0 of the Download Window: the server's system description,
    /// "Disconnecting...", "Updating...", "Done...".
    virtual void WindowStatus(const QString& text) = 0;
    /// Replaces the listing shown (lines as the server sent them, UTF-8 or
    /// whatever 8-bit text it used); an empty vector clears it.
    virtual void ShowListing(const std::vector<std::string>& lines) = 0;
    /// After an installation: what changed against the list it replaced
    /// (the summary line of the comparison), or why that list could not be
    /// kept. The Download Window's second status panel; standard error after
    /// "Done..." on the command line.
    virtual void ChangesStatus(const QString& text) = 0;
    /// The control connection is under TLS, in `version` ("TLS 1.3"); an empty
    /// `version` says the connection is closed (or starts again in the clear).
    /// A non-empty `unverifiedReason` says the server's certificate did not
    /// verify and serves for encryption only (an ftp:// server).
    virtual void Secured(const QString& version, const QString& unverifiedReason)
    {
        (void)version;
        (void)unverifiedReason;
    }
    /// The server refused TLS and the connection goes on in the clear (an
    /// ftp:// server never seen with TLS): "Not encrypted" beside the listing,
    /// kNotEncrypted on the command line.
    virtual void NotEncrypted() {}
    /// A remark that does not stop the flow (the trust store could not be
    /// written), told once.
    virtual void Note(const QString& text) { (void)text; }
    /// Whether a certificate that does not verify is put to the user
    /// (`TrustCertificate`) rather than refused (ftpes://) or used for
    /// encryption only (ftp://) at once.
    virtual bool AsksAboutCertificates() const { return false; }
    /// Asks whether to trust `certificate`, before anything of the account is
    /// sent; true goes on under it.
    virtual bool TrustCertificate(const CertificateQuestion& certificate)
    {
        (void)certificate;
        return false;
    }
    /// Bytes of the list received so far while a download runs.
    virtual void DownloadProgress(std::int64_t bytes) = 0;
    /// Runs `install`, the rename that puts the downloaded list in place of
    /// the Main List, and returns true; or, when the user asked to stop
    /// before it, returns false without running it, and the flow removes the
    /// download and installs nothing. The command line answers here for an
    /// interrupt that came after the last network wait; a window ends the
    /// flow by `UpdateFlow::Abort` instead.
    virtual bool InstallUnlessInterrupted(const std::function<void()>& install)
    {
        install();
        return true;
    }
};

} // namespace quorvane::app
