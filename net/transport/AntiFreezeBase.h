#pragma once

#include <cstdint>
#include <thread>

namespace quorvane::net {

/// Keeps the user interface alive while a network call blocks the main thread: waits are cut
/// into slices of IdleTimeOut ms and PumpMessages runs between them.
///
/// Creating an anti-freeze makes it the current one; destroying any anti-freeze leaves none
/// current. Only the main thread ever pumps. The message pump itself is a hook for the
/// windowing layer; this class has no dependency on it.
class AntiFreezeBase {
public:
    AntiFreezeBase();
    AntiFreezeBase(const AntiFreezeBase&) = delete;
    AntiFreezeBase& operator=(const AntiFreezeBase&) = delete;
    virtual ~AntiFreezeBase();

    /// Switched off, it neither slices nor pumps. Takes effect at the next slice.
    bool Active = true;
    /// Process every pending message per pump (true) or at most one (false).
    bool ApplicationHasPriority = true;
    /// Length of one wait slice in milliseconds. Values below 1 are treated as 1.
    std::int32_t IdleTimeOut = 250;
    /// Pump only after waits that saw nothing (true), or after sends too (false).
    bool OnlyWhenIdle = true;

    /// Processes pending window messages (all of them, or one with ApplicationHasPriority
    /// false). Runs on the main thread, possibly inside a waiting network call.
    virtual void PumpMessages() = 0;

    /// The current anti-freeze, or null.
    static AntiFreezeBase* Current() noexcept;
    /// A current anti-freeze exists, the caller is the main thread and it is Active.
    static bool AntiFreezeInUse() noexcept;
    /// Why the transport offers to pump.
    enum class Activity { Busy, Idle };
    enum class Override { No, Yes };
    /// Pumps when AntiFreezeInUse and (idle, or OnlyWhenIdle is false, or overridden).
    static void MaybePump(Activity activity, Override override = Override::No);
    /// The slice length in force: IdleTimeOut of the current anti-freeze, at least 1 ms.
    static std::int32_t SliceLength() noexcept;

    /// The thread that counts as the main thread; by default the thread that ran the
    /// program's static initialisation. The application may set it explicitly.
    static void SetMainThread(std::thread::id id) noexcept;
    static std::thread::id MainThread() noexcept;
};

} // namespace quorvane::net
