#pragma once

#include "app/list/ListItem.h"
#include "app/update/FtpServer.h"
#include "app/update/ServerConnection.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp

namespace quorvane::app {

/// A Custom List that passed the checks before sending: its bytes, read once
/// (what is sent, whatever happens to the file meanwhile), and its records,
/// as the preview before sending shows them.
struct CheckedSubmission {
    std::string bytes;
    /// The records in file order, each with its boot test's tick or cross.
    std::vector<ListItem> items;
};

/// What a successful submission sent, as the log keeps it.
struct SentSubmission {
    std::string name;
    std::size_t records = 0;
    std::size_t bytes = 0;

    /// "Sent as <name> (<records> records, <bytes> bytes)."
    std::string Text() const;
};

/// Sends a Custom List to the list's keepers: connect, log in, change to the
/// submission folder and store the bytes under a name no other report has
/// (`NewName`). Owns its FTP client. Every wait keeps to the server's
/// `ReadTimeoutMs` and progress floor, as the update's do.
class SubmitFlow {
public:
    /// The largest Custom List that is sent.
    static constexpr std::size_t MaxSubmissionBytes = 1024 * 1024;
    /// Where each success is noted, beside the Custom List.
    static constexpr const char* LogFileName = "submissions.log";

    /// `named` is a certificate the user trusts for this run (ServerConnection).
    explicit SubmitFlow(FtpServer server, NamedCertificate named = {});
    ~SubmitFlow();
    SubmitFlow(const SubmitFlow&) = delete;
    SubmitFlow& operator=(const SubmitFlow&) = delete;

    /// Where reports go when no server is named for them: `updateServer`
    /// with its folder replaced by "incoming/".
    static FtpServer IncomingFolderOf(FtpServer updateServer);

    /// Reads `path` once and checks it: at most `MaxSubmissionBytes` ("The
    /// Custom List is larger than 1 MiB."), loads as a Custom List (the XML
    /// layer's error otherwise), holds a record ("The Custom List has no
    /// records."). A file that cannot be read raises the XML layer's
    /// "Cannot open file" error.
    static CheckedSubmission Check(const std::string& path);

    /// "custGCMList-<UTC yyyymmddThhmmssZ>-<8 hex digits>.xml", the digits
    /// from the system's random source.
    static std::string NewName(std::chrono::system_clock::time_point now);

    /// Connects and stores `list`; `status` hears "Connecting...",
    /// kNotEncrypted for a server that refused TLS, a trust store that could
    /// not be written, and "Sending <name>...", and `progress` (when set) the
    /// bytes sent so far. A 550 or 553 to "STOR" is tried once more under a new
    /// name. A stored copy whose size the server names wrongly is deleted
    /// ("DELE"); when that is refused or cannot be sent, the error adds "A
    /// partial copy may remain on the server as <name>.". Returns what was
    /// sent. After `Abort` it raises what the abort left (a closed connection,
    /// the server's 426); the caller then calls `RemovePartial`.
    SentSubmission Send(const CheckedSubmission& list, const std::function<void(const std::string&)>& status,
                        const std::function<void(std::int64_t)>& progress = {});

    /// How long an aborted store waits for the server's answer to "ABOR",
    /// and then for its answer to "DELE".
    static constexpr std::int32_t AbortReplyTimeoutMs = 500;

    /// Stops the running `Send` (from a handler that runs while it waits), which
    /// then raises what the abort left within a wait slice. Before the store
    /// (a connect, a handshake, the login) the connection is closed at once:
    /// nothing has been sent. During the store: "ABOR", the data connection
    /// closed and the control connection's waits cut, the connection kept for
    /// `RemovePartial`.
    void Abort();
    /// After an aborted `Send`: reads the server's answer to "ABOR" for at
    /// most `AbortReplyTimeoutMs`, then, on the same connection when it is
    /// still open, asks the server to delete the name being sent ("DELE", the
    /// same limit; a refusal, a silence or a lost connection is ignored), then
    /// disconnects.
    void RemovePartial() noexcept;

    /// Appends "<UTC time>\t<host>\t<name>\t<records>\t<bytes>" to `logPath`.
    /// Throws std::runtime_error when the file cannot be written.
    static void AppendToLog(const std::string& logPath, const std::string& host, const SentSubmission& sent,
                            std::chrono::system_clock::time_point when);

    ftp::FtpClient& Client() { return *ftp_; }

private:
    /// "DELE <name>" answered within `limitMs`: true when the server says it
    /// deleted the file (2xx). Never throws.
    bool DeleteStored(const std::string& name, std::int32_t limitMs) noexcept;

    FtpServer server_;
    NamedCertificate named_;
    std::unique_ptr<ftp::FtpClient> ftp_;
    /// The name of the store running or last tried.
    std::string currentName_;
    bool abortRequested_ = false;
};

} // namespace quorvane::app
