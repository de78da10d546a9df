#pragma once

#include "app/update/FtpServer.h"
#include "app/update/ServerConnection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::ftp {
class FtpClient;
} // namespace quorvane::ftp

namespace quorvane::app {

/// What a fetch brought.
struct FetchedReports {
    int reports = 0;
    std::int64_t bytes = 0;
    /// One line per report that failed: "Cannot fetch <name>. <reason>", or
    /// for one fetched but not moved "Cannot move <name> to <folder>. <reason>".
    std::vector<std::string> failures;

    /// "Fetched <n> reports (<b> bytes) into reports/."
    std::string Text() const;
};

/// Brings the players' reports from the server's incoming folder into the
/// local reports folder: lists the folder by names, and fetches every
/// `custGCMList-*.xml` the local folder does not hold yet, whole and at most
/// `MaxReportBytes`, each first as "<name>.part" that takes its name only
/// once the transfer and the size check succeeded. With a folder to move
/// them to, each fetched report is then moved there on the server ("RNFR",
/// "RNTO"; "MKD" first when the folder is missing). Owns its FTP client,
/// set up as the update's and the submission's (`FtpServer`, reached through ServerConnection).
class ReportFetch {
public:
    /// The largest report fetched.
    static constexpr std::int64_t MaxReportBytes = 1024 * 1024;

    /// `named` is a certificate the user trusts for this run (ServerConnection).
    explicit ReportFetch(FtpServer server, NamedCertificate named = {});
    ~ReportFetch();
    ReportFetch(const ReportFetch&) = delete;
    ReportFetch& operator=(const ReportFetch&) = delete;

    /// True for a name a report may have: "custGCMList-", at least one
    /// character, ".xml".
    static bool IsReportName(std::string_view name);
    /// True for a name that is safe as a local file name: no "/", no "..",
    /// no control character.
    static bool IsPlainName(std::string_view name);

    /// Connects, lists and fetches into `folder` (created when missing), then
    /// moves each fetched report into `moveTo` on the server when it is not
    /// empty. `status` hears the progress texts and the skipped names
    /// ("Skipped <name>: not a plain file name.", "Skipped <name>: larger than
    /// 1 MiB."). A report that fails is noted and the rest go on; a failure
    /// of the connection or the listing is raised. After `Abort` it raises
    /// what the abort left, having removed the part being fetched.
    FetchedReports Fetch(const std::string& folder, const std::string& moveTo,
                         const std::function<void(const std::string&)>& status);

    /// Stops the running `Fetch` (from a handler that runs while it waits).
    void Abort();

    ftp::FtpClient& Client() { return *ftp_; }

private:
    /// Fetches one report into `folder`; returns its size, or -1 when it was
    /// skipped as too large.
    std::int64_t FetchOne(const std::string& name, const std::string& folder,
                          const std::function<void(const std::string&)>& status);
    void MoveAside(const std::string& name, const std::string& moveTo, bool& folderMade);

    FtpServer server_;
    NamedCertificate named_;
    std::unique_ptr<ftp::FtpClient> ftp_;
    bool abortRequested_ = false;
};

} // namespace quorvane::app
