#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvane::xml {

/// A seekable sequence of bytes that documents load from and save to.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    /// Copies up to `size` bytes from the current position into `buffer` and
    /// advances; returns the number copied, 0 at the end of the stream.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    /// Writes `size` bytes at the current position and advances.
    virtual void Write(const void* data, std::size_t size) = 0;
    /// Moves to the absolute byte position `position` (clamped to the size).
    virtual void Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Position() const = 0;
    virtual std::uint64_t Size() const = 0;
};

} // namespace quorvane::xml
