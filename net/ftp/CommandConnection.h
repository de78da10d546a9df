#pragma once

#include "net/ftp/ReplyParser.h"
#include "net/ftp/RfcReply.h"
#include "net/transport/TcpClient.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvane::ftp {

/// Reply codes a command accepts; an empty list accepts every code.
using ReplyCodes = std::vector<std::int16_t>;

/// The numeric command/reply dialogue of a control connection: write one
/// command line, read one complete (single- or multi-line) reply into
/// `LastReply`, and check its code against the codes the caller allows.
///
/// Every exchange is synchronous and blocks the calling thread; replies are
/// read with the connection's `ReadTimeout` and lines longer than
/// `MaxLineLength` fail as the transport decides (`MaxLineAction`). A peer that
/// closes while a reply is awaited raises `net::ConnClosedGracefullyError` and
/// leaves `LastReply` as it was. A reply that does not come in time raises
/// `net::ReadTimeoutError` and closes the connection (`Disconnect`), so that a
/// late reply is never read as the answer to a later command; a complete reply
/// that is already waiting when a command is sent (one the client stopped
/// waiting for) is read and dropped first, for the same reason.
class CommandConnection : public net::TcpClient {
public:
    /// Tells `SendCommand` that any reply code is accepted.
    static constexpr std::int16_t AnyReply = -1;
    /// The attempts the reply reader allows `ReadNonEmptyLine`.
    static constexpr std::int32_t MaxLineAttempts = 2147483647;

    CommandConnection() = default;

    /// The most recent reply read, including one that failed its check.
    RfcReply LastReply;
    /// The first reply after connecting; filled by the FTP client.
    RfcReply GreetingReply;

    /// `WriteCommand(line)`, then `ReadReply(allowed)`.
    /// Returns the reply code; raises `ProtocolReplyError` when the code is not allowed.
    virtual std::int16_t SendCommand(const std::string& line, const ReplyCodes& allowed);
    std::int16_t SendCommand(const std::string& line, std::initializer_list<std::int16_t> allowed)
    {
        return SendCommand(line, ReplyCodes(allowed));
    }
    /// Single-code form: `AnyReply` (-1) accepts every code, any other value only itself.
    std::int16_t SendCommand(const std::string& line, std::int16_t code);

    /// Reads one complete reply into `LastReply`, then `CheckReplyCode` with its
    /// code taken as 16 bits. A time-out disconnects before it is raised, unless
    /// the wait was cut (`CutWaits`): a reply wait so ended leaves the connection open.
    virtual std::int16_t ReadReply(const ReplyCodes& allowed);
    std::int16_t ReadReply(std::initializer_list<std::int16_t> allowed) { return ReadReply(ReplyCodes(allowed)); }

    /// Returns `code` when `allowed` is empty or holds it, else `RaiseReplyError`.
    virtual std::int16_t CheckReplyCode(std::int16_t code, const ReplyCodes& allowed);

    /// Raises `ProtocolReplyError` with `LastReply`'s code and text.
    [[noreturn]] virtual void RaiseReplyError();
    /// Raises an error of class `Error` (constructible from the message) whose
    /// message is built from `LastReply`'s text, without a code.
    template <class Error>
    [[noreturn]] void RaiseReplyErrorAs()
    {
        throw Error(ReplyErrorMessage(LastReply));
    }

    /// Drops every complete reply already waiting (`DiscardWaitingReplies`),
    /// then writes `line` followed by CR LF.
    void WriteCommand(const std::string& line);
    /// Reads and drops, without waiting, every complete reply that has already
    /// arrived: no command is waiting for it, so it can only be the late answer
    /// to one the client gave up on. A reply still arriving is left in place.
    void DiscardWaitingReplies();

    /// Reads lines (at most `maxAttempts`) until one is not empty once leading
    /// and trailing blanks and control characters are trimmed; returns it
    /// trimmed, or "" when the attempts ran out.
    virtual std::string ReadNonEmptyLine(std::int32_t maxAttempts);
};

} // namespace quorvane::ftp
