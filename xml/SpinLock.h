#pragma once

#include <atomic>
#include <thread>

namespace quorvane::xml {

/// A one-byte lock for short critical sections (a child list's storage).
class SpinLock {
public:
    void lock() noexcept
    {
        while (flag_.exchange(true, std::memory_order_acquire))
            std::this_thread::yield();
    }
    void unlock() noexcept { flag_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> flag_{false};
};

} // namespace quorvane::xml
