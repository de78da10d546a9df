#pragma once

#include "net/transport/SocketStack.h"

namespace quorvane::net {

/// The socket stack over the C library's BSD sockets, bound at run time (SocketLibrary).
/// Its constructor starts the library once per process; a failed start raises
/// StackInitializationError and leaves the started flag clear.
class PlatformSocketStack : public SocketStack {
public:
    PlatformSocketStack();

    void RefreshLocalAddresses() override;
    OsSocket AcceptSocket(OsSocket listening, std::string& peerIp, std::int32_t& peerPort) override;
    int BindSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port) override;
    int ReleaseSocket(OsSocket socket) override;
    int ConnectSocket(OsSocket socket, int family, const std::string& ip, std::int32_t port) override;
    int ConnectSocketInterruptible(OsSocket socket, int family, const std::string& ip, std::int32_t port,
                                   int wakeHandle) override;
    std::string GetHostByName(const std::string& hostName) override;
    std::vector<IpAddress> GetAddressesByName(const std::string& hostName) override;
    AddressLookUp DetachedLookUp() const override { return &LookUpAddresses; }
    std::string GetHostName() override;
    std::string GetHostByAddr(const std::string& ip) override;
    std::int32_t GetServByName(const std::string& service) override;
    std::vector<std::string> GetServByPort(std::int32_t port) override;
    std::uint16_t HToNS(std::uint16_t value) override;
    int ListenSocket(OsSocket socket, int backlog) override;
    std::uint16_t NToHS(std::uint16_t value) override;
    std::uint32_t HToNL(std::uint32_t value) override;
    std::uint32_t NToHL(std::uint32_t value) override;
    long RecvBytes(OsSocket socket, void* buffer, std::size_t length, int flags) override;
    long RecvFrom(OsSocket socket, void* buffer, std::size_t length, int flags, std::string& senderIp,
                  std::int32_t& senderPort) override;
    int Select(std::vector<OsSocket>* readList, std::vector<OsSocket>* writeList, std::int32_t timeoutMs,
               std::vector<OsSocket>* errorList) override;
    long SendBytes(OsSocket socket, const void* buffer, std::size_t length, int flags) override;
    long SendTo(OsSocket socket, const void* buffer, std::size_t length, int flags, const std::string& ip,
                std::int32_t port) override;
    int SetSockOpt(OsSocket socket, int level, int option, const void* value, unsigned length) override;
    OsSocket CreateSocket(int family, int type, int protocol) override;
    int ShutdownSocket(OsSocket socket, int how) override;
    std::string ErrorText(std::int32_t code) override;
    std::int32_t LastSocketError() override;
    SocketAddress GetPeerName(OsSocket socket) override;
    SocketAddress GetSockName(OsSocket socket) override;
    int GetSockOpt(OsSocket socket, int level, int option, void* buffer, unsigned* length) override;
    std::string InAddrToText(const std::array<std::uint8_t, 4>& address) override;
    std::array<std::uint8_t, 4> TextToInAddr(const std::string& text) override;
    std::string In6AddrToText(const std::array<std::uint8_t, 16>& address) override;
    std::array<std::uint8_t, 16> TextToIn6Addr(const std::string& text) override;

    /// The look-up behind GetAddressesByName, through the bound library alone: it touches no
    /// stack, so a look-up thread may outlive every network component. Appends the addresses
    /// in the resolver's order and returns 0, or the error code (SocketErrorCode::HostNotFound
    /// when none).
    static std::int32_t LookUpAddresses(const std::string& hostName, std::vector<IpAddress>& addresses);

    /// Translates a C library error number into the system's error code (ECONNREFUSED ->
    /// SocketErrorCode::ConnectionRefused ...). Numbers without a counterpart are returned
    /// unchanged.
    static std::int32_t TranslateErrno(int error);
};

} // namespace quorvane::net
