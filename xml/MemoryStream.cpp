#include "xml/MemoryStream.h"

#include "xml/XmlError.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quorvane::xml {

std::size_t MemoryStream::Read(void* buffer, std::size_t size)
{
    const std::string_view bytes = Bytes();
    const std::size_t count = std::min(size, bytes.size() - std::min(position_, bytes.size()));
    if (count > 0)
        std::memcpy(buffer, bytes.data() + position_, count);
    position_ += count;
    return count;
}

void MemoryStream::Write(const void* data, std::size_t size)
{
    if (readOnly_)
        throw XmlError("Stream write error");
    if (position_ + size > own_.size())
        own_.resize(position_ + size);
    if (size > 0)
        std::memcpy(own_.data() + position_, data, size);
    position_ += size;
}

void MemoryStream::Seek(std::uint64_t position)
{
    position_ = static_cast<std::size_t>(std::min<std::uint64_t>(position, Bytes().size()));
}

std::string MemoryStream::TakeBytes()
{
    position_ = 0;
    return std::exchange(own_, std::string());
}

} // namespace quorvane::xml
