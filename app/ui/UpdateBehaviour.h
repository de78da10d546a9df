#pragma once

#include "app/ui/CertificateDialog.h"
#include "app/ui/DownloadBehaviour.h"
#include "app/update/FtpServer.h"
#include "app/update/UpdateFlow.h"
#include "app/update/UpdateSink.h"

namespace quorvane::app {

/// The Download Window's behaviour in the program: the update flow, with the
/// window's list box and status bar and the Main Window's status bar as its
/// sink. The flow and its FTP client belong to the window and go with it.
class UpdateBehaviour : public DownloadBehaviour, private UpdateSink {
public:
    UpdateBehaviour(MainListHost& host, FtpServer server);

    /// A factory giving every Download Window this behaviour with `server`.
    static DownloadBehaviourFactory factory(FtpServer server);
    /// A factory giving every Download Window this behaviour with the server
    /// its Main Window has in use when the window is created.
    static DownloadBehaviourFactory factory();

    /// Connects and lists, the progress texts in both windows' panels; then
    /// the window's panel shows the server's system description, its guide
    /// line what to do, and the line of "gcmList.xml" is selected. A failure
    /// is shown in the window's body; when the server could not be reached
    /// (its name not found, the connection refused or timed out), a line
    /// pointing to "Update Server..." is added.
    void FormCreate(DownloadWindow& window) override;
    /// Installs, says "Done: list version <V> is in use." on the guide line
    /// and has the Main Window reload the Main List, or tells "Your
    /// version is already up to date. Closing download window." and closes
    /// the window when that is answered OK.
    void ListDblClick(DownloadWindow& window) override;
    /// Aborts a download that is still running: nothing is installed.
    void FormClose(DownloadWindow& window) override;

private:
    void MainStatus(const QString& text) override;
    void WindowStatus(const QString& text) override;
    void ChangesStatus(const QString& text) override;
    void Secured(const QString& version, const QString& unverifiedReason) override;
    void NotEncrypted() override;
    /// In the Main Window's message panel, for a while.
    void Note(const QString& text) override;
    void ShowListing(const std::vector<std::string>& lines) override;
    void DownloadProgress(std::int64_t bytes) override;
    bool AsksAboutCertificates() const override { return true; }
    /// The certificate dialog; "Trust This Certificate" pins the certificate
    /// for this server in the trust store, as --save does; "Cancel" ends the
    /// check.
    bool TrustCertificate(const CertificateQuestion& certificate) override;

    /// The Main Window the check runs for.
    MainListHost& owner_;
    std::string host_;
    std::int32_t port_ = 0;
    /// The server as the check started, for whether it must use TLS.
    FtpServer server_;
    DownloadWindow* window_ = nullptr;
    /// True while FormCreate connects: progress texts go to both windows.
    bool connecting_ = false;
    /// The server's system description, shown once the listing is in.
    QString systemText_;
    UpdateFlow flow_;
};

} // namespace quorvane::app
