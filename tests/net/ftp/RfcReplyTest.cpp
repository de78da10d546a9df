#include "net/ftp/RfcReply.h"

#include <gtest/gtest.h>

using quorvane::ftp::RfcReply;

TEST(RfcReply, TextCodeSetsNumericCodeOnlyWhenNotEmpty)
{
    struct Case {
        const char* text;
        std::int32_t before;
        std::int32_t after;
    };
    const Case cases[] = {
        {"220", 0, 220}, {"2300", 0, 2300}, {"abc", 500, 0}, {"22x", 500, 0},
        {"", 331, 331},  {"-12", 0, -12},   {"+5", 0, 5},    {" 22", 7, 0},
    };
    for (const Case& c : cases) {
        RfcReply reply;
        reply.SetNumericCode(c.before);
        reply.SetTextCode(c.text);
        EXPECT_EQ(reply.NumericCode(), c.after) << '"' << c.text << '"';
        EXPECT_EQ(reply.TextCode(), c.text);
    }
}

TEST(RfcReply, NumericCodeSetsTextCodeOnlyWhenPositive)
{
    RfcReply reply;
    reply.SetTextCode("abc");
    reply.SetNumericCode(0);
    EXPECT_EQ(reply.TextCode(), "abc");
    reply.SetNumericCode(-4);
    EXPECT_EQ(reply.TextCode(), "abc");
    EXPECT_EQ(reply.NumericCode(), -4);
    reply.SetNumericCode(226);
    EXPECT_EQ(reply.TextCode(), "226");
}

TEST(RfcReply, ClearAssignAndCopiesAreIndependent)
{
    RfcReply source;
    source.SetTextCode("230");
    source.SetText({"Welcome", "Logged in"});

    RfcReply target;
    target.SetTextCode("999");
    target.SetText({"old", "older", "oldest"});
    target.Assign(source);
    EXPECT_EQ(target.NumericCode(), 230);
    EXPECT_EQ(target.TextCode(), "230");
    EXPECT_EQ(target.Text(), (std::vector<std::string>{"Welcome", "Logged in"}));

    // The copy owns its lines: changing the source leaves it alone.
    source.Clear();
    EXPECT_EQ(source.NumericCode(), 0);
    EXPECT_EQ(source.TextCode(), "");
    EXPECT_TRUE(source.Text().empty());
    EXPECT_EQ(target.Text().size(), 2u);

    target.Assign(target);
    EXPECT_EQ(target.Text().size(), 2u);
}
