#pragma once

#include <cstddef>

namespace quorvane::net {

/// Where ReadToStream delivers bytes. Write either takes all `size` bytes or raises.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
};

} // namespace quorvane::net
