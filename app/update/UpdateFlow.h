#pragma once

#include "app/update/UpdateSettings.h"

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
    /// The retrieval was aborted (`Abort`): the client is disconnected and
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
/// UpdateSettings::ReadTimeoutMs at the latest ("Connect timed out.", "Read
/// Timeout" or the data connection's time-out), and so does a server that
/// sends less than the progress floor.
class UpdateFlow {
public:
    UpdateFlow(const MainList& list, UpdateSettings settings);
    ~UpdateFlow();
    UpdateFlow(const UpdateFlow&) = delete;
    UpdateFlow& operator=(const UpdateFlow&) = delete;

    /// Connects and lists the directory, reporting each step to `sink`. A
    /// failure ends the step where it happened: the Main Window's status keeps
    /// the last progress text and the listing stays empty when the failure
    /// came before it arrived.
    void Connect(UpdateSink& sink);

    /// Downloads (when still connected), disconnects and installs or discards.
    /// The download goes to a temporary file that becomes "gcmList.BAK" only
    /// once the transfer and its final reply succeeded, so a failed download
    /// leaves no "gcmList.BAK" to be installed later. A refused download keeps
    /// the connection for another try; a file that is not well formed or has
    /// no version stays as "gcmList.BAK" and the Main List is untouched; a
    /// failed install keeps both files.
    UpdateOutcome DownloadAndInstall(UpdateSink& sink);

    /// Ends a running download (called from a handler that runs while the
    /// download waits): the transfer is aborted ("ABOR"), the control
    /// connection closed, and `DownloadAndInstall` returns `Aborted` at once,
    /// without installing anything. Does nothing when no download runs.
    void Abort();

    /// The listing as shown: the lines without the first one when that one
    /// contains "total" (case-sensitive, anywhere in the line).
    static std::vector<std::string> ShownListing(std::vector<std::string> lines);

    /// The client, for its connection state.
    ftp::FtpClient& Client() { return *ftp_; }

private:
    /// Retrieves the list into `downloaded` by way of a temporary file; false
    /// when the retrieval was aborted (the client is then disconnected).
    bool Download(UpdateSink& sink, const std::string& downloaded);

    const MainList& list_;
    UpdateSettings settings_;
    std::unique_ptr<ftp::FtpClient> ftp_;
    std::unique_ptr<xml::XmlDocument> document_;
    bool busy_ = false;
    bool downloading_ = false;
    bool abortRequested_ = false;
};

} // namespace quorvane::app
