#include "net/transport/ConnectThread.h"

#include "net/transport/NetError.h"
#include "net/transport/PlatformSocketStack.h"
#include "net/transport/Socket.h"
#include "net/transport/SocketStack.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace quorvane::net {

ConnectThread::ConnectThread(Socket& socketHandle) : socketHandle_(socketHandle)
{
    wakeHandle_ = ::eventfd(0, EFD_CLOEXEC);
    if (wakeHandle_ == -1) {
        SocketStack::Shared().RaiseStackError(PlatformSocketStack::TranslateErrno(errno));
    }
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (...) {
        // The destructor does not run for a constructor that throws.
        ::close(wakeHandle_);
        throw;
    }
}

ConnectThread::~ConnectThread()
{
    Stop();
    ::close(wakeHandle_);
}

void ConnectThread::Run()
{
    try {
        // The watcher hands over an open socket and leaves it alone until this worker has
        // reported; one found closed all the same (a bad descriptor, not a socket) is a
        // failed connect like any other, never a success.
        if (!socketHandle_.HasSocket)
            throw ClosedSocketError();
        const int result = socketHandle_.ConnectInterruptible(wakeHandle_, socketHandle_.Family);
        SocketStack::Shared().CheckSocketResult(result);
    } catch (const SocketError& error) {
        std::lock_guard lock(errorMutex_);
        errorText_ = error.what();
        errorCode_ = error.Code();
    } catch (const std::exception& error) {
        std::lock_guard lock(errorMutex_);
        errorText_ = error.what();
    }
    finished_.store(true, std::memory_order_release);
}

std::string ConnectThread::ErrorText() const
{
    std::lock_guard lock(errorMutex_);
    return errorText_;
}

std::int32_t ConnectThread::ErrorCode() const
{
    std::lock_guard lock(errorMutex_);
    return errorCode_;
}

void ConnectThread::Stop()
{
    if (!worker_.joinable())
        return;
    const std::uint64_t one = 1;
    // The worker polls this descriptor together with its socket, so the connect returns
    // without the socket being closed under it.
    [[maybe_unused]] const auto written = ::write(wakeHandle_, &one, sizeof one);
    worker_.join();
}

} // namespace quorvane::net
