#include "net/transport/SocketStack.h"

#include "net/transport/NetError.h"
#include "net/transport/PlatformSocketStack.h"
#include "net/transport/SocketErrorCodes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <mutex>
#include <stdexcept>

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
    case SocketErrorCode::Interrupted: return "Interrupted system call.";
    case SocketErrorCode::BadFileNumber: return "Bad file number.";
    case SocketErrorCode::AccessDenied: return "Access denied.";
    case SocketErrorCode::BadAddress: return "Bad address.";
    case SocketErrorCode::InvalidArgument: return "Invalid argument.";
    case SocketErrorCode::TooManyOpenFiles: return "Too many open files.";
    case SocketErrorCode::WouldBlock: return "Operation would block. ";
    case SocketErrorCode::InProgress: return "Operation now in progress.";
    case SocketErrorCode::AlreadyInProgress: return "Operation already in progress.";
    case SocketErrorCode::NotASocket: return "Socket operation on non-socket.";
    case SocketErrorCode::DestinationRequired: return "Destination address required.";
    case SocketErrorCode::MessageTooLong: return "Message too long.";
    case SocketErrorCode::WrongProtocolType: return "Protocol wrong type for socket.";
    case SocketErrorCode::BadProtocolOption: return "Bad protocol option.";
    case SocketErrorCode::ProtocolNotSupported: return "Protocol not supported.";
    case SocketErrorCode::SocketTypeNotSupported: return "Socket type not supported.";
    case SocketErrorCode::OperationNotSupported: return "Operation not supported on socket.";
    case SocketErrorCode::ProtocolFamilyNotSupported: return "Protocol family not supported.";
    case SocketErrorCode::AddressFamilyNotSupported: return "Address family not supported by protocol family.";
    case SocketErrorCode::AddressInUse: return "Address already in use.";
    case SocketErrorCode::AddressNotAvailable: return "Cannot assign requested address.";
    case SocketErrorCode::NetworkDown: return "Network is down.";
    case SocketErrorCode::NetworkUnreachable: return "Network is unreachable.";
    case SocketErrorCode::NetworkReset: return "Net dropped connection or reset.";
    case SocketErrorCode::ConnectionAborted: return "Software caused connection abort.";
    case SocketErrorCode::ConnectionReset: return "Connection reset by peer.";
    case SocketErrorCode::NoBufferSpace: return "No buffer space available.";
    case SocketErrorCode::AlreadyConnected: return "Socket is already connected.";
    case SocketErrorCode::NotConnected: return "Socket is not connected.";
    case SocketErrorCode::ShutDown: return "Cannot send or receive after socket is closed.";
    case SocketErrorCode::TooManyReferences: return "Too many references, cannot splice.";
    case SocketErrorCode::TimedOut: return "Connection timed out.";
    case SocketErrorCode::ConnectionRefused: return "Connection refused.";
    case SocketErrorCode::SymbolicLinkLoop: return "Too many levels of symbolic links.";
    case SocketErrorCode::NameTooLong: return "File name too long.";
    case SocketErrorCode::HostDown: return "Host is down.";
    case SocketErrorCode::HostUnreachable: return "No route to host.";
    case SocketErrorCode::DirectoryNotEmpty: return "Directory not empty";
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
    return NewSocketOfFamily(AddressFamilyInet, type, protocol);
}

OsSocket SocketStack::NewSocketOfFamily(int family, int type, int protocol)
{
    const OsSocket socket = CreateSocket(family, type, protocol);
    if (socket == NoSocket)
        throw InvalidSocketError();
    return socket;
}

void SocketStack::RaiseStackError(std::int32_t code)
{
    throw SocketError(code, ErrorText(code));
}

bool SocketStack::IsLocalHostName(const std::string& host)
{
    std::string upper = host;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper == "LOCALHOST";
}

bool SocketStack::IsIpLiteral(const std::string& text)
{
    if (IsDottedQuad(text))
        return true;
    if (FamilyOfAddressText(text) != AddressFamilyInet6)
        return false;
    try {
        TextToIn6Addr(text);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

std::vector<IpAddress> SocketStack::ResolveAddresses(const std::string& host)
{
    if (IsLocalHostName(host))
        return {{AddressFamilyInet, "127.0.0.1"}};
    if (IsDottedQuad(host))
        return {{AddressFamilyInet, host}};
    if (IsIpLiteral(host))
        return {{AddressFamilyInet6, host}};
    return InterleaveFamilies(GetAddressesByName(host));
}

std::vector<IpAddress> SocketStack::InterleaveFamilies(const std::vector<IpAddress>& addresses)
{
    std::vector<IpAddress> families[2];
    for (const IpAddress& address : addresses) {
        auto& list = families[address.Family == AddressFamilyInet6 ? 0 : 1];
        if (std::find(list.begin(), list.end(), address) == list.end())
            list.push_back(address);
    }
    std::vector<IpAddress> result;
    for (std::size_t i = 0; i < std::max(families[0].size(), families[1].size()); ++i) {
        for (const auto& list : families) {
            if (i < list.size())
                result.push_back(list[i]);
        }
    }
    return result;
}

std::string SocketStack::ResolveHostName(const std::string& host)
{
    if (IsLocalHostName(host))
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
