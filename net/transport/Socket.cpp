#include "net/transport/Socket.h"

#include "net/transport/AntiFreezeBase.h"
#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"
#include "net/transport/SocketStack.h"

#include <vector>

namespace quorvane::net {

Socket::~Socket()
{
    if (HasSocket && SocketStack::SharedOrNull() != nullptr)
        CloseSocket();
}

void Socket::OpenSocket(int type, int protocol)
{
    OpenSocketOfFamily(AddressFamilyInet, type, protocol);
}

void Socket::OpenSocketOfFamily(int family, int type, int protocol)
{
    CloseSocket();
    OsHandle = SocketStack::Shared().NewSocketOfFamily(family, type, protocol);
    HasSocket = true;
    Family = family;
    WaitsCut = false;
}

void Socket::CloseSocket()
{
    if (!HasSocket)
        return;
    // Cleared first, so that nothing uses the descriptor while it is being closed.
    HasSocket = false;
    SocketStack& stack = SocketStack::Shared();
    stack.ShutdownSocket(OsHandle, ShutdownSend);
    stack.ReleaseSocket(OsHandle);
}

void Socket::Reset(ResetScope scope)
{
    HasSocket = false;
    OsHandle = NoSocket;
    if (scope == ResetScope::AlsoLocal) {
        IP.clear();
        Port = 0;
    }
    RemoteIP.clear();
    RemotePort = 0;
}

void Socket::SetRemote(const std::string& ip, std::int32_t port)
{
    RemoteIP = ip;
    RemotePort = port;
}

void Socket::RefreshAddresses()
{
    SocketStack& stack = SocketStack::Shared();
    const SocketAddress local = stack.GetSockName(OsHandle);
    IP = local.IP;
    Port = local.Port;
    const SocketAddress remote = stack.GetPeerName(OsHandle);
    RemoteIP = remote.IP;
    RemotePort = remote.Port;
}

int Socket::Connect(int family)
{
    const int result = SocketStack::Shared().ConnectSocket(OsHandle, family, RemoteIP, RemotePort);
    if (result != SocketFailed)
        RefreshAddresses();
    return result;
}

int Socket::ConnectInterruptible(int wakeHandle, int family)
{
    const int result =
        SocketStack::Shared().ConnectSocketInterruptible(OsHandle, family, RemoteIP, RemotePort, wakeHandle);
    if (result != SocketFailed)
        RefreshAddresses();
    return result;
}

bool Socket::TryBind()
{
    SocketStack& stack = SocketStack::Shared();
    if (stack.CheckSocketResult(stack.BindSocket(OsHandle, Family, IP, Port), {SocketErrorCode::AddressInUse}))
        return false;
    const SocketAddress local = stack.GetSockName(OsHandle);
    IP = local.IP;
    Port = local.Port;
    return true;
}

void Socket::Bind()
{
    if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
        if (!TryBind())
            throw CouldNotBindSocketError();
        return;
    }
    if (ClientPortMin > ClientPortMax)
        throw InvalidPortRangeError(ClientPortMin, ClientPortMax);
    for (std::int32_t port = ClientPortMax; port >= ClientPortMin; --port) {
        Port = port;
        if (TryBind())
            return;
    }
    throw CanNotBindPortInRangeError(ClientPortMin, ClientPortMax);
}

void Socket::Listen(int backlog)
{
    SocketStack& stack = SocketStack::Shared();
    stack.CheckSocketResult(stack.ListenSocket(OsHandle, backlog));
}

bool Socket::Accept(OsSocket listening)
{
    Reset(ResetScope::AlsoLocal);
    SocketStack& stack = SocketStack::Shared();
    const OsSocket accepted = stack.AcceptSocket(listening, IP, Port);
    if (stack.CheckSocketResult(accepted, {SocketErrorCode::Interrupted, SocketErrorCode::NotASocket}))
        return false;
    OsHandle = accepted;
    HasSocket = true;
    RefreshAddresses();
    return true;
}

void Socket::TakeOver(Socket& other)
{
    CloseSocket();
    OsHandle = other.OsHandle;
    HasSocket = other.HasSocket;
    Family = other.Family;
    IP = other.IP;
    Port = other.Port;
    RemoteIP = other.RemoteIP;
    RemotePort = other.RemotePort;
    other.Reset(ResetScope::AlsoLocal);
}

