#pragma once

#include "net/transport/Socket.h"
#include "net/transport/TcpConnection.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvane::net {

/// A connection opened from the other end: binds, listens, accepts exactly one incoming
/// connection and from then on reads and writes as a TcpConnection. The listening socket is
/// closed right after the first accept (or abort).
class SimpleServer : public TcpConnection {
public:
    /// Backlogs when listening starts and just before the accept.
    static constexpr int StartBacklog = 15;
    static constexpr int AcceptBacklog = 1;

    SimpleServer();
    ~SimpleServer() override;

    /// Time-out in ms of each readiness poll while accepting. Between polls that find
    /// nothing the anti-freeze pumps; an abort is noticed at the end of a poll.
    std::int32_t AcceptPollTime = 20;
    /// Local address to bind (a dotted quad or an IPv6 text, which selects the family);
    /// empty for any IPv4 address.
    std::string BoundIP;
    /// Local port to bind; 0 lets the system choose (read it from SocketHandle()->Port).
    std::int32_t BoundPort = 0;
    /// When set, decides whether an incoming connection from `peerIp` is taken. A refused
    /// one is closed at once and the wait goes on.
    std::function<bool(const std::string& peerIp, std::int32_t peerPort)> PeerFilter;

    /// The listening socket, NoSocket when none.
    int ListeningSocket() const noexcept { return listeningSocket_; }
    bool Listening() const noexcept { return listening_; }
    /// The handler's socket handle (null before StartListening): after StartListening its IP
    /// and Port are the address to announce; after AcceptOne it holds the accepted connection.
    Socket* SocketHandle() const noexcept;

    /// Makes a waiting AcceptOne give up at its next poll; may be called from any thread.
    virtual void AbortAccept() noexcept;
    /// Binds and listens. Raises the bind errors and SocketError; on failure the handler is
    /// destroyed and listening can start over.
    virtual void StartListening();
    /// Ends listening: clears the state and destroys the handler.
    virtual void EndListening();
    /// Listens if needed, waits without limit for one connection (or an abort) and accepts
    /// it. True when a connection was ready. Raises SocketError for a failed accept.
    virtual bool AcceptOne();
    /// Closes the handler's socket; when that is still the listening socket, it is no
    /// longer tracked, so it is never closed a second time.
    void DropSocket() override;

private:
    void CloseListeningSocket() noexcept;

    std::atomic<bool> abortRequested_{false};
    int listeningSocket_ = -1;
    bool listening_ = false;
};

} // namespace quorvane::net
