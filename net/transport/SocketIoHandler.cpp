#include "net/transport/SocketIoHandler.h"

#include "net/transport/AntiFreezeBase.h"
#include "net/transport/ConnectThread.h"
#include "net/transport/NetError.h"
#include "net/transport/SocketStack.h"
#include "net/transport/Timeouts.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace quorvane::net {
namespace {

constexpr int kLevelTcp = 6;
constexpr int kTcpNoDelay = 1;

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

long SocketIoHandler::Recv(void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    return socketHandle_->Recv(buffer, length);
}

long SocketIoHandler::Send(const void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    return socketHandle_->Send(buffer, length);
}

void SocketIoHandler::ConnectClient(const std::string& host, std::int32_t port, std::int32_t timeoutMs,
                                    std::int32_t boundPortMax, std::int32_t boundPortMin, std::int32_t boundPort,
                                    const std::string& boundIp)
{
    if (!socketHandle_)
        Open();
    connectAborted_ = false;
    Socket& handle = *socketHandle_;
    SocketStack& stack = SocketStack::Shared();

    handle.OpenSocket(SocketTypeStream, ProtocolDefault);
    handle.IP = boundIp;
    handle.Port = boundPort;
    handle.ClientPortMin = boundPortMin;
    handle.ClientPortMax = boundPortMax;
    handle.Bind();

    if (!SocketStack::IsDottedQuad(host))
        DoStatus(NetStatus::hsResolving, host);
    handle.SetRemote(stack.ResolveHostName(host), port);

    if (!UseNagle) {
        const std::int32_t on = 1;
        handle.SetOption(kLevelTcp, kTcpNoDelay, &on, sizeof on);
    }
    DoStatus(NetStatus::hsConnecting, handle.RemoteIP);

    // 0 means the default here, as -1 does (Timeouts.h).
    if (timeoutMs == TimeoutDefault || timeoutMs == 0) {
        if (AntiFreezeBase::AntiFreezeInUse()) {
            WatchedConnect(DefaultConnectTimeout);
        } else {
            stack.CheckSocketResult(handle.Connect(AddressFamilyInet));
        }
    } else {
        WatchedConnect(timeoutMs);
    }
}

void SocketIoHandler::WatchedConnect(std::int32_t timeoutMs)
{
    ConnectThread worker(*socketHandle_);

    std::int32_t slice = ConnectSlice;
    if (AntiFreezeBase::AntiFreezeInUse())
        slice = std::min(AntiFreezeBase::SliceLength(), ConnectSlice);
    const bool unlimited = timeoutMs == TimeoutInfinite;
    std::int32_t remaining = unlimited ? slice + 1 : std::max<std::int32_t>(timeoutMs, 0);

    while (remaining > slice) {
        Sleep(slice);
        remaining = unlimited ? slice + 1 : remaining - slice;
        AntiFreezeBase::MaybePump(AntiFreezeBase::Activity::Idle);
        if (worker.Finished() || connectAborted_) {
            remaining = 0;
            break;
        }
    }
    Sleep(remaining);

    if (connectAborted_ && !worker.Finished()) {
        worker.Stop();
        Close();
        throw ConnectError("Connect aborted.");
    }
    if (!worker.Finished()) {
        // The worker is stopped and has ended before the socket is closed, so the descriptor
        // is never closed under a running connect nor reused behind its back.
        worker.Stop();
        Close();
        throw ConnectTimeoutError();
    }
    const std::string error = worker.ErrorText();
    if (!error.empty())
        throw ConnectError(error);
}

} // namespace quorvane::net
