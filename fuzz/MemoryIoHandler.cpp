#include "fuzz/MemoryIoHandler.h"

#include "net/transport/SocketErrorCodes.h"

#include <algorithm>
#include <cstring>

namespace quorvane::fuzz {

MemoryIoHandler::MemoryIoHandler(std::string_view bytes, std::size_t chunkSize)
    : bytes_(bytes), chunkSize_(std::max<std::size_t>(chunkSize, 1))
{}

bool MemoryIoHandler::WaitReadable(std::int32_t timeoutMs)
{
    // Otherwise always "readable": either bytes are left or the close is.
    return timeoutMs != 0 || BytesWaitEarly;
}

net::IoResult MemoryIoHandler::Recv(void* buffer, std::size_t length)
{
    if (closed_)
        return net::IoResult::Moved(0);
    const std::size_t count = std::min({length, chunkSize_, bytes_.size() - position_});
    if (count == 0) {
        closed_ = true;
        return net::IoResult::Moved(0);
    }
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return net::IoResult::Moved(static_cast<long>(count));
}

net::IoResult MemoryIoHandler::Send(const void*, std::size_t length)
{
    // A peer that has closed: a send fails as one to a shut-down socket does.
    return closed_ ? net::IoResult::Failure(net::SocketErrorCode::ShutDown)
                   : net::IoResult::Moved(static_cast<long>(length));
}

} // namespace quorvane::fuzz
