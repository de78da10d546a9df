#include "net/transport/SocketLibrary.h"

#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace quorvane::net {
namespace {

// One entry per function the stack calls, in a fixed order.
enum Fn : std::size_t {
    kSocket,
    kClose,
    kBind,
    kConnect,
    kListen,
    kAccept,
    kRecv,
    kSend,
    kRecvFrom,
    kSendTo,
    kSetSockOpt,
    kGetSockOpt,
    kShutdown,
    kGetAddrInfo,
    kFreeAddrInfo,
    kGetNameInfo,
    kGetHostName,
    kGetServByName,
    kGetServByPort,
    kHtons,
    kNtohs,
    kHtonl,
    kNtohl,
    kPoll,
    kGetPeerName,
    kGetSockName,
    kInetAddr,
    kInetPton,
    kInetNtop,
    kFcntl,
    kFunctionCount
};

struct Entry {
    const char* name;
    std::atomic<void*> slot;
    void* stub;
};

// The library handle: empty until the first start-up.
std::atomic<void*> gHandle{nullptr};
std::atomic<int> gLoadCount{0};
std::mutex gLoadLock;

extern Entry gTable[kFunctionCount];

std::string Format(const char* format, const std::string& argument)
{
    std::string text(format);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

// Looks the function up in the loaded library and stores it in its call slot.
void* Resolve(Fn fn)
{
    Entry& entry = gTable[fn];
    void* handle = gHandle.load(std::memory_order_acquire);
    if (handle == nullptr) {
        throw SocketLibraryError(SocketErrorCode::LibraryNotStarted, "Socket library not started",
                                 Format("Error on call socket library function %s", entry.name));
    }
    ::dlerror();
    void* address = ::dlsym(handle, entry.name);
    if (address == nullptr) {
        // Never call through an empty address: report the missing export instead.
        const char* why = ::dlerror();
        throw SocketLibraryError(0, why ? why : "Function not found",
                                 Format("Error on call socket library function %s", entry.name));
    }
    entry.slot.store(address, std::memory_order_release);
    return address;
}

template <Fn F, typename R, typename... A>
struct Binding {
    using Pointer = R (*)(A...);
    static R Stub(A... args) { return reinterpret_cast<Pointer>(Resolve(F))(args...); }
    static R Call(A... args)
    {
        return reinterpret_cast<Pointer>(gTable[F].slot.load(std::memory_order_acquire))(args...);
    }
    static void* StubAddress() { return reinterpret_cast<void*>(&Stub); }
};

using BSocket = Binding<kSocket, int, int, int, int>;
using BClose = Binding<kClose, int, int>;
using BBind = Binding<kBind, int, int, const sockaddr*, socklen_t>;
using BConnect = Binding<kConnect, int, int, const sockaddr*, socklen_t>;
using BListen = Binding<kListen, int, int, int>;
using BAccept = Binding<kAccept, int, int, sockaddr*, socklen_t*, int>;
using BRecv = Binding<kRecv, ssize_t, int, void*, size_t, int>;
using BSend = Binding<kSend, ssize_t, int, const void*, size_t, int>;
using BRecvFrom = Binding<kRecvFrom, ssize_t, int, void*, size_t, int, sockaddr*, socklen_t*>;
using BSendTo = Binding<kSendTo, ssize_t, int, const void*, size_t, int, const sockaddr*, socklen_t>;
using BSetSockOpt = Binding<kSetSockOpt, int, int, int, int, const void*, socklen_t>;
using BGetSockOpt = Binding<kGetSockOpt, int, int, int, int, void*, socklen_t*>;
using BShutdown = Binding<kShutdown, int, int, int>;
using BGetAddrInfo = Binding<kGetAddrInfo, int, const char*, const char*, const addrinfo*, addrinfo**>;
using BFreeAddrInfo = Binding<kFreeAddrInfo, void, addrinfo*>;
using BGetNameInfo = Binding<kGetNameInfo, int, const sockaddr*, socklen_t, char*, socklen_t, char*, socklen_t, int>;
using BGetHostName = Binding<kGetHostName, int, char*, size_t>;
using BGetServByName = Binding<kGetServByName, servent*, const char*, const char*>;
using BGetServByPort = Binding<kGetServByPort, servent*, int, const char*>;
using BHtons = Binding<kHtons, uint16_t, uint16_t>;
using BNtohs = Binding<kNtohs, uint16_t, uint16_t>;
using BHtonl = Binding<kHtonl, uint32_t, uint32_t>;
using BNtohl = Binding<kNtohl, uint32_t, uint32_t>;
using BPoll = Binding<kPoll, int, pollfd*, nfds_t, int>;
using BGetPeerName = Binding<kGetPeerName, int, int, sockaddr*, socklen_t*>;
using BGetSockName = Binding<kGetSockName, int, int, sockaddr*, socklen_t*>;
using BInetAddr = Binding<kInetAddr, in_addr_t, const char*>;
using BInetPton = Binding<kInetPton, int, int, const char*, void*>;
using BInetNtop = Binding<kInetNtop, const char*, int, const void*, char*, socklen_t>;

// fcntl is variadic, so its slot has the variadic type and its stub reads the one argument.
using FcntlPointer = int (*)(int, int, ...);
int FcntlStub(int fd, int command, ...)
{
    va_list list;
    va_start(list, command);
    const int argument = va_arg(list, int);
    va_end(list);
    return reinterpret_cast<FcntlPointer>(Resolve(kFcntl))(fd, command, argument);
}

Entry gTable[kFunctionCount] = {
    {"socket", {BSocket::StubAddress()}, BSocket::StubAddress()},
    {"close", {BClose::StubAddress()}, BClose::StubAddress()},
    {"bind", {BBind::StubAddress()}, BBind::StubAddress()},
    {"connect", {BConnect::StubAddress()}, BConnect::StubAddress()},
    {"listen", {BListen::StubAddress()}, BListen::StubAddress()},
    // accept4, so that an accepted socket is close-on-exec from its first moment.
    {"accept4", {BAccept::StubAddress()}, BAccept::StubAddress()},
    {"recv", {BRecv::StubAddress()}, BRecv::StubAddress()},
    {"send", {BSend::StubAddress()}, BSend::StubAddress()},
    {"recvfrom", {BRecvFrom::StubAddress()}, BRecvFrom::StubAddress()},
    {"sendto", {BSendTo::StubAddress()}, BSendTo::StubAddress()},
    {"setsockopt", {BSetSockOpt::StubAddress()}, BSetSockOpt::StubAddress()},
    {"getsockopt", {BGetSockOpt::StubAddress()}, BGetSockOpt::StubAddress()},
    {"shutdown", {BShutdown::StubAddress()}, BShutdown::StubAddress()},
    {"getaddrinfo", {BGetAddrInfo::StubAddress()}, BGetAddrInfo::StubAddress()},
    {"freeaddrinfo", {BFreeAddrInfo::StubAddress()}, BFreeAddrInfo::StubAddress()},
    {"getnameinfo", {BGetNameInfo::StubAddress()}, BGetNameInfo::StubAddress()},
    {"gethostname", {BGetHostName::StubAddress()}, BGetHostName::StubAddress()},
    {"getservbyname", {BGetServByName::StubAddress()}, BGetServByName::StubAddress()},
    {"getservbyport", {BGetServByPort::StubAddress()}, BGetServByPort::StubAddress()},
    {"htons", {BHtons::StubAddress()}, BHtons::StubAddress()},
    {"ntohs", {BNtohs::StubAddress()}, BNtohs::StubAddress()},
    {"htonl", {BHtonl::StubAddress()}, BHtonl::StubAddress()},
    {"ntohl", {BNtohl::StubAddress()}, BNtohl::StubAddress()},
    {"poll", {BPoll::StubAddress()}, BPoll::StubAddress()},
    {"getpeername", {BGetPeerName::StubAddress()}, BGetPeerName::StubAddress()},
    {"getsockname", {BGetSockName::StubAddress()}, BGetSockName::StubAddress()},
    {"inet_addr", {BInetAddr::StubAddress()}, BInetAddr::StubAddress()},
    {"inet_pton", {BInetPton::StubAddress()}, BInetPton::StubAddress()},
    {"inet_ntop", {BInetNtop::StubAddress()}, BInetNtop::StubAddress()},
    {"fcntl", {reinterpret_cast<void*>(&FcntlStub)}, reinterpret_cast<void*>(&FcntlStub)},
};

// Frees the library when the program ends.
struct UnloadAtExit {
    ~UnloadAtExit() { SocketLibrary::Unload(); }
} gUnloadAtExit;

} // namespace

int SocketLibrary::Startup(const std::string& libraryName)
{
    std::lock_guard lock(gLoadLock);
    if (gHandle.load(std::memory_order_acquire) != nullptr)
        return 0;
    void* handle = ::dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        throw SocketLibraryError(0, why ? why : "", Format("Error on loading socket library (%s)", libraryName));
    }
    gHandle.store(handle, std::memory_order_release);
    gLoadCount.fetch_add(1);
    // Sockets need no further platform start-up here.
    return 0;
}

