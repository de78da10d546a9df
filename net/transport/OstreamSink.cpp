#include "net/transport/OstreamSink.h"

#include "net/transport/NetError.h"

namespace quorvane::net {

void OstreamSink::Write(const char* data, std::size_t size)
{
    stream_.write(data, static_cast<std::streamsize>(size));
    if (!stream_)
        throw TcpConnectionError("Could not write to the stream.");
}

} // namespace quorvane::net
