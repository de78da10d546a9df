#pragma once

#include "app/update/FtpServer.h"
#include "app/update/ServerConnection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp
namespace quorvane::xml {
class XmlDocument;
} // namespace quorvane::xml

namespace quorvane::app {

class MainList;
class UpdateSink;

/// What a double-click ended with.
enum class UpdateOutcome {
    /// The downloaded list replaced the Main List ("Done...").
    Installed,
    /// The downloaded version equals the Main List's; the download was deleted.
    /// The caller tells the user so.
    AlreadyUpToDate,
    /// Another step of this flow was still running (a double-click that
    /// arrived while the windows were kept alive during a download); nothing
    /// was done.
    Busy,
    /// The step was aborted (`Abort`): the client is disconnected and
    /// nothing was installed.
    Aborted,
};

/// The list update without any window: connect, log in, change to the
/// list's directory and list it (Connect), then download "gcmList.xml"
/// as "gcmList.BAK", compare its version with the Main List's and install or
/// discard it (DownloadAndInstall). Owns its FTP client and the document it
/// reads the download with; reads the list state and file folder of `list`,
/// which must outlive it, and never changes that state.
///
/// Data connections are passive first and active when the server refuses
/// "PASV". Every step blocks the calling thread. Failures are raised with the
/// message the error box shows; every wait ends after
/// FtpServer::ReadTimeoutMs at the latest ("Connect timed out.", "Read
/// Timeout" or the data connection's time-out), and so does a server that
/// sends less than the progress floor.
class UpdateFlow {
public:
    /// `named` is a certificate the user trusts for this run (ServerConnection).
    UpdateFlow(const MainList& list, FtpServer server, NamedCertificate named = {});
    ~UpdateFlow();
    UpdateFlow(const UpdateFlow&) = delete;
    UpdateFlow& operator=(const UpdateFlow&) = delete;

    /// Connects and lists the directory, reporting each step to `sink`. A
    /// failure ends the step where it happened and disconnects: the Main
    /// Window's status keeps the last progress text, the listing stays empty
    /// when the failure came before it arrived, and `DownloadAndInstall` then
    /// raises `ConnectionLostError`. An aborted step returns quietly,
    /// disconnected.
    void Connect(UpdateSink& sink);

    /// True when the last `Connect` failed while opening the control
    /// connection (name look-up, connect, greeting or login), false when it
    /// failed later or succeeded.
    bool FailedOpeningConnection() const { return openingConnection_; }

    /// Downloads (when still connected), disconnects and installs or discards.
    /// The server is asked for the file's size first ("SIZE", RFC 3659); a
    /// size above `FtpServer::MaxDownloadBytes` fails before "RETR"
    /// ("File too large."), and a download of another length fails with
    /// `DownloadSizeError`. The download goes to a temporary file that becomes
    /// "gcmList.BAK" only once the transfer, its final reply and the count
    /// succeeded, so a failed, short or aborted download leaves nothing to be
    /// installed later. An installation keeps the replaced list as
    /// "gcmList.previous.xml" (see ListInstaller) and reports the changes'
    /// summary to `sink`; failing to keep it is reported there instead and
    /// does not stop the installation. A refused download keeps the connection for another
    /// try; a file that is not well formed or has no version stays as
    /// "gcmList.BAK" and the Main List is untouched; a failed install keeps
    /// both files. When the connection went without this flow closing it
    /// (a late reply, a server that hung up, a failed `Connect`),
    /// `ConnectionLostError` is raised and nothing is loaded.
    UpdateOutcome DownloadAndInstall(UpdateSink& sink);

    /// Ends the running step (called from a handler that runs while it
    /// waits: a window closed, an interrupt): a name look-up or a control or
    /// passive data connect is stopped at the end of its current wait slice, a
    /// transfer is aborted ("ABOR"), the control connection closed, and the
    /// step returns within a second (`Aborted` from `DownloadAndInstall`) without
    /// installing anything. Does nothing when no step runs.
    void Abort();

    /// The listing as shown: the lines without the first one when that one
    /// contains "total" (case-sensitive, anywhere in the line).
    static std::vector<std::string> ShownListing(std::vector<std::string> lines);

    /// True when the last `DownloadAndInstall` installed a list and kept the
    /// one it replaced as "gcmList.previous.xml".
    bool PreviousKept() const { return previousKept_; }
    /// The version the last `DownloadAndInstall` installed; empty when it
    /// installed nothing.
    const std::string& InstalledVersion() const { return installedVersion_; }

    /// The client, for its connection state.
    ftp::FtpClient& Client() { return *ftp_; }

private:
    void ConnectAndList(UpdateSink& sink);
    /// Retrieves the list into `downloaded` by way of a temporary file that is
    /// removed when the retrieval fails, comes out short or was aborted.
    void Download(UpdateSink& sink, const std::string& downloaded);
    /// The size the server names for the list, or -1 when it does not say.
    /// Raises `ftp::FileTooLargeError` for a size past the client's cap.
    std::int64_t AnnouncedSize();
    /// Tells `sink` what changed against the list an installation kept.
    void ReportChanges(UpdateSink& sink, const std::string& mainList);
    /// After an abort: disconnects, forgets the request and returns true.
    bool EndIfAborted();

    const MainList& list_;
    FtpServer server_;
    NamedCertificate named_;
    std::unique_ptr<ftp::FtpClient> ftp_;
    std::unique_ptr<xml::XmlDocument> document_;
    bool busy_ = false;
    bool abortRequested_ = false;
    /// Set when `Connect` starts to connect, cleared when this flow
    /// disconnects after a download: while set, a client that is not
    /// connected means the connection was lost or never made.
    bool connected_ = false;
    /// Set while `Connect` opens the control connection.
    bool openingConnection_ = false;
    bool previousKept_ = false;
    std::string installedVersion_;
};

} // namespace quorvane::app
