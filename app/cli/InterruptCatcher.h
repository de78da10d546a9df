#pragma once

#include "net/transport/AntiFreezeBase.h"

#include <signal.h>

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

/// Holds SIGINT and SIGTERM back (blocked) while it lives; one that arrives
/// meanwhile is delivered when it goes.
class HeldInterrupts {
public:
    HeldInterrupts()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        sigprocmask(SIG_BLOCK, &held, &saved_);
    }
    ~HeldInterrupts() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;

private:
    sigset_t saved_;
};

/// Cuts a flow's network waits into short slices and aborts the flow (its
/// Abort()) at the first slice after an interrupt.
template <class Flow>
class InterruptWatch : public net::AntiFreezeBase {
public:
    explicit InterruptWatch(Flow& flow) : flow_(flow)
    {
        IdleTimeOut = 100;
        OnlyWhenIdle = false;
    }
    void PumpMessages() override
    {
        if (InterruptCatcher::Caught())
            flow_.Abort();
    }

private:
    Flow& flow_;
};

} // namespace quorvane::app::cli
