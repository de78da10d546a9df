#pragma once

#include "net/transport/SocketTypes.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::net {

/// The only door between the network code and the platform's socket library: every socket
/// is created, used and closed through it, and every name looked up, so a test can put a
/// stack of its own in its place (SetStackClass). A look-up on a thread of its own
/// (HostLookup) may outlive every stack instance, so it takes the stack's DetachedLookUp, a
/// plain function, rather than the stack. The one descriptor opened past the stack is a
/// connect worker's wake-up event counter (ConnectThread), which is no socket.
///
/// One instance is shared by every network component of the process (see CountIn/CountOut);
/// it exists while at least one component exists. Every operation runs on the calling thread
/// and blocks until the platform call returns. Results of platform calls are returned
/// unchecked unless stated otherwise; callers test them with CheckSocketResult.
class SocketStack {
public:
    /// At most this many sockets in one Select list.
    static constexpr std::size_t MaxSelectSet = 64;

    SocketStack() = default;
    SocketStack(const SocketStack&) = delete;
    SocketStack& operator=(const SocketStack&) = delete;
    virtual ~SocketStack() = default;

    /// Clears the local address list and fills it with every IPv4 address of this host.
    virtual void RefreshLocalAddresses() = 0;
    /// The first local address (the list is refreshed first); empty when there is none.
    virtual std::string LocalAddress();
    /// The refreshed local address list, owned by the stack.
    virtual const std::vector<std::string>& LocalAddresses();

