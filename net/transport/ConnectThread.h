#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace quorvane::net {

class Socket;

/// A worker that connects one socket and ends with it. Stop() makes a connect still in
/// progress return at once, so the worker never outlives the watcher's call and the socket
/// is never closed under a connect that is still running.
class ConnectThread {
public:
    /// `socketHandle` is not owned and must outlive the thread; until the worker has
    /// reported (Finished) or been stopped, it is the worker's alone: nothing else closes,
    /// reopens or reads it. Starts the worker at once.
    explicit ConnectThread(Socket& socketHandle);
    ConnectThread(const ConnectThread&) = delete;
    ConnectThread& operator=(const ConnectThread&) = delete;
    /// Stops and joins the worker.
    ~ConnectThread();

    bool Finished() const noexcept { return finished_.load(std::memory_order_acquire); }
    /// The message of the error the connect raised; empty only after a connect that
    /// succeeded.
    std::string ErrorText() const;
    /// The system's error code of that error when it carried one, else 0.
    std::int32_t ErrorCode() const;
    /// Asks a running connect to give up, then waits for the worker to end.
    void Stop();

private:
    void Run();

    Socket& socketHandle_;
    int wakeHandle_ = -1;
    std::atomic<bool> finished_{false};
    mutable std::mutex errorMutex_;
    std::string errorText_;
    std::int32_t errorCode_ = 0;
    std::thread worker_;
};

} // namespace quorvane::net
