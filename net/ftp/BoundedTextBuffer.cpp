#include "net/ftp/BoundedTextBuffer.h"

namespace quorvane::ftp {

std::streamsize BoundedTextBuffer::xsputn(const char* data, std::streamsize count)
{
    if (count <= 0)
        return 0;
    const auto size = static_cast<std::size_t>(count);
    if (overflowed_ || size > limit_ - text_.size()) {
        overflowed_ = true;
        return 0;
    }
    text_.append(data, size);
    return count;
}

BoundedTextBuffer::int_type BoundedTextBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

} // namespace quorvane::ftp
