#include "net/ftp/FtpErrors.h"
#include "net/ftp/ReplyParser.h"

#include <gtest/gtest.h>

#include <deque>

using namespace quorvane::ftp;

namespace {

using Lines = std::vector<std::string>;

// Feeds lines the way the connection does: blank lines skipped, each trimmed.
struct LineFeed {
    std::deque<std::string> lines;
    int reads = 0;
    std::string operator()()
    {
        for (;;) {
            if (lines.empty())
                throw quorvane::net::ConnClosedGracefullyError();
            std::string line = TrimBlanks(lines.front());
            lines.pop_front();
            ++reads;
            if (!line.empty())
                return line;
        }
    }
};

RfcReply Parse(const Lines& raw, Lines* leftOver = nullptr)
{
    LineFeed feed{{raw.begin(), raw.end()}};
    RfcReply reply;
    ParseReplyLines(CollectReplyLines(std::ref(feed)), reply);
    if (leftOver)
        *leftOver = Lines(feed.lines.begin(), feed.lines.end());
    return reply;
}

} // namespace

TEST(ReplyParser, RepliesParseIntoCodeAndText)
{
    struct Case {
        Lines raw;
        std::int32_t code;
        std::string textCode;
        Lines text;
        Lines leftOver;
    };
    const Case cases[] = {
        {{"220 Service ready"}, 220, "220", {"Service ready"}, {}},
        {{"230-Welcome", "230-Second line", "230 Logged in"}, 230, "230", {"Welcome", "Second line", "Logged in"}, {}},
        // Continuation lines lose their first four characters whatever they are.
        {{"230-Hello", "Have a nice day", "230 Done"}, 230, "230", {"Hello", " a nice day", "Done"}, {}},
        // A short continuation line ends the reply, whatever it says.
        {{"230-A", "ok", "230 never read"}, 230, "230", {"A", ""}, {"230 never read"}},
        // "230 " is trimmed to "230", short, so it ends the reply too.
        {{"230-A", "230 ", "next"}, 230, "230", {"A", ""}, {"next"}},
        {{"230-A", "230-B", "230 C", "tail"}, 230, "230", {"A", "B", "C"}, {"tail"}},
        // The terminator is compared without regard to letter case.
        {{"2ab-x", "2AB y"}, 0, "2ab", {"x", "y"}, {}},
        {{"2300 text"}, 2300, "2300", {" text"}, {}},
        {{"220-", "220 end"}, 220, "220", {"", "end"}, {}},
        {{"", "  ", "\t", "   220 x"}, 220, "220", {"x"}, {}},
        {{"230-A", "", "   ", "230 B"}, 230, "230", {"A", "B"}, {}},
        {{"abc text"}, 0, "abc", {"text"}, {}},
        {{"200"}, 200, "200", {""}, {}},
        {{"20"}, 20, "20", {""}, {}},
        {{"220 \xc3\xa9t\xc3\xa9  \r"}, 220, "220", {"\xc3\xa9t\xc3\xa9"}, {}},
    };
    for (const Case& c : cases) {
        Lines leftOver;
        const RfcReply reply = Parse(c.raw, &leftOver);
        const std::string where = c.raw.front();
        EXPECT_EQ(reply.NumericCode(), c.code) << where;
        EXPECT_EQ(reply.TextCode(), c.textCode) << where;
        EXPECT_EQ(reply.Text(), c.text) << where;
        EXPECT_EQ(leftOver, c.leftOver) << where;
    }
}

TEST(ReplyParser, ParsingClearsTheOldReplyAndEmptyInputLeavesItCleared)
{
    RfcReply reply;
    reply.SetTextCode("550");
    reply.SetText({"old"});
    ParseReplyLines({}, reply);
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_EQ(reply.TextCode(), "");
    EXPECT_TRUE(reply.Text().empty());
}

TEST(ReplyParser, EndOfStreamInsideAReplyPassesTheErrorOn)
{
    LineFeed feed{{"230-first", "230-second"}};
    EXPECT_THROW((void)CollectReplyLines(std::ref(feed)), quorvane::net::ConnClosedGracefullyError);
}

TEST(ReplyParser, AWaitingReplyCountsOnlyWhenItIsComplete)
{
    const struct {
        std::string bytes;
        std::size_t length;
    } cases[] = {
        {"", 0},
        {"226 done", 0},
        {"226 done\r\n", 10},
        // Blank lines before it belong to it; the next reply does not.
        {"\r\n \r\n226 done\r\n200 ok\r\n", 15},
        {"230-a\r\n230-b\r\n", 0},
        {"230-a\r\n\r\n230 b\nrest", 15},
        // A short line ends a multi-line reply, as it does for the reader.
        {"230-a\r\nxx\r\n200", 11},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompleteReplyLength(c.bytes), c.length) << c.bytes;
}

TEST(ReplyParser, EndlessMultiLineReplyIsCutOffWithBoundedMemory)
{
    std::size_t produced = 0;
    auto endless = [&]() -> std::string {
        produced += 1000;
        return produced == 1000 ? "230-start" : "230-" + std::string(996, 'x');
    };
    EXPECT_THROW((void)CollectReplyLines(endless), ReplyTooLongError);
    EXPECT_LE(produced, MaxReplyBytes + 2000);
}

TEST(ReplyParser, ErrorMessageEndsEveryLineWithCrLf)
{
    RfcReply reply;
    reply.SetText({"Login incorrect."});
    EXPECT_EQ(ReplyErrorMessage(reply), "Login incorrect.\r\n");
    reply.SetText({"a", "", "b"});
    EXPECT_EQ(ReplyErrorMessage(reply), "a\r\n\r\nb\r\n");
    reply.Clear();
    EXPECT_EQ(ReplyErrorMessage(reply), "");
}

TEST(ReplyParser, TrimBlanksRemovesControlCharactersButKeepsHighBytes)
{
    EXPECT_EQ(TrimBlanks(" \t\r\n\x01x y\x1f "), "x y");
    EXPECT_EQ(TrimBlanks("\xa0\xff"), "\xa0\xff");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(std::string_view("\0a\0", 3)), "a");
}
