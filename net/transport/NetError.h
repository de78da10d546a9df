#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorvane::net {

/// Root of every network failure. The message is the fixed text shown to the user.
class NetError : public std::runtime_error {
public:
    explicit NetError(const std::string& message) : std::runtime_error(message) {}
};

/// A failure that the upper layers treat as an ordinary end rather than a fault.
class SilentNetError : public NetError {
public:
    using NetError::NetError;
};

/// The peer closed the connection and nothing is left to read.
class ConnClosedGracefullyError : public SilentNetError {
public:
    ConnClosedGracefullyError() : SilentNetError("Connection Closed Gracefully.") {}
};

class AlreadyConnectedError : public NetError {
public:
    AlreadyConnectedError() : NetError("Already connected.") {}
};

/// Receive or send on an I/O handler that holds no socket.
class ClosedSocketError : public NetError {
public:
    ClosedSocketError() : NetError("Disconnected.") {}
};

class ReadTimeoutError : public NetError {
public:
    ReadTimeoutError() : NetError("Read Timeout") {}
};

class WriteTimeoutError : public NetError {
public:
    WriteTimeoutError() : NetError("Write Timeout") {}
};

class MaxLineLengthExceededError : public NetError {
public:
    MaxLineLengthExceededError() : NetError("Max line length exceeded.") {}
};

class InvalidServiceNameError : public NetError {
public:
    /// `service` is the name that is neither a known service nor a number.
    explicit InvalidServiceNameError(const std::string& service) : NetError(service + " is not a valid service.") {}
};

class ConnectTimeoutError : public NetError {
public:
    ConnectTimeoutError() : NetError("Connect timed out.") {}
};

/// A watched connect failed on its worker; the message is the worker's error text.
/// Code() is the system's error code when the worker's error carried one (a SocketError:
/// refused, timed out, unreachable, ...), else 0.
class ConnectError : public NetError {
public:
    explicit ConnectError(const std::string& message, std::int32_t code = 0) : NetError(message), code_(code) {}
    std::int32_t Code() const noexcept { return code_; }

private:
    std::int32_t code_;
};

class InvalidSocketError : public NetError {
public:
    InvalidSocketError() : NetError("Cannot allocate socket.") {}
};

/// A failed platform socket call. Code() is the system's error code (e.g. 10061).
class SocketError : public NetError {
public:
    SocketError(std::int32_t code, const std::string& message) : NetError(message), code_(code) {}
    std::int32_t Code() const noexcept { return code_; }

private:
    std::int32_t code_;
};

/// The socket library could not be loaded or one of its functions could not be called.
/// The message is "<system text>: <title>" or the title alone when there is no system text.
class SocketLibraryError : public NetError {
public:
    SocketLibraryError(std::int32_t code, const std::string& systemText, const std::string& title)
        : NetError(systemText.empty() ? title : systemText + ": " + title),
          code_(code),
          systemText_(systemText),
          title_(title)
    {}
    std::int32_t Code() const noexcept { return code_; }
    const std::string& SystemText() const noexcept { return systemText_; }
    const std::string& Title() const noexcept { return title_; }

private:
    std::int32_t code_;
    std::string systemText_;
    std::string title_;
};

class StackError : public NetError {
public:
    using NetError::NetError;
};

class StackInitializationError : public StackError {
public:
    StackInitializationError() : StackError("Socket Initialization Error.") {}
};

class StackSetSizeExceededError : public StackError {
public:
    StackSetSizeExceededError() : StackError("Set Size Exceeded.") {}
};

class SocketHandleError : public NetError {
public:
    using NetError::NetError;
};

class CouldNotBindSocketError : public SocketHandleError {
public:
    CouldNotBindSocketError() : SocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

class CanNotBindPortInRangeError : public SocketHandleError {
public:
    CanNotBindPortInRangeError(std::int32_t min, std::int32_t max)
        : SocketHandleError("Can not bind in port range (" + std::to_string(min) + " - " + std::to_string(max) + ")")
    {}
};

class InvalidPortRangeError : public SocketHandleError {
public:
    InvalidPortRangeError(std::int32_t min, std::int32_t max)
        : SocketHandleError("Invalid Port Range (" + std::to_string(min) + " - " + std::to_string(max) + ")")
    {}
};

class TcpConnectionError : public NetError {
public:
    using NetError::NetError;
};

class NotEnoughDataInBufferError : public TcpConnectionError {
public:
    NotEnoughDataInBufferError() : TcpConnectionError("Not enough data in buffer.") {}
};

class NoDataToReadError : public TcpConnectionError {
public:
    NoDataToReadError() : TcpConnectionError("No data to read.") {}
};

class NotConnectedError : public TcpConnectionError {
public:
    NotConnectedError() : TcpConnectionError("Not Connected") {}
};

class FileNotFoundError : public TcpConnectionError {
public:
    using TcpConnectionError::TcpConnectionError;
};

} // namespace quorvane::net
