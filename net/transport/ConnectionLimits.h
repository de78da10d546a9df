#pragma once

#include <cstdint>

namespace quorvane::net {

/// What a connection works within: how long it waits, the floor on its progress and how
/// much one receive or send moves. A connection that serves another (an FTP data
/// connection) reads them from that one instead of holding copies
/// (TcpConnection::ReadLimitsFrom).
struct ConnectionLimits {
    static constexpr std::int32_t DefaultBufferSize = 32768;

    /// Read time-out in ms used for the default time-out argument (Timeouts.h; 0 here also
    /// means no limit).
    std::int32_t ReadTimeout = 0;
    /// A floor on progress while a `TcpConnection::ProgressScope` is open (a reply or a
    /// stream being read, bytes being written): fewer than `ProgressFloorBytes`
    /// bytes received or sent in any `ProgressFloorTimeMs` ms end the read with
    /// `ReadTimeoutError` (a write with `WriteTimeoutError`), so a peer that
    /// moves a byte now and then cannot hold a transfer for ever.
    /// 0 in either: no floor.
    std::int32_t ProgressFloorBytes = 0;
    std::int32_t ProgressFloorTimeMs = 60000;
    /// Most bytes one receive asks for.
    std::int32_t RecvBufferSize = DefaultBufferSize;
    /// Chunk size when writing a stream.
    std::int32_t SendBufferSize = DefaultBufferSize;
};

} // namespace quorvane::net