void SocketLibrary::Unload()
{
    void* handle = gHandle.exchange(nullptr);
    if (handle == nullptr)
        return;
    ::dlclose(handle);
    for (Entry& entry : gTable)
        entry.slot.store(entry.stub, std::memory_order_release);
}

bool SocketLibrary::Loaded()
{
    return gHandle.load(std::memory_order_acquire) != nullptr;
}

int SocketLibrary::LoadCount()
{
    return gLoadCount.load();
}

bool SocketLibrary::IsBound(const std::string& name)
{
    for (const Entry& entry : gTable) {
        if (name == entry.name)
            return entry.slot.load(std::memory_order_acquire) != entry.stub;
    }
    return false;
}

int SocketLibrary::Socket(int family, int type, int protocol)
{
    return BSocket::Call(family, type, protocol);
}
int SocketLibrary::Close(int fd)
{
    return BClose::Call(fd);
}
int SocketLibrary::Bind(int fd, const sockaddr* address, unsigned length)
{
    return BBind::Call(fd, address, length);
}
int SocketLibrary::Connect(int fd, const sockaddr* address, unsigned length)
{
    return BConnect::Call(fd, address, length);
}
int SocketLibrary::Listen(int fd, int backlog)
{
    return BListen::Call(fd, backlog);
}
int SocketLibrary::Accept(int fd, sockaddr* address, unsigned* length)
{
    return BAccept::Call(fd, address, length, SOCK_CLOEXEC);
}
long SocketLibrary::Recv(int fd, void* buffer, unsigned long length, int flags)
{
    return BRecv::Call(fd, buffer, length, flags);
}
long SocketLibrary::Send(int fd, const void* buffer, unsigned long length, int flags)
{
    return BSend::Call(fd, buffer, length, flags);
}
long SocketLibrary::RecvFrom(int fd, void* buffer, unsigned long length, int flags, sockaddr* from,
                             unsigned* fromLength)
{
    return BRecvFrom::Call(fd, buffer, length, flags, from, fromLength);
}
long SocketLibrary::SendTo(int fd, const void* buffer, unsigned long length, int flags, const sockaddr* to,
                           unsigned toLength)
{
    return BSendTo::Call(fd, buffer, length, flags, to, toLength);
}
int SocketLibrary::SetSockOpt(int fd, int level, int option, const void* value, unsigned length)
{
    return BSetSockOpt::Call(fd, level, option, value, length);
}
int SocketLibrary::GetSockOpt(int fd, int level, int option, void* value, unsigned* length)
{
    return BGetSockOpt::Call(fd, level, option, value, length);
}
int SocketLibrary::Shutdown(int fd, int how)
{
    return BShutdown::Call(fd, how);
}
int SocketLibrary::GetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result)
{
    return BGetAddrInfo::Call(node, service, hints, result);
}
void SocketLibrary::FreeAddrInfo(addrinfo* info)
{
    BFreeAddrInfo::Call(info);
}
int SocketLibrary::GetNameInfo(const sockaddr* address, unsigned length, char* host, unsigned hostLength, char* service,
                               unsigned serviceLength, int flags)
{
    return BGetNameInfo::Call(address, length, host, hostLength, service, serviceLength, flags);
}
int SocketLibrary::GetHostName(char* name, unsigned long length)
{
    return BGetHostName::Call(name, length);
}
servent* SocketLibrary::GetServByName(const char* name, const char* protocol)
{
    return BGetServByName::Call(name, protocol);
}
servent* SocketLibrary::GetServByPort(int port, const char* protocol)
{
    return BGetServByPort::Call(port, protocol);
}
std::uint16_t SocketLibrary::HToNS(std::uint16_t value)
{
    return BHtons::Call(value);
}
std::uint16_t SocketLibrary::NToHS(std::uint16_t value)
{
    return BNtohs::Call(value);
}
std::uint32_t SocketLibrary::HToNL(std::uint32_t value)
{
    return BHtonl::Call(value);
}
std::uint32_t SocketLibrary::NToHL(std::uint32_t value)
{
    return BNtohl::Call(value);
}
int SocketLibrary::Poll(pollfd* fds, unsigned long count, int timeoutMs)
{
    return BPoll::Call(fds, count, timeoutMs);
}
int SocketLibrary::GetPeerName(int fd, sockaddr* address, unsigned* length)
{
    return BGetPeerName::Call(fd, address, length);
}
int SocketLibrary::GetSockName(int fd, sockaddr* address, unsigned* length)
{
    return BGetSockName::Call(fd, address, length);
}
std::uint32_t SocketLibrary::InetAddr(const char* text)
{
    return BInetAddr::Call(text);
}
int SocketLibrary::InetPton(int family, const char* text, void* address)
{
    return BInetPton::Call(family, text, address);
}
const char* SocketLibrary::InetNtop(int family, const void* address, char* text, unsigned length)
{
    return BInetNtop::Call(family, address, text, length);
}
int SocketLibrary::Fcntl(int fd, int command, int argument)
{
    return reinterpret_cast<FcntlPointer>(gTable[kFcntl].slot.load(std::memory_order_acquire))(fd, command, argument);
}

} // namespace quorvane::net
