#pragma once

#include "net/transport/ByteSink.h"

#include <ostream>

namespace quorvane::net {

/// Adapts a std::ostream to ByteSink. A stream that fails to take the bytes raises
/// TcpConnectionError "Could not write to the stream.", so no byte is lost silently.
class OstreamSink : public ByteSink {
public:
    explicit OstreamSink(std::ostream& stream) : stream_(stream) {}
    void Write(const char* data, std::size_t size) override;

private:
    std::ostream& stream_;
};

} // namespace quorvane::net
