#include "net/ftp/FtpClient.h"

#include "net/ftp/BoundedTextBuffer.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/ListingLines.h"
#include "net/ftp/PortCommand.h"
#include "net/ftp/ReplyParser.h"
#include "net/transport/SimpleServer.h"
#include "net/transport/Socket.h"
#include "net/transport/SocketIoHandler.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace quorvane::ftp {

namespace {

// Frees the data connection when a transfer step ends, however it ends.
class DataConnectionScope {
public:
    explicit DataConnectionScope(std::unique_ptr<net::TcpConnection>& slot) : slot_(slot) {}
    ~DataConnectionScope() { slot_.reset(); }
    DataConnectionScope(const DataConnectionScope&) = delete;
    DataConnectionScope& operator=(const DataConnectionScope&) = delete;

private:
    std::unique_ptr<net::TcpConnection>& slot_;
};

// Ends a waiting AcceptOne after a time limit by asking the listener to abort
// from a second thread (AbortAccept is safe to call from any thread).
class AcceptWatchdog {
public:
    AcceptWatchdog(net::SimpleServer& listener, std::int32_t limitMs)
        : thread_([this, &listener, limitMs] {
              std::unique_lock lock(mutex_);
              if (!stopped_.wait_for(lock, std::chrono::milliseconds(limitMs), [this] { return done_; })) {
                  fired_ = true;
                  listener.AbortAccept();
              }
          })
    {}
    ~AcceptWatchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        stopped_.notify_all();
        thread_.join();
    }
    AcceptWatchdog(const AcceptWatchdog&) = delete;
    AcceptWatchdog& operator=(const AcceptWatchdog&) = delete;

    [[nodiscard]] bool Fired() const { return fired_; }

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool done_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_; // last: starts once the members it uses exist
};

std::string SystemReason()
{
    return std::strerror(errno);
}

} // namespace

FtpClient::FtpClient()
{
    Port = DefaultPort;
    MaxLineAction = net::LineOverflowAction::maException;
}

FtpClient::~FtpClient()
{
    dataConnection_.reset();
}

void FtpClient::SetTransferType(FtpTransferType type)
{
    if (type == transferType_ || dataConnection_)
        return;
    transferType_ = type;
    if (IsConnected())
        ApplyTransferType();
}

