#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace quorvane::net {

/// A byte queue: bytes are appended at the end and consumed from the front. Consumed bytes
/// are dropped lazily; the unread rest moves to the front only once 32768 or more bytes
/// have been consumed, and no sooner than the consumed bytes outnumber the unread ones, so
/// consuming many small pieces costs the same however many bytes are still queued.
class ManagedBuffer {
public:
    static constexpr std::size_t CompactThreshold = 32768;

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    /// Called with the byte count after every Remove or Extract (not after Clear).
    std::function<void(std::size_t count)> OnRemoved;

    /// Number of unread bytes.
    std::size_t Size() const noexcept { return end_ - offset_; }
    bool Empty() const noexcept { return Size() == 0; }
    /// The unread bytes; valid until the next non-const call.
    const char* Data() const noexcept { return data_.get() + offset_; }
    char operator[](std::size_t index) const noexcept { return data_[offset_ + index]; }

    void Append(const char* bytes, std::size_t count);
    /// Room for `count` bytes at the end, to be filled and then committed with
    /// CommitAppend (at most `count` bytes). Saves a copy when receiving.
    char* PrepareAppend(std::size_t count);
    void CommitAppend(std::size_t used);

    /// Drops the first `count` bytes; NotEnoughDataInBufferError when fewer are queued.
    void Remove(std::size_t count);
    /// Returns and drops the first `count` bytes; NotEnoughDataInBufferError when fewer
    /// are queued.
    std::string Extract(std::size_t count);
    /// Drops everything without notification.
    void Clear() noexcept;
    /// Position (relative to the unread bytes) of the first `pattern` at or after `from`;
    /// npos when there is none.
    std::size_t Find(const std::string& pattern, std::size_t from) const noexcept;

    /// How many consumed bytes are still held before the unread ones (for tests).
    std::size_t ReadOffset() const noexcept { return offset_; }

private:
    std::unique_ptr<char[]> data_; // not zero-filled: only [offset_, end_) is ever read
    std::size_t capacity_ = 0;
    std::size_t offset_ = 0;  // first unread byte
    std::size_t end_ = 0;     // one past the last unread byte
    std::size_t pending_ = 0; // room handed out by PrepareAppend, not yet committed
};

} // namespace quorvane::net
