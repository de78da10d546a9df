#include "net/transport/HostLookup.h"

#include "net/transport/SocketErrorCodes.h"

#include <exception>
#include <mutex>
#include <thread>

namespace quorvane::net {

struct HostLookup::Result {
    mutable std::mutex Lock;
    bool Finished = false;
    std::int32_t ErrorCode = 0;
    std::vector<IpAddress> Addresses;
};

HostLookup::HostLookup(const std::string& host, SocketStack::AddressLookUp lookUp) : result_(std::make_shared<Result>())
{
    // The thread holds its own reference to the result and a copy of the name; nothing
    // else it uses can go away before it ends.
    std::thread([result = result_, host, lookUp] {
        std::vector<IpAddress> addresses;
        std::int32_t code = SocketErrorCode::HostNotFound;
        try {
            code = lookUp(host, addresses);
        } catch (const std::exception&) {
            // A library that is no longer loaded (the program is ending): no address.
        }
        std::lock_guard lock(result->Lock);
        result->ErrorCode = code;
        result->Addresses = std::move(addresses);
        result->Finished = true;
    }).detach();
}

HostLookup::~HostLookup() = default;

bool HostLookup::Finished() const
{
    std::lock_guard lock(result_->Lock);
    return result_->Finished;
}

std::int32_t HostLookup::ErrorCode() const
{
    std::lock_guard lock(result_->Lock);
    return result_->ErrorCode;
}

std::vector<IpAddress> HostLookup::Addresses() const
{
    std::lock_guard lock(result_->Lock);
    return result_->Addresses;
}

} // namespace quorvane::net
