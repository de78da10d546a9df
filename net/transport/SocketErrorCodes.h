#pragma once

#include <cstdint>

namespace quorvane::net {

/// The system's socket error codes, as LastSocketError reports them and ErrorText words
/// them (SocketStack.cpp holds the texts in the same order). The platform's own error
/// numbers are translated into these (PlatformSocketStack::TranslateErrno), so every
/// layer compares against a name here, never a bare number.
namespace SocketErrorCode {
inline constexpr std::int32_t Interrupted = 10004;
inline constexpr std::int32_t BadFileNumber = 10009;
inline constexpr std::int32_t AccessDenied = 10013;
inline constexpr std::int32_t BadAddress = 10014;
inline constexpr std::int32_t InvalidArgument = 10022;
inline constexpr std::int32_t TooManyOpenFiles = 10024;
inline constexpr std::int32_t WouldBlock = 10035;
inline constexpr std::int32_t InProgress = 10036;
inline constexpr std::int32_t AlreadyInProgress = 10037;
inline constexpr std::int32_t NotASocket = 10038;
inline constexpr std::int32_t DestinationRequired = 10039;
inline constexpr std::int32_t MessageTooLong = 10040;
inline constexpr std::int32_t WrongProtocolType = 10041;
inline constexpr std::int32_t BadProtocolOption = 10042;
inline constexpr std::int32_t ProtocolNotSupported = 10043;
inline constexpr std::int32_t SocketTypeNotSupported = 10044;
inline constexpr std::int32_t OperationNotSupported = 10045;
inline constexpr std::int32_t ProtocolFamilyNotSupported = 10046;
inline constexpr std::int32_t AddressFamilyNotSupported = 10047;
inline constexpr std::int32_t AddressInUse = 10048;
inline constexpr std::int32_t AddressNotAvailable = 10049;
inline constexpr std::int32_t NetworkDown = 10050;
inline constexpr std::int32_t NetworkUnreachable = 10051;
inline constexpr std::int32_t NetworkReset = 10052;
inline constexpr std::int32_t ConnectionAborted = 10053;
inline constexpr std::int32_t ConnectionReset = 10054;
inline constexpr std::int32_t NoBufferSpace = 10055;
inline constexpr std::int32_t AlreadyConnected = 10056;
inline constexpr std::int32_t NotConnected = 10057;
inline constexpr std::int32_t ShutDown = 10058;
inline constexpr std::int32_t TooManyReferences = 10059;
inline constexpr std::int32_t TimedOut = 10060;
inline constexpr std::int32_t ConnectionRefused = 10061;
inline constexpr std::int32_t SymbolicLinkLoop = 10062;
inline constexpr std::int32_t NameTooLong = 10063;
inline constexpr std::int32_t HostDown = 10064;
inline constexpr std::int32_t HostUnreachable = 10065;
inline constexpr std::int32_t DirectoryNotEmpty = 10066;
/// A library function called while the socket library is not loaded.
inline constexpr std::int32_t LibraryNotStarted = 10093;
/// A name the resolver could not turn into an address.
inline constexpr std::int32_t HostNotFound = 11001;
} // namespace SocketErrorCode

} // namespace quorvane::net
