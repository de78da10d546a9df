#pragma once

#include "net/transport/SocketTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane::net {

/// Owns one platform socket together with its local and remote address. All operations go
/// through the shared SocketStack, so a network component must exist while a Socket is used.
/// Not copyable: one owner per descriptor.
class Socket {
public:
    Socket() = default;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    /// Closes the socket if one is open.
    ~Socket();

    /// The platform socket, NoSocket when none.
    OsSocket OsHandle = NoSocket;
    /// A platform socket is open.
    bool HasSocket = false;
    /// The address family of the open socket (AddressFamilyInet or AddressFamilyInet6).
    int Family = AddressFamilyInet;
    /// Local address (a dotted quad, or an IPv6 text), empty for any.
    std::string IP;
    std::string RemoteIP;
    /// Local port in host order; 0 lets the system choose at Bind.
    std::int32_t Port = 0;
    std::int32_t RemotePort = 0;
    /// Set (by a handler the anti-freeze runs) to end the running wait at its next slice and
    /// every later wait at once, as if their time had run out; the socket stays open. An
    /// abort uses it to stop waiting for a server that may still be asked something.
    bool WaitsCut = false;
    /// A range of local ports to bind from (tried from the top down); 0 and 0 for none.
    std::int32_t ClientPortMin = 0;
    std::int32_t ClientPortMax = 0;

    /// Closes any open socket, then opens a new IPv4 socket. Raises InvalidSocketError.
    void OpenSocket(int type = SocketTypeStream, int protocol = ProtocolDefault);
    /// As OpenSocket, for `family`; later binds and connects use that family.
    void OpenSocketOfFamily(int family, int type = SocketTypeStream, int protocol = ProtocolDefault);
    /// Shuts sends down and closes the socket; nothing when there is none. Results ignored.
    void CloseSocket();
    /// Forgets the socket without closing it: the remote address always, the local address
    /// too with ResetScope::AlsoLocal.
    enum class ResetScope { RemoteOnly, AlsoLocal };
    void Reset(ResetScope scope);
    void SetRemote(const std::string& ip, std::int32_t port);
    /// Blocking connect to RemoteIP:RemotePort. On success refreshes the local and remote
    /// address from the platform. Returns the platform result unchecked.
    int Connect(int family = AddressFamilyInet);
    /// As Connect, but returns -1 with error 10004 as soon as `wakeHandle` becomes readable.
    int ConnectInterruptible(int wakeHandle, int family = AddressFamilyInet);
    /// Binds to IP/Port, or, when Port is 0 and a port range is set, to the highest free port
    /// of the range. Raises CouldNotBindSocketError, InvalidPortRangeError,
    /// CanNotBindPortInRangeError or SocketError. Afterwards IP/Port hold the bound address.
    void Bind();
    /// Raises SocketError on failure.
    void Listen(int backlog);
    /// Accepts a connection from `listening` into this handle (which is reset first).
    /// False when the accept failed with an ignored error (interrupted, not a socket); the
    /// handle then holds no socket. Other failures raise SocketError.
    bool Accept(OsSocket listening);
    /// Takes the open socket of `other` with its addresses and family (closing any socket
    /// held before); `other` is left without a socket, as after a reset.
    void TakeOver(Socket& other);
    /// Takes over an already open platform socket (closing any socket held before) and
    /// refreshes the local address from it.
    void Attach(OsSocket handle);
    /// Waits up to `timeoutMs` (-2: no limit) for readable data or a pending connection.
    /// Raises ConnClosedGracefullyError when there is no socket. While an anti-freeze is in
    /// use the wait is cut into slices with message pumping after every idle slice.
    bool WaitReadable(std::int32_t timeoutMs);
    /// As WaitReadable, for room in the send buffer.
    bool WaitWritable(std::int32_t timeoutMs);
    /// recv()/send() with flags 0; byte count, 0 when the peer closed, -1 on failure.
    long Recv(void* buffer, std::size_t length);
    long Send(const void* buffer, std::size_t length);
    /// send() that takes only what fits in the send buffer now: a byte count, or -1 with
    /// SocketErrorCode::WouldBlock when nothing fits.
    long SendNow(const void* buffer, std::size_t length);
    /// setsockopt(); raises SocketError on failure.
    void SetOption(int level, int option, const void* value, unsigned length);

private:
    bool TryBind();
    enum class WaitFor { Readable, Writable };
    bool Wait(WaitFor what, std::int32_t timeoutMs);
    bool WaitOnce(WaitFor what, std::int32_t timeoutMs);
    void RefreshAddresses();
};

} // namespace quorvane::net
