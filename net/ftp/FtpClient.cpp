#include "net/ftp/FtpClient.h"

#include "net/ftp/BoundedTextBuffer.h"
#include "net/ftp/FtpErrors.h"
#include "net/ftp/ListingLines.h"
#include "net/ftp/PortCommand.h"
#include "net/ftp/ReplyParser.h"
#include "net/ftp/SizeReply.h"
#include "net/ftp/TransferSink.h"
#include "net/tls/StartTls.h"
#include "net/tls/TlsContext.h"
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

// Sets a value for one scope and puts the old one back, however the scope ends.
template <typename Value>
class RestoreScope {
public:
    RestoreScope(Value& slot, Value value) : slot_(slot), saved_(slot) { slot_ = value; }
    ~RestoreScope() { slot_ = saved_; }
    RestoreScope(const RestoreScope&) = delete;
    RestoreScope& operator=(const RestoreScope&) = delete;

private:
    Value& slot_;
    Value saved_;
};

// RFC 959: 4xx and 5xx are the negative completion replies.
bool IsNegative(std::int16_t code)
{
    return code >= 400 && code <= 599;
}

// Whether a failed transfer's error says more than the server's final reply
// would: a reply of its own, or a data connection refused for its certificate.
bool SaysMoreThanFinalReply(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ProtocolReplyError&) {
        return true;
    } catch (const DataCertificateError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

struct FtpClient::Transfer {
    TransferDirection direction;
    const std::string& command;
    /// A retrieval: where the bytes go, and the stream whose position a
    /// restart names (`Resume::Yes`).
    net::ByteSink* sink = nullptr;
    std::ostream* stream = nullptr;
    Resume resume = Resume::No;
    /// A store: the bytes sent.
    std::string_view bytes{};
    bool commandAccepted = false;
};

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
    tlsContext_.reset();
    dataProtected_ = false;
    controlTrust_ = CertificateTrust::None;
    controlFingerprint_.clear();
    // A TLS layer left by a connection that the server ended goes with it; the
    // next connection starts in the clear.
    if (IOHandler() != nullptr && IOHandler()->Underlying() != nullptr && !IOHandler()->Connected())
        SetIOHandler(nullptr, net::Ownership::Borrowed);
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
        const bool secured = Security != FtpSecurity::Plain && SecureControlConnection();
        if (autoLogin == AutoLogin::Yes) {
            LogIn();
            if (secured) {
                // RFC 4217: a buffer size of 0 (TLS needs none), then data
                // connections protected as the control connection is.
                SendCommand("PBSZ 0", {200});
                SendCommand("PROT P", {200});
                dataProtected_ = true;
            }
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

bool FtpClient::SecureControlConnection()
{
    const bool whenOffered = Security == FtpSecurity::TlsWhenOffered;
    if (!whenOffered && OnSecuring)
        OnSecuring(*this);
    if (SendCommand("AUTH TLS", AnyReply) != 234) {
        if (!whenOffered)
            throw TlsNotOfferedError();
        // A server without TLS: everything from here on is as on a plain connection.
        return false;
    }
    if (whenOffered && OnSecuring)
        OnSecuring(*this);
    tlsContext_ = std::make_shared<net::TlsContext>();
    const net::TlsVerification verification =
        OnUnverifiedCertificate ? net::TlsVerification::EncryptionOnly : Verification();
    const net::ConnectionSecurity security =
        net::StartTls(*this, tlsContext_, net::TlsRole::Control, {verification, TrustedFingerprint}, Host, ReadLimit());
    controlFingerprint_ = security.fingerprint;
    if (security.verified) {
        controlTrust_ = CertificateTrust::Verified;
    } else if (!TrustedFingerprint.empty() && controlFingerprint_ == TrustedFingerprint) {
        controlTrust_ = CertificateTrust::Fingerprint;
    } else {
        const UnverifiedCertificate certificate{security.certificate, security.unverifiedReason, controlFingerprint_};
        if (OnUnverifiedCertificate && OnUnverifiedCertificate(certificate)) {
            TrustedFingerprint = certificate.fingerprint;
            controlTrust_ = CertificateTrust::Fingerprint;
        } else if (!whenOffered) {
            throw net::TlsCertificateError(certificate.reason, certificate.fingerprint);
        } else {
            controlTrust_ = CertificateTrust::EncryptionOnly;
        }
    }
    if (OnSecured)
        OnSecured(*this);
    return true;
}

net::TlsVerification FtpClient::Verification() const noexcept
{
    return Security == FtpSecurity::TlsWhenOffered ? net::TlsVerification::EncryptionOnly
                                                   : net::TlsVerification::Require;
}

net::ConnectionSecurity FtpClient::ControlSecurity() const
{
    return IOHandler() != nullptr ? IOHandler()->SecurityInfo() : net::ConnectionSecurity();
}

std::string FtpClient::ServerFingerprint() const
{
    return ControlSecurity().fingerprint;
}

std::string FtpClient::UnverifiedReason() const
{
    return controlTrust_ == CertificateTrust::EncryptionOnly ? ControlSecurity().unverifiedReason : std::string();
}

std::string FtpClient::TlsVersion() const
{
    return ControlSecurity().version;
}

std::int32_t FtpClient::ReadLimit() const
{
    return ReadTimeout == 0 || ReadTimeout == net::TimeoutInfinite ? net::TimeoutInfinite : ReadTimeout;
}

void FtpClient::SecureDataConnection(net::TcpConnection& data)
{
    // Data connections are protected from the moment the server accepted "PROT P".
    if (!dataProtected_ || data.IOHandler() == nullptr || !data.IOHandler()->Connected())
        return;
    // Behind a control certificate that verified, the data connection's must
    // verify for the same host; behind one taken by its fingerprint or for
    // encryption only, it must be that very certificate.
    const bool verified = controlTrust_ == CertificateTrust::Verified;
    const net::TlsTrust trust{verified ? net::TlsVerification::Require : net::TlsVerification::EncryptionOnly, {}};
    net::ConnectionSecurity security;
    try {
        security = net::StartTls(data, tlsContext_, net::TlsRole::Data, trust, Host, ReadLimit());
    } catch (const net::TlsCertificateError& error) {
        throw DataCertificateError(error.Reason());
    }
    // Only the server that holds the control connection's session can resume it.
    if (!verified && !security.sessionReused && security.fingerprint != controlFingerprint_)
        throw DataCertificateError("another certificate than the control connection's");
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

void FtpClient::Rename(const std::string& from, const std::string& to)
{
    // RFC 959: "RNFR" answers 350 and waits for "RNTO", which does the work.
    SendCommand("RNFR " + from, 350);
    SendCommand("RNTO " + to, {200, 250});
}

void FtpClient::MakeDirectory(const std::string& path)
{
    SendCommand("MKD " + path, 257);
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
    } catch (const net::NetError&) {
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

    const auto cannotWrite = [&localName](const std::string& reason) {
        std::error_code failed;
        const std::filesystem::path full = std::filesystem::absolute(localName, failed);
        return LocalFileError::CannotWrite(failed ? localName : full.string(), reason);
    };
    try {
        RetrieveToStream(remoteName, file, resume);
    } catch (const StreamWriteError& error) {
        throw cannotWrite(std::strerror(error.ErrorCode()));
    }
    file.close();
    if (file.fail())
        throw cannotWrite(SystemReason());
}

void FtpClient::RetrieveToStream(const std::string& remoteName, std::ostream& stream, Resume resume)
{
    if (resume == Resume::Yes && !ProbeResumeSupport())
        resume = Resume::No;
    Receive("RETR " + remoteName, stream, resume, MaxRetrievalBytes);
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
    if (IsConnected()) {
        // "ABOR" is sent only if it can go at once: a control connection that
        // is still connecting, or one whose sends are stuck, must not hold
        // the abort for the length of the read limit.
        RestoreScope<std::int32_t> noWait(ReadTimeout, 1);
        WriteLine("ABOR");
    }
    // A connect still running owns its socket: it is asked to stop, and ends
    // at the end of its current wait slice.
    if (connectingData_ != nullptr && connectingData_->SocketHandler() != nullptr)
        connectingData_->SocketHandler()->AbortConnect();
    if (!dataConnection_)
        return;
    if (auto* listener = dynamic_cast<net::SimpleServer*>(dataConnection_.get()))
        listener->AbortAccept();
    dataConnection_->DropSocket();
}

void FtpClient::Abort() noexcept
{
    if (net::SocketIoHandler* handler = SocketHandler())
        handler->AbortConnect();
    try {
        AbortTransfer();
    } catch (const std::exception&) {
        // A server that is gone needs no "ABOR".
    }
}

void FtpClient::ReadAbortReplies(std::int32_t limitMs) noexcept
{
    CutWaits(false);
    // RFC 959: a transfer that "ABOR" broke off is answered 426, then the
    // abort itself 226; one that had ended, 226 and 226.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    try {
        for (int reply = 0; reply < 2 && IsConnected(); ++reply) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            ReadOptionalReply(static_cast<std::int32_t>(left.count()));
        }
    } catch (...) {
        // A reply cut off or refused changes nothing: the abort has ended the transfer.
    }
}

void FtpClient::ReceiveData(const std::string& command, std::ostream& stream, Resume resume)
{
    Receive(command, stream, resume, -1);
}

void FtpClient::Receive(const std::string& command, std::ostream& stream, Resume resume, std::int64_t maxBytes)
{
    TransferSink sink(stream, maxBytes);
    Transfer transfer{.direction = TransferDirection::Retrieve,
                      .command = command,
                      .sink = &sink,
                      .stream = &stream,
                      .resume = resume};
    RunTransfer(transfer);
}

void FtpClient::StoreFile(const std::string& remoteName, std::string_view bytes)
{
    const std::string command = "STOR " + remoteName;
    Transfer transfer{.direction = TransferDirection::Store, .command = command, .bytes = bytes};
    RunTransfer(transfer);
    CheckStoredSize(remoteName, bytes.size());
}

void FtpClient::RunTransfer(Transfer& transfer)
{
    // Without a control connection there is no local address to listen on and
    // no server to talk to.
    if (!IsConnected())
        throw net::NotConnectedError();

    DoStatus(net::NetStatus::ftpTransfer, "Starting FTP transfer");
    try {
        PassiveAddress address;
        if (Passive && !passiveRefused_ && RequestPassiveOrFallBack(address))
            TransferPassive(address, transfer);
        else
            TransferActive(transfer);
    } catch (...) {
        DoStatus(net::NetStatus::ftpReady, "Transfer complete");
        if (!transfer.commandAccepted)
            throw;
        // The server answers a command it accepted with a final reply even when
        // the data phase fails; left unread, it would be taken as the answer to
        // the next command.
        const std::int16_t code = DrainPendingReply();
        // A server that stops taking bytes (a full disk, a quota) usually closes
        // the data connection and says why in its final reply; that reply, not
        // the broken connection, is what the user needs to read.
        if (transfer.direction == TransferDirection::Store && IsNegative(code) &&
            !SaysMoreThanFinalReply(std::current_exception()))
            RaiseReplyError();
        throw;
    }
    DoStatus(net::NetStatus::ftpReady, "Transfer complete");
    ReadFinalReply();
}

void FtpClient::TransferActive(Transfer& transfer)
{
    DataConnectionScope scope(dataConnection_);
    net::SimpleServer& listener = StartActiveListener();
    if (transfer.resume == Resume::Yes)
        SendRestart(*transfer.stream);
    // In active mode the preliminary reply comes before the server connects.
    SendCommand(transfer.command, {125, 150, 154});
    transfer.commandAccepted = true;
    AcceptDataConnection(listener);
    // An accept that was aborted or failed quietly leaves nothing to read (the
    // final reply tells what became of the retrieval) and nowhere to send to.
    if (listener.IOHandler() == nullptr || !listener.IOHandler()->Connected()) {
        if (transfer.direction == TransferDirection::Store)
            throw net::ConnClosedGracefullyError();
        return;
    }
    MoveData(listener, transfer);
    if (transfer.direction == TransferDirection::Store)
        EndUpload(listener);
}

void FtpClient::TransferPassive(const PassiveAddress& address, Transfer& transfer)
{
    OpenPassiveDataConnection(address);
    DataConnectionScope scope(dataConnection_);
    auto& data = static_cast<net::TcpClient&>(*dataConnection_);
    try {
        if (transfer.resume == Resume::Yes)
            SendRestart(*transfer.stream);
        WriteCommand(transfer.command);
        ReadReply({125, 150, 154});
        transfer.commandAccepted = true;
        MoveData(data, transfer);
    } catch (...) {
        data.Disconnect();
        throw;
    }
    if (transfer.direction == TransferDirection::Store)
        EndUpload(data);
    else
        data.Disconnect();
}

void FtpClient::MoveData(net::TcpConnection& data, Transfer& transfer)
{
    // RFC 4217: the client is the TLS client on a data connection in both modes.
    SecureDataConnection(data);
    if (transfer.direction == TransferDirection::Store) {
        WriteDataFromBytes(data, transfer.bytes);
        return;
    }
    if (data.IOHandler() == nullptr || !data.IOHandler()->Connected())
        return;
    data.ReadToStream(*transfer.sink, -1, net::ReadUntil::Closed);
}

std::int16_t FtpClient::DrainPendingReply() noexcept
{
    std::int16_t code = 0;
    try {
        if (IsConnected())
            code = ReadReplyWithin(PendingReplyLimit());
    } catch (...) {
        // A server that stays silent has had its control connection closed by
        // the reply reader; one that closes leaves nothing to mix up. The
        // error of the transfer is the one that matters.
        return 0;
    }
    if (IsNegative(code))
        ReadFollowUp();
    return code;
}

void FtpClient::ReadFollowUp() noexcept
{
    // RFC 959: a refused or broken transfer (426, 450, 451, 452, ...) may be
    // followed by a 226 or 225 that closes the exchange. It is read if it
    // comes soon, so that it cannot answer the next command; the refusal stays
    // the reply that says why.
    RfcReply refusal;
    refusal.Assign(LastReply);
    try {
        ReadOptionalReply(PendingReplyLimit());
    } catch (...) {
        // A follow-up that went wrong does not hide the server's reason.
    }
    LastReply.Assign(refusal);
}

net::SimpleServer& FtpClient::StartActiveListener()
{
    refusedDataPeer_.clear();
    dataConnection_ = CreateListener();
    auto& listener = static_cast<net::SimpleServer&>(*dataConnection_);
    listener.StartListening();
    AnnounceListener(listener);
    return listener;
}

void FtpClient::OpenPassiveDataConnection(const PassiveAddress& address)
{
    auto client = std::make_unique<net::TcpClient>();
    PrepareDataConnection(*client);
    client->Host = address.Ip;
    client->Port = address.Port;
    // In passive mode the data connection exists before the command is sent.
    // It becomes the transfer's data connection only once connected, so that
    // an abort never closes a socket a connect is still using; meanwhile an
    // abort asks the connect to stop.
    {
        RestoreScope<net::TcpClient*> connecting(connectingData_, client.get());
        ConnectDataConnection(*client, DataConnectLimit());
    }
    dataConnection_ = std::move(client);
}

void FtpClient::EndUpload(net::TcpConnection& data)
{
    // RFC 959: the end of the file is the close of the data connection; the
    // final reply comes only after it. A close with unread bytes waiting (a
    // TLS 1.3 session ticket) would reset the connection instead, and the
    // server may then drop bytes it has not read yet. So the sending side is
    // ended first and the server's own close awaited, within the short limit.
    if (data.IOHandler() != nullptr && data.IOHandler()->Connected()) {
        try {
            data.IOHandler()->ShutdownSend();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PendingReplyLimit());
            while (data.IsConnected()) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0 ||
                    data.FillInputBuffer(net::IfDisconnected::Return, static_cast<std::int32_t>(left.count()),
                                         net::IfTimedOut::Return) < 0)
                    break;
                data.ReceiveQueue().Clear();
            }
        } catch (const net::NetError&) {
            // The server ended the connection its own way; the final reply says
            // whether it took the file.
        }
    }
    data.Disconnect();
}

