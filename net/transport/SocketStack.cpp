#include "net/transport/SocketStack.h"

#include "net/transport/NetError.h"
#include "net/transport/PlatformSocketStack.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <mutex>

namespace quorvane::net {
namespace {

// The process-wide lock guards the component count and the shared reference.
std::mutex gStackLock;
std::int32_t gComponentCount = 0;
std::unique_ptr<SocketStack> gOwnedStack;
// Read without the lock by the connect worker; written only under it.
std::atomic<SocketStack*> gSharedStack{nullptr};
std::atomic<bool> gStarted{false};
SocketStack::Factory gFactory;

const char* BaseErrorText(std::int32_t code)
{
    switch (code) {
    case 10004: return "Interrupted system call.";
    case 10009: return "Bad file number.";
    case 10013: return "Access denied.";
    case 10014: return "Bad address.";
    case 10022: return "Invalid argument.";
    case 10024: return "Too many open files.";
    case 10035: return "Operation would block. ";
    case 10036: return "Operation now in progress.";
    case 10037: return "Operation already in progress.";
    case 10038: return "Socket operation on non-socket.";
    case 10039: return "Destination address required.";
    case 10040: return "Message too long.";
    case 10041: return "Protocol wrong type for socket.";
    case 10042: return "Bad protocol option.";
    case 10043: return "Protocol not supported.";
    case 10044: return "Socket type not supported.";
    case 10045: return "Operation not supported on socket.";
    case 10046: return "Protocol family not supported.";
    case 10047: return "Address family not supported by protocol family.";
    case 10048: return "Address already in use.";
    case 10049: return "Cannot assign requested address.";
    case 10050: return "Network is down.";
    case 10051: return "Network is unreachable.";
    case 10052: return "Net dropped connection or reset.";
    case 10053: return "Software caused connection abort.";
    case 10054: return "Connection reset by peer.";
    case 10055: return "No buffer space available.";
    case 10056: return "Socket is already connected.";
    case 10057: return "Socket is not connected.";
    case 10058: return "Cannot send or receive after socket is closed.";
    case 10059: return "Too many references, cannot splice.";
    case 10060: return "Connection timed out.";
    case 10061: return "Connection refused.";
    case 10062: return "Too many levels of symbolic links.";
    case 10063: return "File name too long.";
    case 10064: return "Host is down.";
    case 10065: return "No route to host.";
    case 10066: return "Directory not empty";
    default: return "";
    }
}

// A whole decimal number from 0 to 255, nothing else.
bool IsOctet(std::string_view part)
{
    if (part.empty())
        return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size() && value <= 255;
}

} // namespace

std::string SocketStack::LocalAddress()
{
    const auto& list = LocalAddresses();
    return list.empty() ? std::string() : list.front();
}

const std::vector<std::string>& SocketStack::LocalAddresses()
{
    RefreshLocalAddresses();
    return localAddresses_;
}

std::string SocketStack::ErrorText(std::int32_t code)
{
    return "Socket Error # " + std::to_string(code) + "\r\n" + BaseErrorText(code);
}

bool SocketStack::CheckSocketResult(long result, std::initializer_list<std::int32_t> ignore)
{
    if (result != SocketFailed)
        return false;
    const std::int32_t code = LastSocketError();
    lastErrorCode_.store(code);
    if (std::find(ignore.begin(), ignore.end(), code) != ignore.end())
        return true;
    RaiseStackError(code);
}

OsSocket SocketStack::NewSocket(int type, int protocol)
{
    const OsSocket socket = CreateSocket(AddressFamilyInet, type, protocol);
    if (socket == NoSocket)
        throw InvalidSocketError();
    return socket;
}

void SocketStack::RaiseStackError(std::int32_t code)
{
    throw SocketError(code, ErrorText(code));
}

std::string SocketStack::ResolveHostName(const std::string& host)
{
    std::string upper = host;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "LOCALHOST")
        return "127.0.0.1";
    if (IsDottedQuad(host))
        return host;
    return GetHostByName(host);
}

bool SocketStack::IsDottedQuad(const std::string& text)
{
    // Cut three parts off at the dots; the rest is the fourth part. A missing dot leaves an
    // empty part, and a fourth part with more dots in it is not a number.
    std::string_view rest(text);
    std::string_view parts[4];
    for (int i = 0; i < 3; ++i) {
        const auto dot = rest.find('.');
        if (dot == std::string_view::npos) {
            parts[i] = rest;
            rest = {};
        } else {
            parts[i] = rest.substr(0, dot);
            rest.remove_prefix(dot + 1);
        }
    }
    parts[3] = rest;
    return std::all_of(std::begin(parts), std::end(parts), IsOctet);
}

SocketStack& SocketStack::Shared()
{
    SocketStack* stack = gSharedStack.load(std::memory_order_acquire);
    if (stack == nullptr)
        throw StackError("No network component exists.");
    return *stack;
}

SocketStack* SocketStack::SharedOrNull() noexcept
{
    return gSharedStack.load(std::memory_order_acquire);
}

void SocketStack::CountIn()
{
    std::lock_guard lock(gStackLock);
    if (gComponentCount == 0) {
        // A failed creation leaves the count and the reference as they were.
        gOwnedStack = gFactory ? gFactory() : std::make_unique<PlatformSocketStack>();
        gSharedStack.store(gOwnedStack.get(), std::memory_order_release);
    }
    ++gComponentCount;
}

void SocketStack::CountOut() noexcept
{
    std::lock_guard lock(gStackLock);
    if (gComponentCount <= 0)
        return;
    if (--gComponentCount == 0) {
        gSharedStack.store(nullptr, std::memory_order_release);
        gOwnedStack.reset();
    }
}

std::int32_t SocketStack::ComponentCount()
{
    std::lock_guard lock(gStackLock);
    return gComponentCount;
}

bool SocketStack::Started() noexcept
{
    return gStarted.load();
}

void SocketStack::SetStarted() noexcept
{
    gStarted.store(true);
}

void SocketStack::SetStackClass(Factory factory)
{
    std::lock_guard lock(gStackLock);
    gFactory = std::move(factory);
}

} // namespace quorvane::net
