#include "net/transport/NetComponent.h"

#include "net/transport/SocketStack.h"

namespace quorvane::net {

NetComponent::NetComponent()
{
    SocketStack::CountIn();
}

NetComponent::~NetComponent()
{
    SocketStack::CountOut();
}

void NetComponent::BeginWork(WorkMode mode, std::int64_t max)
{
    WorkInfo& info = work_[static_cast<int>(mode)];
    if (++info.Level == 1) {
        info.Max = max;
        info.Count = 0;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, max);
    }
}

void NetComponent::DoWork(WorkMode mode, std::int64_t count)
{
    WorkInfo& info = work_[static_cast<int>(mode)];
    if (info.Level < 1)
        return;
    info.Count += count;
    if (OnWork)
        OnWork(*this, mode, info.Count);
}

void NetComponent::EndWork(WorkMode mode)
{
    WorkInfo& info = work_[static_cast<int>(mode)];
    if (info.Level < 1)
        return;
    if (info.Level == 1 && OnWorkEnd)
        OnWorkEnd(*this, mode);
    --info.Level;
}

void NetComponent::DoStatus(NetStatus status, const std::string& argument)
{
    if (OnStatus)
        OnStatus(*this, status, StatusText(status, argument));
}

} // namespace quorvane::net
