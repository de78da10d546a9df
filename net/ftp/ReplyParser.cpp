#include "net/ftp/ReplyParser.h"

#include "net/ftp/FtpErrors.h"

namespace quorvane::ftp {

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::string TrimBlanks(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

bool StartsMultiLineReply(std::string_view firstLine)
{
    return firstLine.size() > 3 && firstLine[3] == '-';
}

bool EndsMultiLineReply(std::string_view line, std::string_view terminator)
{
    if (line.size() < 4)
        return true;
    if (terminator.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (Upper(line[i]) != Upper(terminator[i]))
            return false;
    }
    return true;
}

std::vector<std::string> CollectReplyLines(const std::function<std::string()>& nextLine)
{
    std::vector<std::string> lines;
    std::size_t total = 0;
    auto take = [&](std::string line) {
        total += line.size();
        if (total > MaxReplyBytes)
            throw ReplyTooLongError();
        lines.push_back(std::move(line));
    };

    take(nextLine());
    if (!StartsMultiLineReply(lines.front()))
        return lines;

    // RFC 959 4.2: the reply ends with the line that starts with the same code
    // followed by a space; lines in between may start with anything.
    const std::string terminator = lines.front().substr(0, 3) + ' ';
    for (;;) {
        take(nextLine());
        if (EndsMultiLineReply(lines.back(), terminator))
            return lines;
    }
}

std::size_t CompleteReplyLength(std::string_view bytes)
{
    if (bytes.find('\n') == std::string_view::npos)
        return 0;
    struct Incomplete {};
    std::size_t taken = 0;
    // The lines as the reader gets them: up to each LF, trimmed, blank ones skipped.
    auto nextLine = [&]() {
        for (;;) {
            const std::size_t lf = bytes.find('\n', taken);
            if (lf == std::string_view::npos)
                throw Incomplete();
            std::string line = TrimBlanks(bytes.substr(taken, lf - taken));
            taken = lf + 1;
            if (!line.empty())
                return line;
        }
    };
    try {
        (void)CollectReplyLines(nextLine);
    } catch (const Incomplete&) {
        return 0;
    }
    return taken;
}

void ParseReplyLines(const std::vector<std::string>& lines, RfcReply& reply)
{
    reply.Clear();
    if (lines.empty())
        return;
    std::string code = TrimBlanks(std::string_view(lines.front()).substr(0, 4));
    if (code.size() == 4 && code[3] == '-')
        code.resize(3);
    reply.SetTextCode(std::move(code));
    for (const std::string& line : lines)
        reply.AddText(line.size() > 4 ? line.substr(4) : std::string());
}

std::string ReplyErrorMessage(const RfcReply& reply)
{
    std::string message;
    for (const std::string& line : reply.Text()) {
        message += line;
        message += "\r\n";
    }
    return message;
}

} // namespace quorvane::ftp
