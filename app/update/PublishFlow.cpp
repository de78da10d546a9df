#include "app/update/PublishFlow.h"

#include "app/list/ListFileNames.h"
#include "app/list/RecordWalk.h"
#include "app/update/DownloadSizeError.h"
#include "app/update/UpdateError.h"
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/SizeReply.h"
#include "xml/MemoryStream.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"
#include "xml/XmlError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>

namespace quorvane::app {

namespace {

/// 8 hex digits from the system's random source, so that two keepers
/// publishing at once never share a temporary name.
std::string RandomHex()
{
    std::random_device source;
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(source()));
    return digits;
}

/// The version of the List File held in `bytes`, and its count of records.
/// Raises the XML layer's error for bytes that do not load.
CheckedList ReadList(std::string bytes)
{
    CheckedList list;
    xml::XmlDocument document(xml::PlatformVendor);
    xml::MemoryStream stream(bytes);
    document.LoadFromStream(stream);
    list.version = RecordWalk::ReadVersion(document);
    RecordWalk::ForEach(document, [&list](RecordWalk::Record&) { ++list.records; });
    list.bytes = std::move(bytes);
    return list;
}

} // namespace

std::string PublishedList::Text() const
{
    return "Published list version " + version + " (" + std::to_string(records) + " records).";
}

PublishFlow::PublishFlow(FtpServer server, NamedCertificate named)
    : server_(std::move(server)), named_(std::move(named)), ftp_(std::make_unique<ftp::FtpClient>())
{
    xml::InitParser();
}

PublishFlow::~PublishFlow() = default;

CheckedList PublishFlow::Check(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::error_code failed;
        const std::filesystem::path full = std::filesystem::absolute(path, failed);
        throw xml::XmlError("Cannot open file \"" + (failed ? path : full.string()) + "\". " + std::strerror(errno));
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw xml::XmlError("Cannot read file \"" + path + "\". " + std::strerror(errno));
    // The bytes checked are the bytes uploaded: an edit that lands while the
    // upload runs cannot tear them. A list without a version would fail every
    // player's update, and one without records would empty every player's list.
    CheckedList list = ReadList(std::move(bytes));
    if (list.version.empty())
        throw UpdateError("The list has no version number.");
    if (list.records == 0)
        throw UpdateError("The list has no records.");
    return list;
}

std::string PublishFlow::ServerVersion()
{
    ftp::FtpClient& ftp = *ftp_;
    ftp.MaxRetrievalBytes = server_.MaxDownloadBytes;
    // As the players' update reads it: the announced size first, so that a
    // short download is never taken for the server's list.
    std::optional<std::uint64_t> announced;
    if (ftp.SendRawCommand(std::string("SIZE ") + MainListFileName) == 213 && !ftp.LastReply.Text().empty())
        announced = ftp::ParseSizeReply(ftp.LastReply.Text().front());
    std::ostringstream received;
    try {
        ftp.RetrieveToStream(MainListFileName, received, ftp::Resume::No);
    } catch (const ftp::ProtocolReplyError& error) {
        // 550: no list there yet, the first publish.
        if (abortRequested_ || error.ReplyCode() != 550 || !ftp.IsConnected())
            throw;
        return {};
    }
    if (abortRequested_)
        throw ftp::ProtocolReplyError(426, "Aborted.");
    std::string bytes = std::move(received).str();
    if (announced && bytes.size() != *announced)
        throw DownloadSizeError(static_cast<std::int64_t>(bytes.size()), static_cast<std::int64_t>(*announced));
    try {
        return ReadList(std::move(bytes)).version;
    } catch (const std::exception&) {
        // A list the players cannot read is what the new one replaces.
        return {};
    }
}

