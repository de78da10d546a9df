#pragma once

#include "net/transport/NetError.h"
#include "net/transport/TlsError.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace quorvane::ftp {

/// A reply whose code is not among the codes the command allows. The message
/// is the reply's text lines, each followed by CR LF; `ReplyCode` is its code.
class ProtocolReplyError : public net::NetError {
public:
    ProtocolReplyError(std::int32_t replyCode, const std::string& message) : NetError(message), replyCode_(replyCode) {}
    [[nodiscard]] std::int32_t ReplyCode() const noexcept { return replyCode_; }

private:
    std::int32_t replyCode_;
};

/// A stored file whose size, as the server answers "SIZE", is not the count
/// of bytes sent.
class StoredSizeError : public net::NetError {
public:
    StoredSizeError(std::uint64_t stored, std::uint64_t sent)
        : NetError("The server holds " + std::to_string(stored) + " bytes of the stored file, but " +
                   std::to_string(sent) + " were sent.")
    {}
};

/// An `FtpSecurity::RequireTls` connection whose server refused "AUTH TLS";
/// nothing of the account has been sent.
class TlsNotOfferedError : public net::NetError {
public:
    TlsNotOfferedError() : NetError("The server does not offer TLS.") {}
};

/// A data connection whose certificate is not held to the control
/// connection's standard: one that does not verify behind a control
/// certificate that did, or another certificate than the control connection's
/// one trusted by its fingerprint or for encryption only. Nothing of the
/// transfer is used.
class DataCertificateError : public net::NetError {
public:
    explicit DataCertificateError(const std::string& reason)
        : NetError("The data connection's certificate is not the server's (" + reason + ").")
    {}
};

/// `RetrieveFile` was told neither to overwrite nor to resume an existing file.
class FtpFileAlreadyExistsError : public net::NetError {
public:
    FtpFileAlreadyExistsError() : NetError("Destination file already exists.") {}
};

/// A number field (for example of a PASV reply) that is not a decimal integer.
class ConversionError : public net::NetError {
public:
    explicit ConversionError(const std::string& field) : NetError("'" + field + "' is not a valid integer value") {}
};

/// A PASV reply whose numbers do not form an IPv4 address and a usable port.
class InvalidPassiveAddressError : public net::NetError {
public:
    explicit InvalidPassiveAddressError(const std::string& text) : NetError("Invalid passive address: " + text) {}
};

/// A reply (all its lines together) larger than the reader keeps in memory.
class ReplyTooLongError : public net::NetError {
public:
    ReplyTooLongError() : NetError("Reply too long.") {}
};

/// A directory listing larger than the client keeps in memory; the transfer
/// was cut off at the limit.
class ListingTooLongError : public net::NetError {
public:
    ListingTooLongError() : NetError("Listing too long.") {}
};

/// The server did not open the active-mode data connection in time. When a
/// connection from another address was turned away meanwhile, the message
/// names that address too: the server may sit behind a NAT router that
/// rewrites its address, which the user should learn.
class DataConnectionTimeoutError : public net::NetError {
public:
    explicit DataConnectionTimeoutError(std::int32_t limitMs, const std::string& refusedIp = {},
                                        const std::string& serverIp = {})
        : NetError("Data connection timed out: the server did not connect within " + Limit(limitMs) +
                   Refused(refusedIp, serverIp) + ".")
    {}

private:
    static std::string Refused(const std::string& refusedIp, const std::string& serverIp)
    {
        if (refusedIp.empty())
            return {};
        return "; the client refused a data connection from " + refusedIp + ", which is not the server's address " +
               serverIp;
    }
    static std::string Limit(std::int32_t ms)
    {
        return ms % 1000 == 0 ? std::to_string(ms / 1000) + " seconds" : std::to_string(ms) + " ms";
    }
};

/// A retrieval that passed the client's size cap (`MaxRetrievalBytes`), or a
/// file whose announced size is above it.
class FileTooLargeError : public net::NetError {
public:
    FileTooLargeError() : NetError("File too large.") {}
};

/// The destination of a transfer refused its bytes. `ErrorCode` is the
/// system's error number (for example ENOSPC), the message names its text.
class StreamWriteError : public net::NetError {
public:
    explicit StreamWriteError(int errorCode)
        : NetError(std::string("Could not write to the stream. ") + std::strerror(errorCode)), errorCode_(errorCode)
    {}
    [[nodiscard]] int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

/// A local file that cannot be created ("Cannot create file"), opened for
/// writing ("Cannot open file") or written ("Cannot write file"); the message
/// names the file and the system's reason.
class LocalFileError : public net::NetError {
public:
    using NetError::NetError;
    static LocalFileError CannotCreate(const std::string& file, const std::string& reason)
    {
        return LocalFileError("Cannot create file \"" + file + "\". " + reason);
    }
    static LocalFileError CannotOpen(const std::string& file, const std::string& reason)
    {
        return LocalFileError("Cannot open file \"" + file + "\". " + reason);
    }
    static LocalFileError CannotWrite(const std::string& file, const std::string& reason)
    {
        return LocalFileError("Cannot write file \"" + file + "\". " + reason);
    }
};

} // namespace quorvane::ftp