void Socket::Attach(OsSocket handle)
{
    CloseSocket();
    Reset(ResetScope::AlsoLocal);
    OsHandle = handle;
    HasSocket = true;
    const SocketAddress local = SocketStack::Shared().GetSockName(OsHandle);
    IP = local.IP;
    Port = local.Port;
}

bool Socket::WaitOnce(WaitFor what, std::int32_t timeoutMs)
{
    std::vector<OsSocket> list{OsHandle};
    const bool ready = what == WaitFor::Readable
                           ? SocketStack::Shared().Select(&list, nullptr, timeoutMs, nullptr) == 1
                           : SocketStack::Shared().Select(nullptr, &list, timeoutMs, nullptr) == 1;
    AntiFreezeBase::MaybePump(ready ? AntiFreezeBase::Activity::Busy : AntiFreezeBase::Activity::Idle);
    return ready;
}

bool Socket::WaitReadable(std::int32_t timeoutMs)
{
    return Wait(WaitFor::Readable, timeoutMs);
}

bool Socket::WaitWritable(std::int32_t timeoutMs)
{
    return Wait(WaitFor::Writable, timeoutMs);
}

bool Socket::Wait(WaitFor what, std::int32_t timeoutMs)
{
    if (!HasSocket)
        throw ConnClosedGracefullyError();
    if (WaitsCut)
        return false;
    if (!AntiFreezeBase::AntiFreezeInUse())
        return WaitOnce(what, timeoutMs);

    if (timeoutMs == -2) {
        // No limit: slice after slice until the socket is ready; the pump may switch the
        // anti-freeze off, which turns the rest into one plain wait.
        for (;;) {
            if (!HasSocket)
                throw ConnClosedGracefullyError();
            if (WaitsCut)
                return false;
            if (!AntiFreezeBase::AntiFreezeInUse())
                return WaitOnce(what, -2);
            if (WaitOnce(what, AntiFreezeBase::SliceLength()))
                return true;
        }
    }

    // k slices of I: the first one takes what does not divide evenly (600 with 250 waits
    // 100, 250, 250), so every later slice ends exactly one slice length before the deadline.
    // Computed in 64 bits: rounding a limit near the 32-bit maximum up to whole
    // slices would overflow.
    std::int64_t remaining = timeoutMs < 0 ? 0 : timeoutMs;
    std::int64_t slice = AntiFreezeBase::SliceLength();
    std::int64_t first = remaining;
    if (remaining > slice) {
        const std::int64_t count = (remaining + slice - 1) / slice;
        first = remaining - (count - 1) * slice;
    }
    if (WaitOnce(what, static_cast<std::int32_t>(first)))
        return true;
    remaining -= first;
    while (remaining > 0) {
        // A handler run by the pump may have closed this socket, or cut its waits.
        if (!HasSocket)
            throw ConnClosedGracefullyError();
        if (WaitsCut)
            return false;
        if (!AntiFreezeBase::AntiFreezeInUse())
            return WaitOnce(what, static_cast<std::int32_t>(remaining));
        slice = std::min<std::int64_t>(AntiFreezeBase::SliceLength(), remaining);
        if (WaitOnce(what, static_cast<std::int32_t>(slice)))
            return true;
        remaining -= slice;
    }
    return false;
}

long Socket::Recv(void* buffer, std::size_t length)
{
    return SocketStack::Shared().RecvBytes(OsHandle, buffer, length, 0);
}

long Socket::Send(const void* buffer, std::size_t length)
{
    return SocketStack::Shared().SendBytes(OsHandle, buffer, length, 0);
}

long Socket::SendNow(const void* buffer, std::size_t length)
{
    return SocketStack::Shared().SendBytes(OsHandle, buffer, length, SendFlagDontWait);
}

void Socket::SetOption(int level, int option, const void* value, unsigned length)
{
    SocketStack& stack = SocketStack::Shared();
    stack.CheckSocketResult(stack.SetSockOpt(OsHandle, level, option, value, length));
}

} // namespace quorvane::net
