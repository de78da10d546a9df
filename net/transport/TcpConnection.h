#pragma once

#include "net/transport/ByteSink.h"
#include "net/transport/ConnectionLimits.h"
#include "net/transport/ManagedBuffer.h"
#include "net/transport/NetComponent.h"
#include "net/transport/Timeouts.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

namespace quorvane::net {

class IoHandler;
class SocketIoHandler;

/// What ReadLine does with a line longer than its maximum.
enum class LineOverflowAction { maException = 0, maSplit = 1 };
/// What a call does when the connection turns out not to be connected.
enum class IfDisconnected { Return, Raise };
/// What FillInputBuffer does when its time-out passes.
enum class IfTimedOut { Return, Raise };
/// Whether bytes still queued keep a closed connection readable.
enum class QueuedBytes { Count, Ignore };
/// Whether ReadToStream reads a byte count or until the peer closes.
enum class ReadUntil { Count, Closed };
/// Whether a connection owns (and destroys) its I/O handler.
enum class Ownership { Borrowed, Owned };

/// A TCP connection with an input byte queue on top of an I/O handler. Reads lines, exact
/// byte counts and whole streams; writes bytes and lines; notices when the peer closed.
/// All operations block the calling thread; one caller at a time. Its limits are its own
/// `ConnectionLimits` fields, or another connection's (ReadLimitsFrom).
class TcpConnection : public NetComponent, public ConnectionLimits {
public:
    static constexpr std::int32_t DefaultMaxLineLength = 16384;

    /// Holds the progress floor over one read made of many receives; the
    /// first scope opens the measuring window, nested ones share it.
    class ProgressScope {
    public:
        explicit ProgressScope(TcpConnection& connection);
        ~ProgressScope();
        ProgressScope(const ProgressScope&) = delete;
        ProgressScope& operator=(const ProgressScope&) = delete;

    private:
        TcpConnection& connection_;
    };

    TcpConnection();
    /// Drops the socket and destroys a handler the connection owns.
    ~TcpConnection() override;

    bool ASCIIFilter = false;
    LineOverflowAction MaxLineAction = LineOverflowAction::maException;
    /// Longest line ReadLine accepts, terminator excluded (a CR before LF counts); 0: no limit.
    std::int32_t MaxLineLength = DefaultMaxLineLength;
    NotifyEvent OnDisconnected;

    /// Makes this connection read its limits from `owner` (which must outlive it, or be
    /// unset first) instead of its own fields; null: its own fields again.
    void ReadLimitsFrom(const ConnectionLimits* owner) noexcept { limitsOwner_ = owner; }
    /// The limits this connection works within: its owner's, else its own.
    [[nodiscard]] const ConnectionLimits& Limits() const noexcept
    {
        return limitsOwner_ != nullptr ? *limitsOwner_ : *this;
    }

    /// Set when a receive returned 0 or the socket was dropped.
    bool PeerClosed() const noexcept { return peerClosed_; }
    /// How the last ReadLine ended.
    bool LineWasSplit() const noexcept { return lineWasSplit_; }
    bool LineTimedOut() const noexcept { return lineTimedOut_; }

    /// Received bytes not yet consumed. Each byte leaving it is reported as read work.
    ManagedBuffer& ReceiveQueue() noexcept { return receiveQueue_; }

    /// Ends the wait running on this connection at its next slice, and every later one at
    /// once, as if its time had run out (`cut` true), without closing the connection; false
    /// lets waits run again. Called from a handler the anti-freeze runs (Socket::WaitsCut).
    void CutWaits(bool cut) noexcept;
    /// Whether waits on this connection are cut.
    [[nodiscard]] bool WaitsCut() const noexcept;

    IoHandler* IOHandler() const noexcept { return ioHandler_; }
    /// The handler when it is a SocketIoHandler (e.g. for the local IP), else null.
    SocketIoHandler* SocketHandler() const noexcept { return socketHandler_; }
    /// Installs `handler` (replacing and, if owned, destroying the previous one).
    void SetIOHandler(IoHandler* handler, Ownership ownership);
    /// Hands an owned handler over to the caller without closing it (to be wrapped by another
    /// handler and installed again); null when the handler is borrowed or there is none.
    std::unique_ptr<IoHandler> ReleaseIOHandler() noexcept;

