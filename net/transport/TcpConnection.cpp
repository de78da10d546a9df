#include "net/transport/TcpConnection.h"

#include "net/transport/AntiFreezeBase.h"
#include "net/transport/IoHandler.h"
#include "net/transport/NetError.h"
#include "net/transport/OstreamSink.h"
#include "net/transport/SocketErrorCodes.h"
#include "net/transport/SocketIoHandler.h"
#include "net/transport/SocketStack.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <limits>

namespace quorvane::net {

TcpConnection::ProgressScope::ProgressScope(TcpConnection& connection) : connection_(connection)
{
    if (connection_.progressDepth_++ == 0) {
        connection_.windowBytes_ = 0;
        connection_.windowEnd_ =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(connection_.Limits().ProgressFloorTimeMs);
    }
}

TcpConnection::ProgressScope::~ProgressScope()
{
    --connection_.progressDepth_;
}

TcpConnection::TcpConnection()
{
    receiveQueue_.OnRemoved = [this](std::size_t count) { DoWork(WorkMode::wmRead, static_cast<std::int64_t>(count)); };
}

TcpConnection::~TcpConnection()
{
    if (ioHandler_ != nullptr) {
        peerClosed_ = true;
        ioHandler_->Close();
    }
    DestroyOwnedHandler();
}

void TcpConnection::SetIOHandler(IoHandler* handler, Ownership ownership)
{
    if (handler != ioHandler_)
        DestroyOwnedHandler();
    ioHandler_ = handler;
    // A wrapping handler (TLS) keeps the socket handler underneath it, whose addresses the
    // callers still ask for.
    socketHandler_ = nullptr;
    for (IoHandler* layer = handler; layer != nullptr && socketHandler_ == nullptr; layer = layer->Underlying())
        socketHandler_ = dynamic_cast<SocketIoHandler*>(layer);
    ownsHandler_ = handler != nullptr && ownership == Ownership::Owned;
}

std::unique_ptr<IoHandler> TcpConnection::ReleaseIOHandler() noexcept
{
    if (!ownsHandler_)
        return nullptr;
    std::unique_ptr<IoHandler> handler(ioHandler_);
    ioHandler_ = nullptr;
    socketHandler_ = nullptr;
    ownsHandler_ = false;
    return handler;
}

void TcpConnection::DestroyOwnedHandler()
{
    IoHandler* handler = ioHandler_;
    const bool owned = ownsHandler_;
    ioHandler_ = nullptr;
    socketHandler_ = nullptr;
    ownsHandler_ = false;
    if (owned)
        delete handler;
}

void TcpConnection::NotifyDisconnected()
{
    if (OnDisconnected)
        OnDisconnected(*this);
}

void TcpConnection::ResetState()
{
    receiveQueue_.Clear();
    peerClosed_ = false;
}

void TcpConnection::CheckPeerClosed(IfDisconnected raise, QueuedBytes queued)
{
    bool disconnected;
    if (peerClosed_ || ioHandler_ == nullptr) {
        if (ioHandler_ != nullptr && ioHandler_->Connected()) {
            DropSocket();
            DoStatus(NetStatus::hsDisconnected);
            NotifyDisconnected();
        }
        disconnected = ioHandler_ != nullptr;
    } else {
        disconnected = !ioHandler_->Connected();
    }
    if (disconnected && raise == IfDisconnected::Raise && (receiveQueue_.Empty() || queued == QueuedBytes::Ignore))
        throw ConnClosedGracefullyError();
}

bool TcpConnection::IsConnected()
{
    CheckPeerClosed(IfDisconnected::Return, QueuedBytes::Count);
    return ioHandler_ != nullptr && ioHandler_->Connected();
}

void TcpConnection::Disconnect()
{
    DoStatus(NetStatus::hsDisconnecting);
    DropSocket();
    if (ownsHandler_)
        DestroyOwnedHandler();
    NotifyDisconnected();
    DoStatus(NetStatus::hsDisconnected);
}

void TcpConnection::DropSocket()
{
    if (ioHandler_ == nullptr)
        return;
    peerClosed_ = true;
    ioHandler_->Close();
}

long TcpConnection::FillInputBuffer(IfDisconnected raise, std::int32_t timeoutMs, IfTimedOut onTimeout)
{
    // A ReadTimeout of 0 means no limit, as -2 does (Timeouts.h).
    if (timeoutMs == TimeoutDefault)
        timeoutMs = Limits().ReadTimeout == 0 ? TimeoutInfinite : Limits().ReadTimeout;

    long result = 0;
    CheckPeerClosed(raise, QueuedBytes::Count);
    if (!IsConnected()) {
        if (raise == IfDisconnected::Raise)
            throw NotConnectedError();
        return 0;
    }
    long received;
    do {
        if (!WaitReady(Readiness::Readable, timeoutMs)) {
            if (onTimeout == IfTimedOut::Raise)
                throw ReadTimeoutError();
            return -1;
        }
        // The receive goes straight to the end of the queue instead of through a
        // separate block that would then be copied.
        const std::size_t size = static_cast<std::size_t>(std::max<std::int32_t>(Limits().RecvBufferSize, 1));
        char* room = receiveQueue_.PrepareAppend(size);
        IoResult outcome;
        try {
            outcome = ioHandler_->Recv(room, size);
        } catch (...) {
            receiveQueue_.CommitAppend(0);
            throw;
        }
        received = outcome.count;
        receiveQueue_.CommitAppend(received > 0 ? static_cast<std::size_t>(received) : 0);
        if (received > 0)
            windowBytes_ += received;
        peerClosed_ = received == 0;
        if (outcome.Failed()) {
            SocketStack& stack = SocketStack::Shared();
            if (!outcome.FailedWith({SocketErrorCode::ShutDown, SocketErrorCode::ConnectionAborted}))
                stack.RaiseStackError(outcome.error);
            received = 0;
            DropSocket();
            if (receiveQueue_.Empty())
                stack.RaiseStackError(outcome.error);
        }
        CheckPeerClosed(raise, QueuedBytes::Count);
        result = received;
    } while (received == 0 && IsConnected());
    return result;
}

bool TcpConnection::WaitsCut() const noexcept
{
    return socketHandler_ != nullptr && socketHandler_->SocketHandle() != nullptr &&
           socketHandler_->SocketHandle()->WaitsCut;
}

void TcpConnection::CutWaits(bool cut) noexcept
{
    if (socketHandler_ != nullptr && socketHandler_->SocketHandle() != nullptr)
        socketHandler_->SocketHandle()->WaitsCut = cut;
}

bool TcpConnection::WaitReady(Readiness readiness, std::int32_t timeoutMs)
{
    const auto waitOnce = [this, readiness](std::int32_t wait) {
        return readiness == Readiness::Readable ? ioHandler_->WaitReadable(wait) : ioHandler_->WaitWritable(wait);
    };
    const ConnectionLimits& limits = Limits();
    if (progressDepth_ == 0 || limits.ProgressFloorBytes <= 0 || limits.ProgressFloorTimeMs <= 0)
        return waitOnce(timeoutMs);

    // The wait is cut at every end of a measuring window, where the bytes that
    // moved during the window decide whether the read or write may go on.
    using Clock = std::chrono::steady_clock;
    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    auto msUntil = [](Clock::time_point end) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
        return std::max<std::int64_t>(left, 0);
    };
    for (;;) {
        if (Clock::now() >= windowEnd_) {
            if (windowBytes_ < limits.ProgressFloorBytes) {
                if (readiness == Readiness::Writable)
                    throw WriteTimeoutError();
                throw ReadTimeoutError();
            }
            windowBytes_ = 0;
            windowEnd_ = Clock::now() + std::chrono::milliseconds(limits.ProgressFloorTimeMs);
        }
        std::int64_t wait = msUntil(windowEnd_);
        if (!unlimited)
            wait = std::min(wait, msUntil(deadline));
        if (waitOnce(static_cast<std::int32_t>(wait)))
            return true;
        if (WaitsCut() || (!unlimited && Clock::now() >= deadline))
            return false;
    }
}

