#include "net/transport/ManagedBuffer.h"

#include "net/transport/NetError.h"

#include <algorithm>
#include <cstring>

namespace quorvane::net {

void ManagedBuffer::Append(const char* bytes, std::size_t count)
{
    if (count == 0)
        return;
    std::memcpy(PrepareAppend(count), bytes, count);
    CommitAppend(count);
}

char* ManagedBuffer::PrepareAppend(std::size_t count)
{
    if (capacity_ - end_ < count) {
        const std::size_t unread = end_ - offset_;
        if (offset_ >= unread && capacity_ - unread >= count) {
            // Room enough once the consumed bytes are dropped, and they outnumber the bytes
            // that move, so the move is paid for by what was consumed.
            std::memmove(data_.get(), data_.get() + offset_, unread);
        } else {
            const std::size_t capacity = std::max(unread + count, capacity_ * 2);
            std::unique_ptr<char[]> grown(new char[capacity]);
            if (unread > 0)
                std::memcpy(grown.get(), data_.get() + offset_, unread);
            data_ = std::move(grown);
            capacity_ = capacity;
        }
        offset_ = 0;
        end_ = unread;
    }
    pending_ = count;
    return data_.get() + end_;
}

void ManagedBuffer::CommitAppend(std::size_t used)
{
    end_ += std::min(used, pending_);
    pending_ = 0;
}

void ManagedBuffer::Remove(std::size_t count)
{
    if (count > Size())
        throw NotEnoughDataInBufferError();
    if (count == 0)
        return;
    if (count == Size()) {
        offset_ = 0;
        end_ = 0;
    } else {
        // Consumed bytes stay where they are until enough have gathered to be worth a move:
        // at least the threshold, and at least as many as would be moved, so that the cost
        // of moving is spread over the bytes consumed.
        offset_ += count;
        if (offset_ >= CompactThreshold && offset_ >= end_ - offset_) {
            std::memmove(data_.get(), data_.get() + offset_, end_ - offset_);
            end_ -= offset_;
            offset_ = 0;
        }
    }
    if (OnRemoved)
        OnRemoved(count);
}

std::string ManagedBuffer::Extract(std::size_t count)
{
    if (count > Size())
        throw NotEnoughDataInBufferError();
    std::string bytes(Data(), count);
    Remove(count);
    return bytes;
}

void ManagedBuffer::Clear() noexcept
{
    offset_ = 0;
    end_ = 0;
}

std::size_t ManagedBuffer::Find(const std::string& pattern, std::size_t from) const noexcept
{
    const std::size_t size = Size();
    if (pattern.empty() || from >= size || pattern.size() > size - from)
        return npos;
    const char* begin = Data();
    if (pattern.size() == 1) {
        const void* hit = std::memchr(begin + from, pattern[0], size - from);
        return hit == nullptr ? npos : static_cast<const char*>(hit) - begin;
    }
    const char* end = begin + size;
    const char* hit = std::search(begin + from, end, pattern.begin(), pattern.end());
    return hit == end ? npos : static_cast<std::size_t>(hit - begin);
}

} // namespace quorvane::net
