#pragma once

#include "app/ui/NetworkJobWindow.h"
#include "app/update/FtpServer.h"
#include "app/update/SubmitFlow.h"

namespace quorvane::app {

/// "Sending Custom List": sends a checked Custom List once the window is on
/// screen, with a status line, a progress bar over its bytes and "Cancel"
/// (a NetworkJobWindow). A certificate that does not verify is asked about
/// before the login. "Cancel" stops the upload ("ABOR") and asks the server
/// to delete the part it received; the close box and Escape do the same and
/// close the window. At the end the status line shows the name sent or the
/// failure in words, and the button reads "Close". Each success is noted in
/// the log beside the Custom List.
class SendWindow : public NetworkJobWindow {
    Q_OBJECT
public:
    SendWindow(CheckedSubmission list, FtpServer server, QString logPath, QWidget* parent = nullptr);
    ~SendWindow() override;

    /// The name the list was stored under; empty until a send succeeded.
    const std::string& SentName() const { return sent_.name; }

private:
    /// Sends the list and logs it; returns what the status line shows.
    std::string Send(const Report& report);

    CheckedSubmission list_;
    FtpServer server_;
    QString logPath_;
    SubmitFlow flow_;
    SentSubmission sent_;
};

} // namespace quorvane::app
