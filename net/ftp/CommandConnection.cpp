#include "net/ftp/CommandConnection.h"

#include "net/ftp/FtpErrors.h"

#include <algorithm>

namespace quorvane::ftp {

std::int16_t CommandConnection::SendCommand(const std::string& line, const ReplyCodes& allowed)
{
    WriteCommand(line);
    return ReadReply(allowed);
}

void CommandConnection::WriteCommand(const std::string& line)
{
    DiscardWaitingReplies();
    WriteLine(line);
}

void CommandConnection::DiscardWaitingReplies()
{
    auto dropComplete = [this] {
        net::ManagedBuffer& queue = ReceiveQueue();
        while (const std::size_t length = CompleteReplyLength(std::string_view(queue.Data(), queue.Size())))
            queue.Remove(length);
    };
    dropComplete();
    // One receive of what the system already holds, without waiting: a late
    // reply is a few lines, far below one receive's size. A peer that closed
    // is left for the command's own write or read to report.
    if (IsConnected() && FillInputBuffer(net::IfDisconnected::Return, 0, net::IfTimedOut::Return) > 0)
        dropComplete();
}

std::int16_t CommandConnection::SendCommand(const std::string& line, std::int16_t code)
{
    if (code == AnyReply)
        return SendCommand(line, ReplyCodes());
    return SendCommand(line, ReplyCodes{code});
}

std::int16_t CommandConnection::ReadReply(const ReplyCodes& allowed)
{
    std::vector<std::string> lines;
    try {
        ProgressScope progress(*this);
        lines = CollectReplyLines([this] { return ReadNonEmptyLine(MaxLineAttempts); });
    } catch (const net::ReadTimeoutError&) {
        // RFC 959 offers no way to take a command back: its reply may still
        // come and would then be read as the answer to the next command. The
        // connection cannot be trusted any more. A wait an abort cut short
        // (CutWaits) is the aborting caller's to end: it may still
        // have a last command to send.
        if (!WaitsCut())
            Disconnect();
        throw;
    }
    ParseReplyLines(lines, LastReply);
    return CheckReplyCode(static_cast<std::int16_t>(LastReply.NumericCode()), allowed);
}

std::int16_t CommandConnection::CheckReplyCode(std::int16_t code, const ReplyCodes& allowed)
{
    if (allowed.empty() || std::find(allowed.begin(), allowed.end(), code) != allowed.end())
        return code;
    RaiseReplyError();
    // RaiseReplyError never returns, overridden or not; this only satisfies the compiler.
    return code;
}

void CommandConnection::RaiseReplyError()
{
    throw ProtocolReplyError(LastReply.NumericCode(), ReplyErrorMessage(LastReply));
}

std::string CommandConnection::ReadNonEmptyLine(std::int32_t maxAttempts)
{
    std::string result;
    for (std::int32_t attempt = 0; result.empty() && attempt < maxAttempts; ++attempt)
        result = TrimBlanks(ReadLine());
    return result;
}

} // namespace quorvane::ftp
