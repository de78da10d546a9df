#pragma once

#include <cstdint>
#include <string>

struct addrinfo;
struct pollfd;
struct servent;
struct sockaddr;

namespace quorvane::net {

/// The platform's socket library, bound at run time function by function.
///
/// Nothing is bound when the program starts: every call slot points at a stub. The first
/// call through a slot looks the function up by its exported name (only while the library is
/// loaded), stores the address in the slot and completes the call; later calls go straight to
/// the library. Calling while the library is not loaded raises SocketLibraryError with code
/// 10093. Slot resolution takes no lock: two threads resolving the same slot store the same
/// address.
class SocketLibrary {
public:
    /// The library every socket call is bound to on this system.
    static constexpr const char* DefaultLibraryName = "libc.so.6";

    /// Loads the library when it is not loaded yet and returns 0 (success). A library that is
    /// already loaded is not loaded again. Raises SocketLibraryError when loading fails, with
    /// the loader's text and "Error on loading socket library (<name>)".
    static int Startup(const std::string& libraryName = DefaultLibraryName);
    /// Frees the library (if loaded) and points every call slot back at its stub.
    static void Unload();
    static bool Loaded();
    /// How often the library has been loaded in this process.
    static int LoadCount();
    /// True when the slot of the function exported as `name` points at the library
    /// rather than at its resolving stub.
    static bool IsBound(const std::string& name);

    // Call slots; each one behaves as the C library function of the same name.
    static int Socket(int family, int type, int protocol);
    static int Close(int fd);
    static int Bind(int fd, const sockaddr* address, unsigned length);
    static int Connect(int fd, const sockaddr* address, unsigned length);
    static int Listen(int fd, int backlog);
    static int Accept(int fd, sockaddr* address, unsigned* length);
    static long Recv(int fd, void* buffer, unsigned long length, int flags);
    static long Send(int fd, const void* buffer, unsigned long length, int flags);
    static long RecvFrom(int fd, void* buffer, unsigned long length, int flags, sockaddr* from, unsigned* fromLength);
    static long SendTo(int fd, const void* buffer, unsigned long length, int flags, const sockaddr* to,
                       unsigned toLength);
    static int SetSockOpt(int fd, int level, int option, const void* value, unsigned length);
    static int GetSockOpt(int fd, int level, int option, void* value, unsigned* length);
    static int Shutdown(int fd, int how);
    static int GetAddrInfo(const char* node, const char* service, const addrinfo* hints, addrinfo** result);
    static void FreeAddrInfo(addrinfo* info);
    static int GetNameInfo(const sockaddr* address, unsigned length, char* host, unsigned hostLength, char* service,
                           unsigned serviceLength, int flags);
    static int GetHostName(char* name, unsigned long length);
    static servent* GetServByName(const char* name, const char* protocol);
    static servent* GetServByPort(int port, const char* protocol);
    static std::uint16_t HToNS(std::uint16_t value);
    static std::uint16_t NToHS(std::uint16_t value);
    static std::uint32_t HToNL(std::uint32_t value);
    static std::uint32_t NToHL(std::uint32_t value);
    static int Poll(pollfd* fds, unsigned long count, int timeoutMs);
    static int GetPeerName(int fd, sockaddr* address, unsigned* length);
    static int GetSockName(int fd, sockaddr* address, unsigned* length);
    static std::uint32_t InetAddr(const char* text);
    /// Address text to bytes and back (IPv4 and IPv6).
    static int InetPton(int family, const char* text, void* address);
    static const char* InetNtop(int family, const void* address, char* text, unsigned length);
    /// fcntl with one integer argument (F_GETFL / F_SETFL).
    static int Fcntl(int fd, int command, int argument);
};

} // namespace quorvane::net
