#pragma once

#include "net/transport/NetStatus.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvane::net {

/// Common base of every network component. Creating one counts it into the shared
/// SocketStack (creating the stack when it is the first); destroying it counts it out.
/// Carries the status and work notifications.
class NetComponent {
public:
    using StatusEvent = std::function<void(NetComponent& sender, NetStatus status, const std::string& statusText)>;
    /// `count` is the running total for OnWork and the expected maximum for OnWorkBegin
    /// (0 when unknown), in bytes.
    using WorkEvent = std::function<void(NetComponent& sender, WorkMode mode, std::int64_t count)>;
    using WorkEndEvent = std::function<void(NetComponent& sender, WorkMode mode)>;
    using NotifyEvent = std::function<void(NetComponent& sender)>;

    /// Raises whatever the shared stack's creation raises (the count then stays unchanged).
    NetComponent();
    NetComponent(const NetComponent&) = delete;
    NetComponent& operator=(const NetComponent&) = delete;
    virtual ~NetComponent();

    std::string Name;
    StatusEvent OnStatus;
    WorkEvent OnWork;
    WorkEvent OnWorkBegin;
    WorkEndEvent OnWorkEnd;

    /// Nested begin/end pairs report one OnWorkBegin/OnWorkEnd; OnWork only while begun.
    virtual void BeginWork(WorkMode mode, std::int64_t max = 0);
    virtual void DoWork(WorkMode mode, std::int64_t count);
    virtual void EndWork(WorkMode mode);

    /// Calls OnStatus (when set) with the formatted text of `status`.
    void DoStatus(NetStatus status, const std::string& argument = {});

    /// Work counters of one direction.
    struct WorkInfo {
        std::int32_t Level = 0;
        std::int64_t Max = 0;
        std::int64_t Count = 0;
    };
    const WorkInfo& Work(WorkMode mode) const { return work_[static_cast<int>(mode)]; }

private:
    std::array<WorkInfo, 2> work_{};
};

} // namespace quorvane::net
