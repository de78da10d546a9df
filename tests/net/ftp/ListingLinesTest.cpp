#include "net/ftp/ListingLines.h"

#include <gtest/gtest.h>

using quorvane::ftp::SplitListingLines;

TEST(ListingLines, LineBreakRules)
{
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0a", 2), {}},
        {"total 8\r\n-rw-r--r-- 1 u g 5 Jan 1 00:00 x y\r\n", {"total 8", "-rw-r--r-- 1 u g 5 Jan 1 00:00 x y"}},
        {" lead\ttab \n", {" lead\ttab "}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitListingLines(c.text), c.lines) << testing::PrintToString(c.text);
}
