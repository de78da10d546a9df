#pragma once

#include <csignal>

namespace quorvane::app::cli {

/// Catches SIGINT and SIGTERM while a network command runs, so that its
/// transfer is aborted and what it leaves behind cleaned up before the
/// process ends. One at a time.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    static bool Caught();

    /// Says "Interrupted.", then ends the process by the signal itself, so
    /// that the calling shell sees it (status 130 or 143) and stops its script.
    [[noreturn]] static void EndByTheSignal();

private:
    struct sigaction savedInt_ {};
    struct sigaction savedTerm_ {};
};

} // namespace quorvane::app::cli