std::string TcpConnection::TakeLine(std::size_t length, std::size_t terminatorLength, bool lfTerminator)
{
    std::string line = receiveQueue_.Extract(length + terminatorLength);
    line.resize(length);
    if (lfTerminator && !line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string TcpConnection::ReadLine(const std::string& terminator, std::int32_t timeoutMs, std::int32_t maxLength)
{
    if (maxLength == -1)
        maxLength = MaxLineLength;
    static const std::string lf(1, '\n');
    const std::string& term = terminator.empty() ? lf : terminator;
    const std::size_t limit = maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0;

    lineWasSplit_ = false;
    lineTimedOut_ = false;
    std::size_t found = ManagedBuffer::npos; // terminator position in the queue
    std::size_t searched = 0;                // bytes of the queue already searched

    auto overLong = [&]() -> std::string {
        if (MaxLineAction == LineOverflowAction::maException)
            throw MaxLineLengthExceededError();
        lineWasSplit_ = true;
        return receiveQueue_.Extract(limit);
    };

    for (;;) {
        const std::size_t queued = receiveQueue_.Size();
        if (queued > 0) {
            // Only the bytes not searched before; a longer terminator may straddle the
            // boundary, so its length minus one is searched again.
            const std::size_t from = searched >= term.size() - 1 ? searched - (term.size() - 1) : 0;
            found = receiveQueue_.Find(term, from);
            searched = queued;
        }
        if (found != ManagedBuffer::npos) {
            if (limit != 0 && found > limit)
                return overLong();
            return TakeLine(found, term.size(), terminator.empty() || terminator == lf);
        }
        if (limit != 0 && searched > limit)
            return overLong();
        CheckPeerClosed(IfDisconnected::Raise, QueuedBytes::Ignore);
        const long received = FillInputBuffer(IfDisconnected::Raise, timeoutMs,
                                              timeoutMs == TimeoutDefault ? IfTimedOut::Raise : IfTimedOut::Return);
        // A peer close in the middle of a line (0), or an explicit time-out passing (-1),
        // ends the read with an empty text.
        lineTimedOut_ = received <= 0;
        if (lineTimedOut_)
            return {};
    }
}

void TcpConnection::ReadExact(void* buffer, std::size_t count)
{
    if (count == 0)
        return;
    while (receiveQueue_.Size() < count) {
        // A close noticed earlier must end the read as a close, not as "Not Connected".
        CheckPeerClosed(IfDisconnected::Raise, QueuedBytes::Ignore);
        FillInputBuffer(IfDisconnected::Raise, TimeoutDefault, IfTimedOut::Raise);
        CheckPeerClosed(IfDisconnected::Raise, QueuedBytes::Ignore);
    }
    std::memcpy(buffer, receiveQueue_.Data(), count);
    receiveQueue_.Remove(count);
}

void TcpConnection::ReadToStream(ByteSink& sink, std::int64_t count, ReadUntil until)
{
    ProgressScope progress(*this);
    if (count == -1 && until == ReadUntil::Count)
        count = ReadInt32();
    if (until == ReadUntil::Count && count <= 0)
        return;

    std::int64_t remaining = until == ReadUntil::Closed ? std::numeric_limits<std::int64_t>::max() : count;
    BeginWork(WorkMode::wmRead, until == ReadUntil::Closed ? 0 : count);
    try {
        for (;;) {
            if (receiveQueue_.Empty()) {
                if (remaining == 0 || !IsConnected())
                    break;
                try {
                    FillInputBuffer(IfDisconnected::Raise, TimeoutDefault, IfTimedOut::Raise);
                } catch (const ConnClosedGracefullyError&) {
                    if (until == ReadUntil::Closed)
                        break;
                    throw;
                }
                continue;
            }
            const std::size_t take = static_cast<std::size_t>(
                std::min<std::int64_t>(remaining, static_cast<std::int64_t>(receiveQueue_.Size())));
            if (take == 0)
                break;
            sink.Write(receiveQueue_.Data(), take);
            receiveQueue_.Remove(take);
            remaining -= static_cast<std::int64_t>(take);
        }
        // A counted read that ends short is a close before the data was complete, not a success.
        if (until == ReadUntil::Count && remaining > 0)
            throw ConnClosedGracefullyError();
    } catch (...) {
        EndWork(WorkMode::wmRead);
        throw;
    }
    EndWork(WorkMode::wmRead);
}

void TcpConnection::ReadToStream(std::ostream& stream, std::int64_t count, ReadUntil until)
{
    OstreamSink sink(stream);
    ReadToStream(sink, count, until);
}

void TcpConnection::WriteBytes(const void* buffer, std::size_t count)
{
    if (count == 0)
        return;
    CheckPeerClosed(IfDisconnected::Raise, QueuedBytes::Ignore);
    if (!IsConnected())
        throw NotConnectedError();

    // A peer that stops reading fills the send buffer; a blocking send would then wait for
    // ever. Each send takes only what fits, and the waits for room between them keep to
    // the read time-out and the progress floor, in slices that let the window paint and an
    // abort close the socket.
    ProgressScope progress(*this);
    const std::int32_t limit = Limits().ReadTimeout == 0 ? TimeoutInfinite : Limits().ReadTimeout;
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t position = 0;
    bool full = false; // the last send took less than it was offered
    while (position < count) {
        if (full && !WaitReady(Readiness::Writable, limit))
            throw WriteTimeoutError();
        full = true;
        const IoResult outcome = ioHandler_->SendNow(bytes + position, count - position);
        const long sent = outcome.count;
        AntiFreezeBase::MaybePump(AntiFreezeBase::Activity::Busy);
        if (outcome.FailedWith({SocketErrorCode::WouldBlock}))
            continue;
        if (outcome.Failed()) {
            // A peer that went away ends the connection here; the reason is the failed
            // send's, which the close cannot replace.
            if (outcome.FailedWith(
                    {SocketErrorCode::ShutDown, SocketErrorCode::ConnectionAborted, SocketErrorCode::ConnectionReset}))
                DropSocket();
            SocketStack::Shared().RaiseStackError(outcome.error);
        }
        peerClosed_ = sent == 0;
        CheckPeerClosed(IfDisconnected::Raise, QueuedBytes::Count);
        windowBytes_ += sent;
        DoWork(WorkMode::wmWrite, sent);
        position += static_cast<std::size_t>(sent);
        full = position < count;
    }
}

void TcpConnection::WriteText(const std::string& text)
{
    if (!text.empty())
        WriteBytes(text.data(), text.size());
}

void TcpConnection::WriteLine(const std::string& text)
{
    WriteText(text + "\r\n");
}

void TcpConnection::WriteStream(std::istream& source, std::int64_t count)
{
    const std::size_t chunkSize = static_cast<std::size_t>(std::max<std::int32_t>(Limits().SendBufferSize, 1));
    std::string chunk(chunkSize, '\0');
    ProgressScope progress(*this);
    BeginWork(WorkMode::wmWrite, count < 0 ? 0 : count);
    try {
        std::int64_t remaining = count < 0 ? std::numeric_limits<std::int64_t>::max() : count;
        while (remaining > 0) {
            const auto want =
                static_cast<std::streamsize>(std::min<std::int64_t>(remaining, static_cast<std::int64_t>(chunkSize)));
            source.read(chunk.data(), want);
            const std::streamsize got = source.gcount();
            if (got <= 0) {
                if (count < 0)
                    break;
                throw NoDataToReadError();
            }
            WriteBytes(chunk.data(), static_cast<std::size_t>(got));
            remaining -= got;
        }
    } catch (...) {
        EndWork(WorkMode::wmWrite);
        throw;
    }
    EndWork(WorkMode::wmWrite);
}

std::int32_t TcpConnection::ReadInt32()
{
    unsigned char bytes[4];
    ReadExact(bytes, 4);
    const std::uint32_t value = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                                (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
    return static_cast<std::int32_t>(value);
}

void TcpConnection::WriteInt32(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                                    static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
    WriteBytes(bytes, 4);
}

} // namespace quorvane::net
