#pragma once

#include "xml/ByteStream.h"

#include <string>
#include <string_view>

namespace quorvane::xml {

/// A `ByteStream` in memory: either a read-only view of bytes the caller keeps
/// alive, or (default-constructed) a growable buffer of its own.
class MemoryStream final : public ByteStream {
public:
    /// An empty, writable stream owning its bytes.
    MemoryStream() = default;
    /// A read-only view of `bytes`; they must outlive the stream.
    explicit MemoryStream(std::string_view bytes) : view_(bytes), readOnly_(true) {}

    std::size_t Read(void* buffer, std::size_t size) override;
    /// Raises `XmlError` on a read-only view.
    void Write(const void* data, std::size_t size) override;
    void Seek(std::uint64_t position) override;
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return Bytes().size(); }

    /// All bytes of the stream.
    std::string_view Bytes() const { return readOnly_ ? view_ : std::string_view(own_); }
    /// Moves the owned bytes out (empty for a view); the stream becomes empty.
    std::string TakeBytes();

private:
    std::string own_;
    std::string_view view_;
    std::size_t position_ = 0;
    bool readOnly_ = false;
};

} // namespace quorvane::xml
