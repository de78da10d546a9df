#include "net/transport/SimpleServer.h"

#include "net/transport/SocketIoHandler.h"
#include "net/transport/SocketStack.h"

#include <memory>

namespace quorvane::net {

SimpleServer::SimpleServer() = default;

SimpleServer::~SimpleServer()
{
    CloseListeningSocket();
}

Socket* SimpleServer::SocketHandle() const noexcept
{
    return SocketHandler() != nullptr ? SocketHandler()->SocketHandle() : nullptr;
}

void SimpleServer::AbortAccept() noexcept
{
    abortRequested_.store(true);
}

void SimpleServer::EndListening()
{
    ResetState();
    abortRequested_.store(false);
    listening_ = false;
    CloseListeningSocket();
    SetIOHandler(nullptr, Ownership::Borrowed);
}

void SimpleServer::StartListening()
{
    if (IOHandler() == nullptr) {
        // An abort asked for before listening started still counts.
        ResetState();
        listening_ = false;
        auto handler = std::make_unique<SocketIoHandler>();
        handler->OnStatus = OnStatus;
        SetIOHandler(handler.release(), Ownership::Owned);
        IOHandler()->Open();
    }
    try {
        Socket& handle = *SocketHandle();
        if (listeningSocket_ == NoSocket) {
            try {
                // An IPv6 control connection listens on an IPv6 address.
                handle.OpenSocketOfFamily(FamilyOfAddressText(BoundIP), SocketTypeStream, ProtocolDefault);
                listeningSocket_ = handle.OsHandle;
                handle.IP = BoundIP;
                handle.Port = BoundPort;
                handle.Bind();
            } catch (...) {
                listeningSocket_ = NoSocket;
                throw;
            }
        }
        handle.Listen(StartBacklog);
        listening_ = true;
    } catch (...) {
        // Destroying the handler closes its socket; listening can start over.
        listeningSocket_ = NoSocket;
        listening_ = false;
        SetIOHandler(nullptr, Ownership::Borrowed);
        throw;
    }
}

bool SimpleServer::AcceptOne()
{
    if (!listening_)
        StartListening();
    Socket& handle = *SocketHandle();
    bool readable = false;
    try {
        while (!abortRequested_.load()) {
            if (!handle.WaitReadable(AcceptPollTime))
                continue;
            readable = true;
            handle.Listen(AcceptBacklog);
            const bool accepted = handle.Accept(listeningSocket_);
            if (accepted && PeerFilter && !PeerFilter(handle.RemoteIP, handle.RemotePort)) {
                // Not the peer we wait for: turn it away and go back to listening.
                handle.CloseSocket();
                handle.Attach(listeningSocket_);
                readable = false;
                continue;
            }
            break;
        }
    } catch (...) {
        // Nothing else refers to the listening socket any more, so it is closed here.
        CloseListeningSocket();
        listening_ = false;
        throw;
    }
    CloseListeningSocket();
    listening_ = false;
    return readable;
}

void SimpleServer::DropSocket()
{
    const Socket* handle = SocketHandle();
    if (handle != nullptr && handle->HasSocket && handle->OsHandle == listeningSocket_) {
        // The handler closes it now; its number may be reused at once.
        listeningSocket_ = NoSocket;
        listening_ = false;
    }
    TcpConnection::DropSocket();
}

void SimpleServer::CloseListeningSocket() noexcept
{
    if (listeningSocket_ == NoSocket)
        return;
    const OsSocket listening = listeningSocket_;
    listeningSocket_ = NoSocket;
    Socket* handle = SocketHandle();
    // A handle that still holds the listening socket closes it itself, so that it never
    // keeps a descriptor number that may already belong to someone else.
    if (handle != nullptr && handle->HasSocket && handle->OsHandle == listening) {
        handle->CloseSocket();
        return;
    }
    if (SocketStack* stack = SocketStack::SharedOrNull())
        stack->ReleaseSocket(listening);
}

} // namespace quorvane::net
