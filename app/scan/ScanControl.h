#pragma once

#include <atomic>

namespace quorvane::app {

/// Shared between a scan and the thread that started it: the scan counts the
/// files it has seen, and stops soon after `cancelled` is set.
struct ScanControl {
    std::atomic<bool> cancelled{false};
    std::atomic<long long> filesSeen{0};
};

} // namespace quorvane::app