    /// accept(); the peer's address and port (host order) are stored in `peerIp` / `peerPort`.
    virtual OsSocket AcceptSocket(OsSocket listening, std::string& peerIp, std::int32_t& peerPort) = 0;
    /// bind(); an empty `ip` binds to any local address of `family`. `port` in host order.
    virtual int BindSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port) = 0;
    /// close().
    virtual int ReleaseSocket(OsSocket socket) = 0;
    /// Blocking connect() to `ip` and `port` (host order). Like BindSocket, it takes a
    /// dotted quad with AddressFamilyInet and an IPv6 text with AddressFamilyInet6.
    virtual int ConnectSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port) = 0;
    /// Connect that returns early when `wakeHandle` (a descriptor) becomes readable: the
    /// socket is made non-blocking, connected, and waited on together with `wakeHandle`; it
    /// is blocking again afterwards. On wake-up the result is -1 with the interrupted-call
    /// error (SocketErrorCode::Interrupted). Other results as ConnectSocket.
    virtual int ConnectSocketInterruptible(OsSocket socket, int family, const std::string& ip, std::int32_t port,
                                           int wakeHandle) = 0;
    /// First IPv4 address of `hostName` as dotted-quad text; raises SocketError
    /// (SocketErrorCode::HostNotFound, "Host not found.") when the name has no address.
    virtual std::string GetHostByName(const std::string& hostName) = 0;
    /// Every address of `hostName`, IPv4 and IPv6, in the order the resolver gives them;
    /// raises SocketError (SocketErrorCode::HostNotFound, "Host not found.") when the name
    /// has none.
    virtual std::vector<IpAddress> GetAddressesByName(const std::string& hostName) = 0;
    /// A look-up as GetAddressesByName does it: appends the addresses of `hostName` in the
    /// resolver's order and returns 0, or returns the error code.
    using AddressLookUp = std::int32_t (*)(const std::string& hostName, std::vector<IpAddress>& addresses);
    /// The look-up behind GetAddressesByName as a function that needs no stack instance, for a
    /// thread that may outlive every stack (the resolver cannot be cancelled).
    virtual AddressLookUp DetachedLookUp() const = 0;
    virtual std::string GetHostName() = 0;
    /// Reverse lookup of a dotted-quad address; raises SocketError when there is no entry.
    virtual std::string GetHostByAddr(const std::string& ip) = 0;
    /// Port (host order) of a service name, or the name read as a decimal number;
    /// raises InvalidServiceNameError otherwise.
    virtual std::int32_t GetServByName(const std::string& service) = 0;
    /// The service name of `port` followed by its aliases; empty when there is none.
    virtual std::vector<std::string> GetServByPort(std::int32_t port) = 0;
    virtual std::uint16_t HToNS(std::uint16_t value) = 0;
    virtual int ListenSocket(OsSocket socket, int backlog) = 0;
    virtual std::uint16_t NToHS(std::uint16_t value) = 0;
    virtual std::uint32_t HToNL(std::uint32_t value) = 0;
    virtual std::uint32_t NToHL(std::uint32_t value) = 0;
    /// recv(); byte count, 0 when the peer closed, -1 on failure.
    virtual long RecvBytes(OsSocket socket, void* buffer, std::size_t length, int flags) = 0;
    virtual long RecvFrom(OsSocket socket, void* buffer, std::size_t length, int flags, std::string& senderIp,
                          std::int32_t& senderPort) = 0;
    /// Waits until a socket of a list is ready. Absent lists are null; a present list holds at
    /// most MaxSelectSet sockets (else StackSetSizeExceededError) and is replaced by the
    /// sockets found ready in it. `timeoutMs` -2 waits without limit. Returns the number of
    /// ready sockets, 0 on time-out, -1 on failure.
    virtual int Select(std::vector<OsSocket>* readList, std::vector<OsSocket>* writeList, std::int32_t timeoutMs,
                       std::vector<OsSocket>* errorList) = 0;
    /// send(); never raises SIGPIPE: a write to a closed peer fails with an error code instead.
    virtual long SendBytes(OsSocket socket, const void* buffer, std::size_t length, int flags) = 0;
    virtual long SendTo(OsSocket socket, const void* buffer, std::size_t length, int flags, const std::string& ip,
                        std::int32_t port) = 0;
    virtual int SetSockOpt(OsSocket socket, int level, int option, const void* value, unsigned length) = 0;
    virtual OsSocket CreateSocket(int family, int type, int protocol) = 0;
    virtual int ShutdownSocket(OsSocket socket, int how) = 0;
    /// "Socket Error # <code>" CR LF and the code's text (empty for an unknown code).
    virtual std::string ErrorText(std::int32_t code);
    /// The last platform error of the calling thread, as the system's error code
    /// (SocketErrorCode::ConnectionRefused ...).
    virtual std::int32_t LastSocketError() = 0;
    /// getpeername(); raises SocketError on failure.
    virtual SocketAddress GetPeerName(OsSocket socket) = 0;
    /// getsockname(); raises SocketError on failure.
    virtual SocketAddress GetSockName(OsSocket socket) = 0;
    virtual int GetSockOpt(OsSocket socket, int level, int option, void* buffer, unsigned* length) = 0;
    virtual std::string InAddrToText(const std::array<std::uint8_t, 4>& address) = 0;
    /// Dotted-quad text to 4 bytes; a part that is not a whole number from 0 to 255 raises
    /// std::invalid_argument.
    virtual std::array<std::uint8_t, 4> TextToInAddr(const std::string& text) = 0;
    /// The IPv6 counterparts: 16 bytes to the compressed text form and back; a text that
    /// is no IPv6 address raises std::invalid_argument.
    virtual std::string In6AddrToText(const std::array<std::uint8_t, 16>& address) = 0;
    virtual std::array<std::uint8_t, 16> TextToIn6Addr(const std::string& text) = 0;

    /// True when `result` is -1 and the error is in `ignore`; false when `result` is not -1.
    /// Otherwise raises SocketError. A failed result always leaves its code in LastErrorCode.
    bool CheckSocketResult(long result, std::initializer_list<std::int32_t> ignore = {});
    /// A new IPv4 socket; raises InvalidSocketError "Cannot allocate socket." on failure.
    OsSocket NewSocket(int type, int protocol);
    /// As NewSocket, for `family` (AddressFamilyInet or AddressFamilyInet6).
    OsSocket NewSocketOfFamily(int family, int type, int protocol);
    /// Raises SocketError with ErrorText(code).
    [[noreturn]] void RaiseStackError(std::int32_t code);
    /// "127.0.0.1" for localhost in any letter case, a dotted quad unchanged, otherwise the
    /// first address of the name lookup.
    std::string ResolveHostName(const std::string& host);
    /// Four "."-separated whole numbers from 0 to 255.
    static bool IsDottedQuad(const std::string& text);
    /// A dotted quad or an IPv6 address text (without brackets): nothing to look up.
    bool IsIpLiteral(const std::string& text);
    /// Every address to try for `host`: "127.0.0.1" for localhost in any letter case, an IP
    /// literal unchanged, otherwise the look-up's addresses with the families interleaved,
    /// IPv6 first (RFC 8305). Raises SocketError (SocketErrorCode::HostNotFound) when the
    /// name has no address.
    std::vector<IpAddress> ResolveAddresses(const std::string& host);
    /// `addresses` reordered IPv6, IPv4, IPv6, ... keeping the order within each family;
    /// repeated addresses are dropped.
    static std::vector<IpAddress> InterleaveFamilies(const std::vector<IpAddress>& addresses);
    /// localhost in any letter case.
    static bool IsLocalHostName(const std::string& host);

    /// The error code read by the last failed result check (shared by all threads, so
    /// only a caller of CheckSocketResult on a single thread may rely on it). Receives and
    /// sends never pass their reasons through it: IoResult carries them.
    std::int32_t LastErrorCode() const noexcept { return lastErrorCode_.load(); }

    // --- the process-wide shared stack -------------------------------------------------

    /// The shared stack; only valid while a network component exists.
    static SocketStack& Shared();
    /// The shared stack or null when no network component exists.
    static SocketStack* SharedOrNull() noexcept;
    /// Counts a network component in; the count going from 0 to 1 creates the shared stack.
    /// A failed creation propagates and leaves the count unchanged.
    static void CountIn();
    /// Counts a network component out; the count going from 1 to 0 destroys the stack.
    static void CountOut() noexcept;
    static std::int32_t ComponentCount();
    /// The platform start-up has succeeded once in this process.
    static bool Started() noexcept;
    static void SetStarted() noexcept;
    /// Replaces the class instantiated as the shared stack (PlatformSocketStack by default);
    /// an empty factory restores the default.
    using Factory = std::function<std::unique_ptr<SocketStack>()>;
    static void SetStackClass(Factory factory);

protected:
    std::vector<std::string> localAddresses_;
    std::atomic<std::int32_t> lastErrorCode_{0};
};

} // namespace quorvane::net
