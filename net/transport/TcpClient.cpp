#include "net/transport/TcpClient.h"

#include "net/transport/NetError.h"
#include "net/transport/SocketIoHandler.h"

#include <memory>

namespace quorvane::net {

void TcpClient::NotifyConnected()
{
    if (OnConnected)
        OnConnected(*this);
}

void TcpClient::Connect(std::int32_t timeoutMs)
{
    if (IOHandler() == nullptr) {
        auto handler = std::make_unique<SocketIoHandler>();
        handler->OnStatus = OnStatus;
        SetIOHandler(handler.release(), Ownership::Owned);
    } else if (IOHandler()->Connected()) {
        throw AlreadyConnectedError();
    }
    try {
        IOHandler()->Open();
        ResetState();
        IOHandler()->ConnectClient(Host, Port, timeoutMs, BoundPortMax, BoundPortMin, BoundPort, BoundIP);
        DoStatus(NetStatus::hsConnected);
        NotifyConnected();
    } catch (...) {
        DropSocket();
        throw;
    }
}

} // namespace quorvane::net