PublishedList PublishFlow::Publish(const CheckedList& list, const std::function<void(const std::string&)>& status,
                                   const std::function<void(std::int64_t)>& progress)
{
    abortRequested_ = false;
    renaming_ = false;
    uploadName_.clear();
    ftp::FtpClient& ftp = *ftp_;
    status("Connecting...");
    ServerConnection::Open(ftp, server_, named_, status);
    if (!server_.Directory.empty())
        ftp.ChangeDirectory(server_.Directory);

    status("Reading the server's list...");
    const std::string serverVersion = ServerVersion();
    if (!serverVersion.empty() && RecordWalk::SameVersion(serverVersion, list.version)) {
        ftp.Disconnect();
        throw UpdateError("The server already has list version " + list.version + ".");
    }

    PublishedList published{list.version, list.records, false, {}};
    ftp.OnWork = nullptr;
    if (progress) {
        ftp.OnWork = [progress](net::NetComponent&, net::WorkMode mode, std::int64_t count) {
            if (mode == net::WorkMode::wmWrite)
                progress(count);
        };
    }
    try {
        // An interrupt that came while the server's list was read ends the
        // run before anything is uploaded.
        if (abortRequested_)
            throw ftp::ProtocolReplyError(426, "Aborted.");
        uploadName_ = UploadPrefix + RandomHex();
        status("Uploading " + uploadName_ + "...");
        // The stored size is checked before anything is renamed.
        ftp.StoreFile(uploadName_, list.bytes);
        ftp.OnWork = nullptr;
        if (abortRequested_)
            throw ftp::ProtocolReplyError(426, "Aborted.");
        renaming_ = true;
        status("Renaming " + uploadName_ + " to " + MainListFileName + "...");
        RenameIntoPlace(published, status);
    } catch (...) {
        ftp.OnWork = nullptr;
        if (!uploadName_.empty())
            (void)Delete(uploadName_);
        uploadName_.clear();
        renaming_ = false;
        ftp.Disconnect();
        throw;
    }
    renaming_ = false;
    ftp.Disconnect();
    return published;
}

void PublishFlow::RenameIntoPlace(PublishedList& published, const std::function<void(const std::string&)>& status)
{
    ftp::FtpClient& ftp = *ftp_;
    // RFC 959 leaves open what "RNTO" does when the new name exists: most
    // servers replace the file in one step, some refuse. Only a refused
    // "RNTO" takes the way round; a refused "RNFR" means the upload is gone.
    ftp.SendCommand("RNFR " + uploadName_, 350);
    try {
        ftp.SendCommand(std::string("RNTO ") + MainListFileName, {200, 250});
        uploadName_.clear();
        return;
    } catch (const ftp::ProtocolReplyError& refused) {
        if (refused.ReplyCode() < 500 || !ftp.IsConnected())
            throw;
    }
    const std::string aside = AsidePrefix + RandomHex();
    status("Moving " + std::string(MainListFileName) + " aside as " + aside + "...");
    ftp.Rename(MainListFileName, aside);
    try {
        ftp.Rename(uploadName_, MainListFileName);
    } catch (...) {
        // The players must not be left without a list.
        try {
            ftp.Rename(aside, MainListFileName);
        } catch (...) {
        }
        throw;
    }
    uploadName_.clear();
    published.movedAside = true;
    if (!Delete(aside))
        published.leftAside = aside;
}

bool PublishFlow::Delete(const std::string& name) noexcept
{
    try {
        if (!ftp_->IsConnected())
            return false;
        // Only a reply that comes soon is waited for: the command may end an
        // interrupted run.
        const std::int32_t saved = ftp_->ReadTimeout;
        ftp_->ReadTimeout = static_cast<std::int32_t>(ftp::FtpClient::DefaultPendingReplyTimeout);
        const std::int16_t code = ftp_->SendRawCommand("DELE " + name);
        ftp_->ReadTimeout = saved;
        return code == 250 || code == 200;
    } catch (...) {
        return false;
    }
}

void PublishFlow::Abort()
{
    if (abortRequested_ || renaming_)
        return;
    abortRequested_ = true;
    ftp_->Abort();
}

} // namespace quorvane::app
