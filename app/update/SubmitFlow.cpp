#include "app/update/SubmitFlow.h"

#include "app/list/RecordWalk.h"
#include "app/update/UpdateError.h"
#include "net/ftp/FtpClient.h"
#include "net/ftp/FtpErrors.h"
#include "net/transport/SocketIoHandler.h"
#include "xml/MemoryStream.h"
#include "xml/PlatformVendor.h"
#include "xml/XmlDocument.h"
#include "xml/XmlError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quorvane::app {

namespace {

/// The folder reports go to on the update server, as the URL would name it.
constexpr const char* IncomingFolder = "incoming/";

std::string UtcText(std::chrono::system_clock::time_point when, const char* format)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, format, &utc);
    return std::string(text, length);
}

} // namespace

std::string SentSubmission::Text() const
{
    return "Sent as " + name + " (" + std::to_string(records) + " records, " + std::to_string(bytes) + " bytes).";
}

SubmitFlow::SubmitFlow(FtpServer server, NamedCertificate named)
    : server_(std::move(server)), named_(std::move(named)), ftp_(std::make_unique<ftp::FtpClient>())
{
    xml::InitParser();
}

SubmitFlow::~SubmitFlow() = default;

FtpServer SubmitFlow::IncomingFolderOf(FtpServer updateServer)
{
    updateServer.Directory = IncomingFolder;
    return updateServer;
}

CheckedSubmission SubmitFlow::Check(const std::string& path)
{
    CheckedSubmission checked;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::error_code failed;
        const std::filesystem::path full = std::filesystem::absolute(path, failed);
        throw xml::XmlError("Cannot open file \"" + (failed ? path : full.string()) + "\". " + std::strerror(errno));
    }
    // One byte more than the limit is enough to tell a file that is too large.
    checked.bytes.resize(MaxSubmissionBytes + 1);
    file.read(checked.bytes.data(), static_cast<std::streamsize>(checked.bytes.size()));
    if (file.bad())
        throw xml::XmlError("Cannot read file \"" + path + "\". " + std::strerror(errno));
    checked.bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (checked.bytes.size() > MaxSubmissionBytes)
        throw UpdateError("The Custom List is larger than 1 MiB.");

    // The bytes read are the ones checked and sent: an edit that lands while
    // the upload runs cannot tear them.
    xml::XmlDocument document(xml::PlatformVendor);
    xml::MemoryStream stream(checked.bytes);
    document.LoadFromStream(stream);
    RecordWalk::ForEach(document, [&checked](RecordWalk::Record& record) {
        const BootImage image = RecordWalk::Boots(record) ? BootImage::Tick : BootImage::Cross;
        checked.items.push_back(RecordWalk::ReadItem(record, image));
    });
    if (checked.items.empty())
        throw UpdateError("The Custom List has no records.");
    return checked;
}

std::string SubmitFlow::NewName(std::chrono::system_clock::time_point now)
{
    std::random_device source;
    char random[9];
    std::snprintf(random, sizeof random, "%08x", static_cast<unsigned>(source()));
    return "custGCMList-" + UtcText(now, "%Y%m%dT%H%M%SZ") + "-" + random + ".xml";
}

SentSubmission SubmitFlow::Send(const CheckedSubmission& list, const std::function<void(const std::string&)>& status,
                                const std::function<void(std::int64_t)>& progress)
{
    abortRequested_ = false;
    currentName_.clear();
    status("Connecting...");
    ServerConnection::Open(*ftp_, server_, named_, status);
    if (!server_.Directory.empty())
        ftp_->ChangeDirectory(server_.Directory);
    ftp_->OnWork = nullptr;
    if (progress) {
        ftp_->OnWork = [progress](net::NetComponent&, net::WorkMode mode, std::int64_t count) {
            if (mode == net::WorkMode::wmWrite)
                progress(count);
        };
    }
    for (int attempt = 0;; ++attempt) {
        currentName_ = NewName(std::chrono::system_clock::now());
        status("Sending " + currentName_ + "...");
        try {
            ftp_->StoreFile(currentName_, list.bytes);
            break;
        } catch (const ftp::StoredSizeError& error) {
            // What the server keeps is not the report that was sent: it goes,
            // or the user learns where it stays.
            if (!abortRequested_ &&
                DeleteStored(currentName_, static_cast<std::int32_t>(ftp::FtpClient::DefaultPendingReplyTimeout)))
                throw;
            throw UpdateError(std::string(error.what()) + " A partial copy may remain on the server as " +
                              currentName_ + ".");
        } catch (const ftp::ProtocolReplyError& error) {
            // 550 or 553: the name is taken or not allowed; another random
            // part is tried once.
            const bool refusedName = error.ReplyCode() == 550 || error.ReplyCode() == 553;
            if (abortRequested_ || !refusedName || attempt > 0)
                throw;
        }
    }
    ftp_->Disconnect();
    return {currentName_, list.items.size(), list.bytes.size()};
}

void SubmitFlow::Abort()
{
    if (abortRequested_)
        return;
    abortRequested_ = true;
    if (currentName_.empty()) {
        // Nothing has been stored (a connect, a handshake, the login): the
        // connection has nothing left to do and ends at once, without a word.
        // A connect still running stops at the end of its wait slice; only the
        // socket goes, the handler is still in use further up the stack.
        if (net::SocketIoHandler* handler = ftp_->SocketHandler())
            handler->AbortConnect();
        ftp_->DropSocket();
        return;
    }
    // "ABOR" goes and the data connection is closed; a server that ignores
    // both would keep the store waiting for its final reply. That wait ends
    // now, and the connection stays for the "DELE" of RemovePartial.
    ftp_->Abort();
    ftp_->CutWaits(true);
}

bool SubmitFlow::DeleteStored(const std::string& name, std::int32_t limitMs) noexcept
{
    try {
        if (!ftp_->IsConnected())
            return false;
        ftp_->ReadTimeout = limitMs;
        const std::int16_t code = ftp_->SendRawCommand("DELE " + name);
        return code >= 200 && code <= 299;
    } catch (...) {
        return false;
    }
}

void SubmitFlow::RemovePartial() noexcept
{
    if (!currentName_.empty() && ftp_->IsConnected()) {
        // Only replies that come soon are waited for: the command ends an
        // interrupted run.
        ftp_->ReadAbortReplies(AbortReplyTimeoutMs);
        (void)DeleteStored(currentName_, AbortReplyTimeoutMs);
    }
    try {
        ftp_->Disconnect();
    } catch (...) {
    }
}

void SubmitFlow::AppendToLog(const std::string& logPath, const std::string& host, const SentSubmission& sent,
                             std::chrono::system_clock::time_point when)
{
    const std::string line = UtcText(when, "%Y-%m-%dT%H:%M:%SZ") + '\t' + host + '\t' + sent.name + '\t' +
                             std::to_string(sent.records) + '\t' + std::to_string(sent.bytes) + '\n';
    std::ofstream log(logPath, std::ios::binary | std::ios::app);
    log << line;
    log.close();
    if (!log)
        throw UpdateError("Cannot write file \"" + logPath + "\". " + std::strerror(errno));
}

} // namespace quorvane::app