void FtpClient::OpenConnection(AutoLogin autoLogin, std::int32_t timeoutMs)
{
    const std::string savedHost = Host;
    const std::int32_t savedPort = Port;
    // A new connection may reach another server: whether it takes "PASV" is
    // asked again.
    passiveRefused_ = false;
    extendedPassive_ = false;
    try {
        if (proxySettings_.ProxyType != FtpProxyType::fpcmNone && !proxySettings_.Host.empty()) {
            Host = proxySettings_.Host;
            Port = proxySettings_.Port;
        }
        try {
            Connect(timeoutMs);
        } catch (...) {
            Host = savedHost;
            Port = savedPort;
            throw;
        }
        Host = savedHost;
        Port = savedPort;

        ReadReply({220});
        GreetingReply.Assign(LastReply);
        if (autoLogin == AutoLogin::Yes) {
            LogIn();
            if (OnAfterClientLogin)
                OnAfterClientLogin(*this);
            ApplyTransferType();
            const std::int16_t code = SendCommand("SYST", {200, 215, 500});
            if (code == 500)
                systemDescription_ = "Unknown";
            else
                systemDescription_ = LastReply.Text().empty() ? std::string() : LastReply.Text().front();
            DoStatus(net::NetStatus::ftpReady, "Connection established");
        }
    } catch (...) {
        // The caller gets the original error; closing must not replace it.
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}

void FtpClient::LogIn()
{
    if (SendCommand("USER " + Username, {230, 331}) == 331)
        SendCommand("PASS " + Password, {230});
    loginReply_.Assign(LastReply);
}

void FtpClient::ApplyTransferType()
{
    SendCommand(transferType_ == FtpTransferType::ftASCII ? "TYPE A" : "TYPE I", {200});
}

void FtpClient::ChangeDirectory(const std::string& path)
{
    SendCommand("CWD " + path, {200, 250});
}

std::int16_t FtpClient::SendRawCommand(const std::string& line)
{
    return SendCommand(line, AnyReply);
}

void FtpClient::ListDirectory(std::vector<std::string>* destination, const std::string& specifier, ListingDetail detail)
{
    BoundedTextBuffer buffer(MaxListingBytes);
    std::ostream stream(&buffer);
    std::string command = detail == ListingDetail::Details ? "LIST" : "NLST";
    const std::string trimmed = TrimBlanks(specifier);
    if (!trimmed.empty())
        command += " " + trimmed;
    try {
        ReceiveData(command, stream, Resume::No);
    } catch (const net::TcpConnectionError&) {
        if (buffer.Overflowed())
            throw ListingTooLongError();
        throw;
    }

    std::vector<std::string> lines = SplitListingLines(buffer.Text());
    if (destination)
        *destination = lines;
    listingLines_ = std::move(lines);
}

void FtpClient::RetrieveFile(const std::string& remoteName, const std::string& localName, Overwrite overwrite,
                             Resume resume)
{
    std::error_code ignored;
    std::ofstream file;
    if (!std::filesystem::exists(localName, ignored)) {
        file.open(localName, std::ios::out | std::ios::binary | std::ios::trunc);
        if (!file)
            throw LocalFileError::CannotCreate(localName, SystemReason());
    } else {
        // The probe runs only when the file exists and a resume was asked for.
        const bool resumeAfterProbe = resume == Resume::Yes && ProbeResumeSupport();
        if ((overwrite == Overwrite::Allow) == resumeAfterProbe)
            throw FtpFileAlreadyExistsError();
        if (overwrite == Overwrite::Allow) {
            file.open(localName, std::ios::out | std::ios::binary | std::ios::trunc);
            if (!file)
                throw LocalFileError::CannotCreate(localName, SystemReason());
            resume = Resume::No;
        } else {
            file.open(localName, std::ios::in | std::ios::out | std::ios::binary);
            if (!file || !file.seekp(0, std::ios::end))
                throw LocalFileError::CannotOpen(localName, SystemReason());
            resume = Resume::Yes;
        }
    }

    RetrieveToStream(remoteName, file, resume);
    file.close();
    if (file.fail())
        throw LocalFileError("Cannot write file \"" + localName + "\". " + SystemReason());
}

void FtpClient::RetrieveToStream(const std::string& remoteName, std::ostream& stream, Resume resume)
{
    if (resume == Resume::Yes && !ProbeResumeSupport())
        resume = Resume::No;
    ReceiveData("RETR " + remoteName, stream, resume);
    if (OnAfterGet)
        OnAfterGet(*this, stream);
}

bool FtpClient::ProbeResumeSupport()
{
    if (resumeProbed_)
        return resumeSupported_;
    resumeProbed_ = true;
    resumeSupported_ = SendRawCommand("REST 1") == 350;
    // Undo the probe's offset so it cannot apply to the next transfer.
    (void)SendRawCommand("REST 0");
    return resumeSupported_;
}

void FtpClient::AbortTransfer()
{
    if (IsConnected())
        WriteLine("ABOR");
    if (!dataConnection_)
        return;
    if (auto* listener = dynamic_cast<net::SimpleServer*>(dataConnection_.get()))
        listener->AbortAccept();
    dataConnection_->DropSocket();
}

void FtpClient::ReceiveData(const std::string& command, std::ostream& stream, Resume resume)
{
    // Without a control connection there is no local address to listen on and
    // no server to talk to.
    if (!IsConnected())
        throw net::NotConnectedError();

    bool commandAccepted = false;
    DoStatus(net::NetStatus::ftpTransfer, "Starting FTP transfer");
    try {
        PassiveAddress address;
        if (Passive && !passiveRefused_ && RequestPassiveOrFallBack(address))
            ReceivePassive(address, command, stream, resume, commandAccepted);
        else
            ReceiveActive(command, stream, resume, commandAccepted);
    } catch (...) {
        DoStatus(net::NetStatus::ftpReady, "Transfer complete");
        // The server answers a command it accepted with a final reply even when
        // the data phase fails; left unread, it would be taken as the answer to
        // the next command.
        if (commandAccepted)
            ReadPendingReply();
        throw;
    }
    DoStatus(net::NetStatus::ftpReady, "Transfer complete");
    ReadFinalReply();
}

bool FtpClient::RequestPassiveOrFallBack(PassiveAddress& address)
{
    // RFC 959: a 5xx reply is a permanent refusal; anything else (and a refusal
    // when no fall-back is wanted) ends the transfer as it is.
    auto refusedForGood = [this](const ProtocolReplyError& error) {
        return PassiveFallsBackToActive && error.ReplyCode() >= 500 && error.ReplyCode() <= 599;
    };
    // "PASV" names an IPv4 address, so an IPv6 connection asks "EPSV" at once.
    if (!extendedPassive_ && !ControlIsInet6()) {
        try {
            address = RequestPassiveAddress();
            return true;
        } catch (const ProtocolReplyError& error) {
            if (!refusedForGood(error))
                throw;
        }
    }
    // RFC 2428: many servers behind firewalls offer only "EPSV".
    try {
        address = RequestExtendedPassiveAddress();
        extendedPassive_ = true;
        return true;
    } catch (const ProtocolReplyError& error) {
        if (!refusedForGood(error))
            throw;
    }
    passiveRefused_ = true;
    return false;
}

void FtpClient::ReadPendingReply() noexcept
{
    const std::int32_t limit =
        PendingReplyTimeout == net::TimeoutDefault ? DefaultPendingReplyTimeout : PendingReplyTimeout;
    if (limit <= 0)
        return;
    const std::int32_t savedTimeout = ReadTimeout;
    ReadTimeout = limit;
    try {
        if (IsConnected()) {
            const std::int16_t code = ReadReply(ReplyCodes());
            if (code == 426 || code == 450)
                ReadReply(ReplyCodes());
        }
    } catch (...) {
        // A server that stays silent (or closes) leaves nothing to mix up; the
        // error of the transfer is the one that matters.
    }
    ReadTimeout = savedTimeout;
}

void FtpClient::ReceiveActive(const std::string& command, std::ostream& stream, Resume resume, bool& commandAccepted)
{
    refusedDataPeer_.clear();
    dataConnection_ = CreateListener();
    DataConnectionScope scope(dataConnection_);
    auto& listener = static_cast<net::SimpleServer&>(*dataConnection_);

    listener.StartListening();
    AnnounceListener(listener);
    if (resume == Resume::Yes)
        SendRestart(stream);
    // In active mode the preliminary reply comes before the server connects.
    SendCommand(command, {125, 150, 154});
    commandAccepted = true;
    AcceptDataConnection(listener);
    ReadDataToStream(listener, stream);
}

void FtpClient::ReceivePassive(const PassiveAddress& address, const std::string& command, std::ostream& stream,
                               Resume resume, bool& commandAccepted)
{
    auto client = std::make_unique<net::TcpClient>();
    PrepareDataConnection(*client);
    client->Host = address.Ip;
    client->Port = address.Port;

    // In passive mode the data connection exists before the command is sent.
    // It becomes the transfer's data connection only once connected, so that
    // an abort never closes a socket a connect is still using.
    ConnectDataConnection(*client, DataConnectLimit());
    dataConnection_ = std::move(client);
    DataConnectionScope scope(dataConnection_);
    auto& data = static_cast<net::TcpClient&>(*dataConnection_);
    try {
        if (resume == Resume::Yes)
            SendRestart(stream);
        WriteLine(command);
        ReadReply({125, 150, 154});
        commandAccepted = true;
        ReadDataToStream(data, stream);
    } catch (...) {
        data.Disconnect();
        throw;
    }
    data.Disconnect();
}

void FtpClient::ConnectDataConnection(net::TcpClient& data, std::int32_t timeoutMs)
{
    data.Connect(timeoutMs);
}

std::int32_t FtpClient::DataConnectLimit() const
{
    if (DataConnectTimeout == net::TimeoutDefault)
        return DefaultDataConnectTimeout;
    if (DataConnectTimeout == 0 || DataConnectTimeout < 0)
        return net::TimeoutInfinite;
    return DataConnectTimeout;
}

PassiveAddress FtpClient::RequestPassiveAddress()
{
    SendCommand("PASV", {227});
    const std::string first = LastReply.Text().empty() ? std::string() : LastReply.Text().front();
    PassiveAddress address = ParsePassiveAddress(first);
    // Only the port is taken from the reply: a server behind a NAT router names
    // its private address, and any other address would let the server aim our
    // data connection at a third machine.
    const std::string server = ControlPeerIp();
    if (!server.empty())
        address.Ip = server;
    return address;
}

PassiveAddress FtpClient::RequestExtendedPassiveAddress()
{
    SendCommand("EPSV", {229});
    const std::string first = LastReply.Text().empty() ? std::string() : LastReply.Text().front();
    PassiveAddress address;
    address.Port = ParseExtendedPassivePort(first);
    address.Ip = ControlPeerIp();
    return address;
}

std::unique_ptr<net::SimpleServer> FtpClient::CreateListener()
{
    auto listener = std::make_unique<net::SimpleServer>();
    PrepareDataConnection(*listener);
    listener->BoundIP = ControlLocalIp();
    listener->BoundPort = 0;
    // Only the server we talk to may deliver the data; a connection from any
    // other address is closed and the wait goes on. The address is kept to be
    // named should the wait end without the server's own connection.
    listener->PeerFilter = [this, server = ControlPeerIp()](const std::string& peerIp, std::int32_t) {
        if (peerIp == server)
            return true;
        refusedDataPeer_ = peerIp;
        return false;
    };
    return listener;
}

void FtpClient::AnnounceListener(net::SimpleServer& listener)
{
    const net::Socket* handle = listener.SocketHandle();
    // "PORT" can only name an IPv4 address (RFC 2428).
    if (handle->Family == net::AddressFamilyInet6)
        SendCommand(FormatExtendedPortCommand(handle->IP, handle->Port), {200});
    else
        SendCommand(FormatPortCommand(handle->IP, handle->Port), {200});
}

void FtpClient::SendRestart(std::ostream& stream)
{
    const std::streamoff position = stream.tellp();
    SendCommand("REST " + std::to_string(position < 0 ? 0 : position), {350});
}

void FtpClient::AcceptDataConnection(net::SimpleServer& listener)
{
    const std::int32_t limit = DataConnectLimit();
    if (limit == net::TimeoutInfinite) {
        (void)listener.AcceptOne();
        return;
    }
    bool accepted = false;
    bool timedOut = false;
    {
        AcceptWatchdog watchdog(listener, limit);
        accepted = listener.AcceptOne();
        timedOut = watchdog.Fired();
    }
    if (!accepted && timedOut)
        throw DataConnectionTimeoutError(limit, refusedDataPeer_, ControlPeerIp());
}

void FtpClient::PrepareDataConnection(net::TcpConnection& data)
{
    data.SendBufferSize = SendBufferSize;
    data.RecvBufferSize = RecvBufferSize;
    // A data connection that goes silent ends like a silent control
    // connection: after the same read time-out (0 still waits without limit).
    data.ReadTimeout = ReadTimeout;
    data.ProgressFloorBytes = ProgressFloorBytes;
    data.ProgressFloorTimeMs = ProgressFloorTimeMs;
    data.OnWork = OnWork;
    data.OnWorkBegin = OnWorkBegin;
    data.OnWorkEnd = OnWorkEnd;
}

void FtpClient::ReadDataToStream(net::TcpConnection& data, std::ostream& stream)
{
    // An accept that was aborted or failed quietly leaves nothing to read.
    if (data.IOHandler() == nullptr || !data.IOHandler()->Connected())
        return;
    data.ReadToStream(stream, -1, net::ReadUntil::Closed);
}

void FtpClient::ReadFinalReply()
{
    const std::int16_t code = ReadReply({225, 226, 250, 426, 450});
    if (code == 426 || code == 450) {
        // RFC 959: after a refused or broken transfer the server still closes
        // the exchange with 226 (or 225).
        ReadReply({226, 225});
        DoStatus(net::NetStatus::ftpAborted, "Transfer aborted");
    }
}

std::string FtpClient::ControlLocalIp() const
{
    const net::SocketIoHandler* handler = SocketHandler();
    return handler && handler->SocketHandle() ? handler->SocketHandle()->IP : std::string();
}

bool FtpClient::ControlIsInet6() const
{
    const net::SocketIoHandler* handler = SocketHandler();
    return handler && handler->SocketHandle() && handler->SocketHandle()->Family == net::AddressFamilyInet6;
}

std::string FtpClient::ControlPeerIp() const
{
    const net::SocketIoHandler* handler = SocketHandler();
    return handler && handler->SocketHandle() ? handler->SocketHandle()->RemoteIP : std::string();
}

} // namespace quorvane::ftp
