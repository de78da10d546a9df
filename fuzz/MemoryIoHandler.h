#pragma once

#include "net/transport/IoHandler.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane::fuzz {

/// An I/O handler that plays a fixed byte string as the peer's side of a
/// connection: every receive hands out at most `chunkSize` bytes, then the
/// peer "closes" (a receive of 0 bytes, after which it is disconnected).
/// Connected from `Open` (which a connect calls) until then; sends are
/// swallowed. Data is copied; the handler never blocks. A wait of no time
/// finds nothing unless `BytesWaitEarly` is set, as with a peer that answers
/// each command once it has arrived.
class MemoryIoHandler : public net::IoHandler {
public:
    MemoryIoHandler(std::string_view bytes, std::size_t chunkSize);

    /// Whether the bytes are there before anyone waits for them (a peer that
    /// sent replies nobody asked for yet).
    bool BytesWaitEarly = false;

    void Open() override { opened_ = true; }
    bool Connected() override { return opened_ && !closed_; }
    bool WaitReadable(std::int32_t timeoutMs) override;
    net::IoResult Recv(void* buffer, std::size_t length) override;
    net::IoResult Send(const void* buffer, std::size_t length) override;
    void Close() override { closed_ = true; }

private:
    std::string bytes_;
    std::size_t chunkSize_;
    std::size_t position_ = 0;
    bool opened_ = false;
    bool closed_ = false;
};

} // namespace quorvane::fuzz
