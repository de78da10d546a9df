#include "net/transport/SocketIoHandler.h"

#include "net/transport/AntiFreezeBase.h"
#include "net/transport/ConnectThread.h"
#include "net/transport/HostLookup.h"
#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"
#include "net/transport/SocketStack.h"
#include "net/transport/Timeouts.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace quorvane::net {
namespace {

constexpr int kLevelTcp = 6;
constexpr int kTcpNoDelay = 1;

// A socket call's result with its reason, read on this thread before anything else can
// replace it.
IoResult Completed(long result)
{
    return result == SocketFailed ? IoResult::Failure(SocketStack::Shared().LastSocketError())
                                  : IoResult::Moved(result);
}

void Sleep(std::int32_t ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

SocketIoHandler::SocketIoHandler() = default;

SocketIoHandler::~SocketIoHandler()
{
    Close();
}

void SocketIoHandler::Open()
{
    if (socketHandle_) {
        // A socket left open by an earlier use is closed rather than forgotten.
        socketHandle_->CloseSocket();
        socketHandle_->Reset(Socket::ResetScope::AlsoLocal);
    } else {
        socketHandle_ = std::make_unique<Socket>();
    }
}

void SocketIoHandler::Close()
{
    if (connecting_) {
        AbortConnect();
        return;
    }
    if (socketHandle_)
        socketHandle_->CloseSocket();
}

bool SocketIoHandler::Connected()
{
    return socketHandle_ && socketHandle_->HasSocket;
}

bool SocketIoHandler::WaitReadable(std::int32_t timeoutMs)
{
    if (!socketHandle_)
        throw ConnClosedGracefullyError();
    return socketHandle_->WaitReadable(timeoutMs);
}

IoResult SocketIoHandler::Recv(void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    return Completed(socketHandle_->Recv(buffer, length));
}

IoResult SocketIoHandler::Send(const void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    return Completed(socketHandle_->Send(buffer, length));
}

void SocketIoHandler::ShutdownSend()
{
    if (Connected())
        (void)SocketStack::Shared().ShutdownSocket(socketHandle_->OsHandle, net::ShutdownSend);
}

bool SocketIoHandler::WaitWritable(std::int32_t timeoutMs)
{
    if (!socketHandle_)
        throw ConnClosedGracefullyError();
    return socketHandle_->WaitWritable(timeoutMs);
}

IoResult SocketIoHandler::SendNow(const void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    return Completed(socketHandle_->SendNow(buffer, length));
}

void SocketIoHandler::ConnectClient(const std::string& host, std::int32_t port, std::int32_t timeoutMs,
                                    std::int32_t boundPortMax, std::int32_t boundPortMin, std::int32_t boundPort,
                                    const std::string& boundIp)
{
    if (!socketHandle_)
        Open();
    connectAborted_ = false;
    SocketStack& stack = SocketStack::Shared();
    const LocalBinding binding{boundIp, boundPort, boundPortMin, boundPortMax};
    // The socket is created and bound before the name is looked up, so a local address
    // that cannot be bound fails first. A host of the other family gets a socket of its
    // own, and so does every address when this family cannot open sockets here: its own
    // addresses then fail in turn, with the same error.
    std::exception_ptr ignored;
    OpenAndBind(*socketHandle_, FamilyOfAddressText(boundIp), binding, ignored);

    if (!stack.IsIpLiteral(host))
        DoStatus(NetStatus::hsResolving, host);

    // 0 means the default here, as -1 does (Timeouts.h).
    const bool defaultLimit = timeoutMs == TimeoutDefault || timeoutMs == 0;
    if (defaultLimit && !AntiFreezeBase::AntiFreezeInUse()) {
        PlainConnect(Reachable(stack.ResolveAddresses(host), binding), port, binding);
        return;
    }
    WatchedConnect(host, port, defaultLimit ? DefaultConnectTimeout : timeoutMs, binding);
}

bool SocketIoHandler::OpenAndBind(Socket& socket, int family, const LocalBinding& binding, std::exception_ptr& failure)
{
    try {
        socket.OpenSocketOfFamily(family, SocketTypeStream, ProtocolDefault);
    } catch (const InvalidSocketError&) {
        failure = std::current_exception();
        return false;
    }
    socket.IP = FamilyOfAddressText(binding.Ip) == family ? binding.Ip : std::string();
    socket.Port = binding.Port;
    socket.ClientPortMin = binding.PortMin;
    socket.ClientPortMax = binding.PortMax;
    socket.Bind();
    return true;
}

void SocketIoHandler::PrepareAttempt(Socket& socket, const IpAddress& address, std::int32_t port)
{
    socket.SetRemote(address.Text, port);
    if (!UseNagle) {
        const std::int32_t on = 1;
        socket.SetOption(kLevelTcp, kTcpNoDelay, &on, sizeof on);
    }
    DoStatus(NetStatus::hsConnecting, address.Text);
}

std::vector<IpAddress> SocketIoHandler::Reachable(std::vector<IpAddress> addresses, const LocalBinding& binding)
{
    // A bound local address can only reach addresses of its own family.
    if (!binding.Ip.empty()) {
        const int family = FamilyOfAddressText(binding.Ip);
        std::erase_if(addresses, [family](const IpAddress& address) { return address.Family != family; });
    }
    if (addresses.empty())
        SocketStack::Shared().RaiseStackError(SocketErrorCode::AddressFamilyNotSupported);
    return addresses;
}

void SocketIoHandler::PlainConnect(const std::vector<IpAddress>& addresses, std::int32_t port,
                                   const LocalBinding& binding)
{
    Socket& handle = *socketHandle_;
    SocketStack& stack = SocketStack::Shared();
    std::exception_ptr failure;
    // The socket made before the look-up serves the first attempt of its family; every
    // further attempt gets a fresh one, as a failed connect leaves a socket unusable.
    bool handleFresh = true;
    for (const IpAddress& address : addresses) {
        if (!handleFresh || !handle.HasSocket || handle.Family != address.Family) {
            if (!OpenAndBind(handle, address.Family, binding, failure))
                continue;
        }
        handleFresh = false;
        PrepareAttempt(handle, address, port);
        const int result = handle.Connect(handle.Family);
        if (result != SocketFailed)
            return;
        try {
            stack.CheckSocketResult(result);
        } catch (const SocketError&) {
            // The next address may answer; the last one's error is raised below.
            failure = std::current_exception();
        }
    }
    std::rethrow_exception(failure);
}

void SocketIoHandler::WatchedConnect(const std::string& host, std::int32_t port, std::int32_t timeoutMs,
                                     const LocalBinding& binding)
{
    using Clock = std::chrono::steady_clock;
    Socket& handle = *socketHandle_;
    SocketStack& stack = SocketStack::Shared();
    // Until every worker has reported, Close only aborts (see Close).
    struct ConnectingScope {
        bool& flag;
        explicit ConnectingScope(bool& connecting) : flag(connecting) { flag = true; }
        ~ConnectingScope() { flag = false; }
        ConnectingScope(const ConnectingScope&) = delete;
        ConnectingScope& operator=(const ConnectingScope&) = delete;
    } connecting(connecting_);

    // One connect attempt: its socket (the handle's own or one of its own) and its worker.
    // The worker is declared last, so it is stopped and joined before its socket closes.
    struct Attempt {
        std::unique_ptr<Socket> ownSocket;
        Socket* socket = nullptr;
        std::unique_ptr<ConnectThread> worker;
        bool ended = false;
    };
    std::vector<Attempt> attempts;
    std::vector<IpAddress> addresses;
    // Names are looked up on a thread of their own, inside the same limit as the connect.
    // The resolver cannot be interrupted: at the limit the look-up is abandoned, which
    // leaves its thread running past this call until the resolver gives up.
    std::unique_ptr<HostLookup> lookup;
    if (SocketStack::IsLocalHostName(host) || stack.IsIpLiteral(host))
        addresses = Reachable(stack.ResolveAddresses(host), binding);
    else
        lookup = std::make_unique<HostLookup>(host, stack.DetachedLookUp());

    std::size_t next = 0;
    bool handleInUse = false;
    Clock::time_point lastStart;
    Attempt* winner = nullptr;
    std::exception_ptr lastFailure;
    std::int32_t lookupError = 0;

    // Starts the attempt on the next address; false when no socket could be made for it.
    auto startAttempt = [&] {
        const IpAddress& address = addresses[next++];
        Attempt attempt;
        if (!handleInUse && handle.HasSocket && handle.Family == address.Family) {
            handleInUse = true;
            attempt.socket = &handle;
        } else {
            attempt.ownSocket = std::make_unique<Socket>();
            if (!OpenAndBind(*attempt.ownSocket, address.Family, binding, lastFailure))
                return false;
            attempt.socket = attempt.ownSocket.get();
        }
        PrepareAttempt(*attempt.socket, address, port);
        attempt.worker = std::make_unique<ConnectThread>(*attempt.socket);
        attempts.push_back(std::move(attempt));
        lastStart = Clock::now();
        return true;
    };
    // Takes in what the look-up and the workers have finished and starts the next attempt
    // when it is due; true once the connect is decided.
    auto decided = [&] {
        if (lookup) {
            if (!lookup->Finished())
                return false;
            lookupError = lookup->ErrorCode();
            if (lookupError != 0)
                return true;
            addresses = Reachable(SocketStack::InterleaveFamilies(lookup->Addresses()), binding);
            lookup.reset();
        }
        bool running = false;
        for (Attempt& attempt : attempts) {
            if (attempt.ended)
                continue;
            if (!attempt.worker->Finished()) {
                running = true;
                continue;
            }
            attempt.ended = true;
            std::string error = attempt.worker->ErrorText();
            if (error.empty()) {
                winner = &attempt;
                return true;
            }
            lastFailure = std::make_exception_ptr(ConnectError(error, attempt.worker->ErrorCode()));
        }
        const bool due = Clock::now() - lastStart >= std::chrono::milliseconds(AttemptDelay);
        while (next < addresses.size() && (!running || due)) {
            if (startAttempt()) {
                running = true;
                break;
            }
        }
        return !running;
    };

    std::int32_t slice = ConnectSlice;
    if (AntiFreezeBase::AntiFreezeInUse())
        slice = std::min(AntiFreezeBase::SliceLength(), ConnectSlice);
    const bool unlimited = timeoutMs == TimeoutInfinite;
    std::int32_t remaining = unlimited ? slice + 1 : std::max<std::int32_t>(timeoutMs, 0);

    // The first looks come right after the start and the waits double up to a slice, so
    // that a connect decided at once (a near server, a passive data connection) is taken
    // in at once instead of at the end of a whole slice.
    std::int32_t wait = 1;
    bool done = decided();
    while (!done && !connectAborted_ && remaining > wait) {
        Sleep(wait);
        remaining = unlimited ? slice + 1 : remaining - wait;
        AntiFreezeBase::MaybePump(AntiFreezeBase::Activity::Idle);
        done = decided();
        wait = std::min(wait * 2, slice);
    }
    if (!done && !connectAborted_) {
        Sleep(remaining);
        done = decided();
    }

    // An abort wins over a connect that succeeded in the same slice: the caller no longer
    // wants the connection.
    if (!done || connectAborted_) {
        // Every worker is stopped and has ended before any socket is closed, so no
        // descriptor is closed under a running connect nor reused behind its back.
        attempts.clear();
        handle.CloseSocket();
        if (connectAborted_)
            throw ConnectError("Connect aborted.");
        throw ConnectTimeoutError();
    }
    if (lookupError != 0)
        stack.RaiseStackError(lookupError);
    if (winner == nullptr) {
        attempts.clear();
        std::rethrow_exception(lastFailure);
    }
    Socket* connected = winner->socket;
    for (Attempt& attempt : attempts)
        attempt.worker.reset();
    if (connected != &handle)
        handle.TakeOver(*connected);
    attempts.clear();
}

} // namespace quorvane::net