    /// Raises OnDisconnected.
    virtual void NotifyDisconnected();
    /// Clears the queue and PeerClosed.
    virtual void ResetState();
    /// When the peer closed: drops the socket (with hsDisconnected and OnDisconnected once).
    /// With IfDisconnected::Raise raises ConnClosedGracefullyError when disconnected and (the
    /// queue is empty or QueuedBytes::Ignore).
    virtual void CheckPeerClosed(IfDisconnected raise = IfDisconnected::Raise, QueuedBytes queued = QueuedBytes::Count);
    virtual bool IsConnected();
    /// hsDisconnecting, drop the socket, destroy an owned handler, OnDisconnected,
    /// hsDisconnected. Sends nothing to the peer; never fails on a closed connection.
    virtual void Disconnect();
    /// Closes the socket without notifications.
    virtual void DropSocket();
    /// Waits up to `timeoutMs` (-1: ReadTimeout; -2: no limit) and
    /// receives once into the queue, repeating while nothing arrived and still connected.
    /// Returns the byte count of the last receive, or -1 on a time-out with IfTimedOut::Return.
    /// Raises ReadTimeoutError "Read Timeout", NotConnectedError "Not Connected",
    /// ConnClosedGracefullyError, SocketError.
    virtual long FillInputBuffer(IfDisconnected raise = IfDisconnected::Raise, std::int32_t timeoutMs = TimeoutDefault,
                                 IfTimedOut onTimeout = IfTimedOut::Raise);
    /// One line without its terminator (default LF; a CR before the LF is dropped too).
    /// `maxLength` -1: MaxLineLength; 0: no limit. An over-long line raises
    /// MaxLineLengthExceededError or, with maSplit, returns the first maxLength bytes and sets
    /// LineWasSplit. A peer close with nothing queued raises ConnClosedGracefullyError; a close
    /// after part of a line returns "" with LineTimedOut set.
    virtual std::string ReadLine(const std::string& terminator = {}, std::int32_t timeoutMs = TimeoutDefault,
                                 std::int32_t maxLength = -1);
    /// Exactly `count` bytes into `buffer`; ConnClosedGracefullyError when the peer closes
    /// first (the bytes received stay queued).
    virtual void ReadExact(void* buffer, std::size_t count);
    /// Copies `count` bytes (ReadUntil::Count; -1: a 32-bit network-order count read first)
    /// or everything until the peer closes (ReadUntil::Closed, which then ends normally) to
    /// `sink`. Reports read work. A peer close before `count` bytes raises
    /// ConnClosedGracefullyError.
    virtual void ReadToStream(ByteSink& sink, std::int64_t count = -1, ReadUntil until = ReadUntil::Count);
    void ReadToStream(std::ostream& stream, std::int64_t count = -1, ReadUntil until = ReadUntil::Count);
    /// Sends all `count` bytes, each send taking only what the socket can hold, the waits for
    /// room in between in anti-freeze slices. No room for ReadTimeout ms (0: no limit), or
    /// less progress than the floor while a `ProgressScope` is open (each write holds one),
    /// raises WriteTimeoutError "Write Timeout". NotConnectedError,
    /// ConnClosedGracefullyError (also when an abort closed the socket), SocketError (a peer
    /// that closed gives a socket error, never a signal).
    virtual void WriteBytes(const void* buffer, std::size_t count);
    /// Sends the bytes of `text` (nothing for an empty text).
    virtual void WriteText(const std::string& text);
    /// Sends `text` followed by CR LF as one block.
    virtual void WriteLine(const std::string& text);
    /// Sends `count` bytes of `source` (-1: everything up to its end) in chunks of
    /// SendBufferSize, reporting write work. A source that yields no bytes before `count`
    /// is reached raises NoDataToReadError "No data to read.".
    virtual void WriteStream(std::istream& source, std::int64_t count = -1);
    /// 32-bit integers in network order.
    std::int32_t ReadInt32();
    void WriteInt32(std::int32_t value);

protected:
    bool peerClosed_ = false;
    bool lineWasSplit_ = false;
    bool lineTimedOut_ = false;
    ManagedBuffer receiveQueue_;

private:
    enum class Readiness { Readable, Writable };
    bool WaitReady(Readiness readiness, std::int32_t timeoutMs);
    void DestroyOwnedHandler();
    std::string TakeLine(std::size_t length, std::size_t terminatorLength, bool lfTerminator);

    const ConnectionLimits* limitsOwner_ = nullptr;
    IoHandler* ioHandler_ = nullptr;
    SocketIoHandler* socketHandler_ = nullptr;
    bool ownsHandler_ = false;
    int progressDepth_ = 0;
    std::int64_t windowBytes_ = 0;
    std::chrono::steady_clock::time_point windowEnd_{};
};

} // namespace quorvane::net