void FtpClient::WriteDataFromBytes(net::TcpConnection& data, std::string_view bytes)
{
    // One progress window over the whole file, so that a peer taking a byte
    // now and then cannot hold the upload for ever.
    net::TcpConnection::ProgressScope progress(data);
    const std::size_t chunk = static_cast<std::size_t>(std::max<std::int32_t>(data.Limits().SendBufferSize, 1));
    data.BeginWork(net::WorkMode::wmWrite, static_cast<std::int64_t>(bytes.size()));
    try {
        for (std::size_t position = 0; position < bytes.size(); position += chunk)
            data.WriteBytes(bytes.data() + position, std::min(chunk, bytes.size() - position));
    } catch (...) {
        data.EndWork(net::WorkMode::wmWrite);
        throw;
    }
    data.EndWork(net::WorkMode::wmWrite);
}

void FtpClient::CheckStoredSize(const std::string& remoteName, std::uint64_t sent)
{
    // RFC 3659: 213 with the size. Write-only folders refuse to tell (550),
    // and some servers do not know the command: the size is then unknown,
    // which is no failure.
    if (SendRawCommand("SIZE " + remoteName) != 213)
        return;
    const std::string first = LastReply.Text().empty() ? std::string() : LastReply.Text().front();
    const std::optional<std::uint64_t> stored = ParseSizeReply(first);
    if (stored && *stored != sent)
        throw StoredSizeError(*stored, sent);
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

std::int32_t FtpClient::PendingReplyLimit() const
{
    return PendingReplyTimeout == net::TimeoutDefault ? DefaultPendingReplyTimeout : PendingReplyTimeout;
}

std::int16_t FtpClient::ReadReplyWithin(std::int32_t limitMs)
{
    // A read time-out of 0 would mean no limit: the shortest real wait stands
    // for "only a reply that is already there".
    RestoreScope<std::int32_t> limit(ReadTimeout, limitMs == 0 ? 1 : limitMs);
    return ReadReply(ReplyCodes());
}

void FtpClient::ReadOptionalReply(std::int32_t limitMs)
{
    // A reply that may never come is read only once it starts to arrive; its
    // absence is no failure and leaves the connection as it is.
    if (ReceiveQueue().Empty() &&
        FillInputBuffer(net::IfDisconnected::Return, limitMs == 0 ? 1 : limitMs, net::IfTimedOut::Return) <= 0)
        return;
    (void)ReadReplyWithin(limitMs);
}

void FtpClient::ConnectDataConnection(net::TcpClient& data, std::int32_t timeoutMs)
{
    data.Connect(timeoutMs);
}

std::int32_t FtpClient::DataConnectLimit() const
{
    return DataConnectTimeout == net::TimeoutDefault ? DefaultDataConnectTimeout : DataConnectTimeout;
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
    // A data connection works within this client's limits: one that goes
    // silent ends like a silent control connection, after the same read
    // time-out. It lives inside the client (dataConnection_), so it never
    // reads them after the client is gone.
    data.ReadLimitsFrom(this);
    data.OnWork = OnWork;
    data.OnWorkBegin = OnWorkBegin;
    data.OnWorkEnd = OnWorkEnd;
}

void FtpClient::ReadFinalReply()
{
    const std::int16_t code = ReadReply(ReplyCodes());
    if (code == 225 || code == 226 || code == 250)
        return;
    if (!IsNegative(code))
        RaiseReplyError();
    ReadFollowUp();
    if (code == 426 || code == 450)
        DoStatus(net::NetStatus::ftpAborted, "Transfer aborted");
    RaiseReplyError();
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
