#pragma once

#include "net/transport/ByteSink.h"

#include <cstdint>
#include <ostream>

namespace quorvane::ftp {

/// Where a data transfer writes: a stream, with a cap on the bytes one
/// transfer may bring. A stream that refuses bytes raises `StreamWriteError`
/// with the system's reason (a full disk, a failing device); passing the cap
/// raises `FileTooLargeError` before the bytes over it are written.
class TransferSink : public net::ByteSink {
public:
    /// `maxBytes` < 0: no cap.
    TransferSink(std::ostream& stream, std::int64_t maxBytes) : stream_(stream), maxBytes_(maxBytes) {}
    void Write(const char* data, std::size_t size) override;

    /// Bytes this transfer has written so far.
    [[nodiscard]] std::int64_t Written() const noexcept { return written_; }

private:
    std::ostream& stream_;
    std::int64_t maxBytes_;
    std::int64_t written_ = 0;
};

} // namespace quorvane::ftp
