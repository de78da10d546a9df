#include "net/transport/AntiFreezeBase.h"

#include <algorithm>
#include <atomic>

namespace quorvane::net {
namespace {

std::atomic<AntiFreezeBase*> gCurrent{nullptr};
// Static initialisation runs on the thread that starts the program.
std::atomic<std::thread::id> gMainThread{std::this_thread::get_id()};

} // namespace

AntiFreezeBase::AntiFreezeBase()
{
    gCurrent.store(this);
}

AntiFreezeBase::~AntiFreezeBase()
{
    // Destroying any anti-freeze leaves none current, whichever one was current.
    gCurrent.store(nullptr);
}

AntiFreezeBase* AntiFreezeBase::Current() noexcept
{
    return gCurrent.load();
}

bool AntiFreezeBase::AntiFreezeInUse() noexcept
{
    if (std::this_thread::get_id() != gMainThread.load())
        return false;
    const AntiFreezeBase* current = gCurrent.load();
    return current != nullptr && current->Active;
}

void AntiFreezeBase::MaybePump(Activity activity, Override override)
{
    if (!AntiFreezeInUse())
        return;
    AntiFreezeBase* current = gCurrent.load();
    if (activity == Activity::Idle || !current->OnlyWhenIdle || override == Override::Yes)
        current->PumpMessages();
}

std::int32_t AntiFreezeBase::SliceLength() noexcept
{
    const AntiFreezeBase* current = gCurrent.load();
    return current == nullptr ? 250 : std::max<std::int32_t>(1, current->IdleTimeOut);
}

void AntiFreezeBase::SetMainThread(std::thread::id id) noexcept
{
    gMainThread.store(id);
}

std::thread::id AntiFreezeBase::MainThread() noexcept
{
    return gMainThread.load();
}

} // namespace quorvane::net
