#include "fuzz/MemoryIoHandler.h"

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

long MemoryIoHandler::Recv(void* buffer, std::size_t length)
{
    if (closed_)
        return 0;
    const std::size_t count = std::min({length, chunkSize_, bytes_.size() - position_});
    if (count == 0) {
        closed_ = true;
        return 0;
    }
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return static_cast<long>(count);
}

long MemoryIoHandler::Send(const void*, std::size_t length)
{
    return closed_ ? -1 : static_cast<long>(length);
}

} // namespace quorvane::fuzz
