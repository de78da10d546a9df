#include "app/update/ReportFetch.h"

#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/SizeReply.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

namespace quorvane::app {

namespace {

constexpr std::string_view ReportPrefix = "custGCMList-";
constexpr std::string_view ReportSuffix = ".xml";
/// Where a report is received before it takes its name.
constexpr const char* PartialSuffix = ".part";

/// The size the server names for `name` ("SIZE", RFC 3659), or none when it
/// does not say.
std::optional<std::uint64_t> AnnouncedSize(ftp::FtpClient& ftp, const std::string& name)
{
    if (ftp.SendRawCommand("SIZE " + name) != 213 || ftp.LastReply.Text().empty())
        return std::nullopt;
    return ftp::ParseSizeReply(ftp.LastReply.Text().front());
}

} // namespace

std::string FetchedReports::Text() const
{
    return "Fetched " + std::to_string(reports) + " reports (" + std::to_string(bytes) + " bytes) into reports/.";
}

ReportFetch::ReportFetch(FtpServer server, NamedCertificate named)
    : server_(std::move(server)), named_(std::move(named)), ftp_(std::make_unique<ftp::FtpClient>())
{}

ReportFetch::~ReportFetch() = default;

bool ReportFetch::IsReportName(std::string_view name)
{
    return name.size() > ReportPrefix.size() + ReportSuffix.size() &&
           name.substr(0, ReportPrefix.size()) == ReportPrefix &&
           name.substr(name.size() - ReportSuffix.size()) == ReportSuffix;
}

bool ReportFetch::IsPlainName(std::string_view name)
{
    if (name.find('/') != std::string_view::npos || name.find("..") != std::string_view::npos)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

FetchedReports ReportFetch::Fetch(const std::string& folder, const std::string& moveTo,
                                  const std::function<void(const std::string&)>& status)
{
    abortRequested_ = false;
    ftp::FtpClient& ftp = *ftp_;
    status("Connecting...");
    ServerConnection::Open(ftp, server_, named_, status);
    if (!server_.Directory.empty())
        ftp.ChangeDirectory(server_.Directory);
    // Names only: a detailed listing's layout is the server's own, and a
    // name is all a report needs.
    std::vector<std::string> names;
    ftp.ListDirectory(&names, {}, ftp::ListingDetail::NamesOnly);
    std::sort(names.begin(), names.end());

    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    if (failed)
        throw std::system_error(failed, "Cannot create folder \"" + folder + "\"");

    FetchedReports fetched;
    bool folderMade = false;
    for (const std::string& name : names) {
        if (!IsReportName(name))
            continue;
        // Names come from the server: only a plain name becomes a local path.
        if (!IsPlainName(name)) {
            status("Skipped " + name + ": not a plain file name.");
            continue;
        }
        if (std::filesystem::exists(std::filesystem::path(folder) / name, failed))
            continue;
        std::string step = "Cannot fetch " + name + ". ";
        try {
            const std::int64_t size = FetchOne(name, folder, status);
            if (size < 0)
                continue;
            ++fetched.reports;
            fetched.bytes += size;
            step = "Cannot move " + name + " to " + moveTo + ". ";
            if (!moveTo.empty())
                MoveAside(name, moveTo, folderMade);
        } catch (const std::exception& e) {
            if (abortRequested_ || !ftp.IsConnected())
                throw;
            fetched.failures.push_back(step + e.what());
        }
    }
    ftp.Disconnect();
    return fetched;
}

std::int64_t ReportFetch::FetchOne(const std::string& name, const std::string& folder,
                                   const std::function<void(const std::string&)>& status)
{
    ftp::FtpClient& ftp = *ftp_;
    const std::optional<std::uint64_t> announced = AnnouncedSize(ftp, name);
    if (announced && *announced > static_cast<std::uint64_t>(MaxReportBytes)) {
        status("Skipped " + name + ": larger than 1 MiB.");
        return -1;
    }
    status("Fetching " + name + "...");
    const std::filesystem::path target = std::filesystem::path(folder) / name;
    const std::string partial = target.string() + PartialSuffix;
    std::error_code ignored;
    ftp.MaxRetrievalBytes = MaxReportBytes;
    try {
        ftp.RetrieveFile(name, partial, ftp::Overwrite::Allow, ftp::Resume::No);
        if (abortRequested_)
            throw ftp::ProtocolReplyError(426, "Aborted.");
        const auto received = static_cast<std::int64_t>(std::filesystem::file_size(partial));
        // A server that closes the data connection early may still answer
        // 226: only the count tells a short file from a whole one.
        if (announced && static_cast<std::uint64_t>(received) != *announced)
            throw std::runtime_error("Received " + std::to_string(received) + " bytes of " +
                                     std::to_string(*announced) + ".");
        std::filesystem::rename(partial, target);
        return received;
    } catch (const ftp::FileTooLargeError&) {
        std::filesystem::remove(partial, ignored);
        if (abortRequested_)
            throw;
        status("Skipped " + name + ": larger than 1 MiB.");
        return -1;
    } catch (...) {
        std::filesystem::remove(partial, ignored);
        throw;
    }
}

void ReportFetch::MoveAside(const std::string& name, const std::string& moveTo, bool& folderMade)
{
    ftp::FtpClient& ftp = *ftp_;
    std::string folder = moveTo;
    if (folder.back() != '/')
        folder += '/';
    try {
        ftp.Rename(name, folder + name);
    } catch (const ftp::ProtocolReplyError&) {
        // The folder may be missing: it is made once, and the move tried again.
        if (folderMade || abortRequested_)
            throw;
        folderMade = true;
        ftp.MakeDirectory(moveTo);
        ftp.Rename(name, folder + name);
    }
}

void ReportFetch::Abort()
{
    if (abortRequested_)
        return;
    abortRequested_ = true;
    ftp_->Abort();
}

} // namespace quorvane::app
