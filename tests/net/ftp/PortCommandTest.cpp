#include "net/ftp/PortCommand.h"

#include <gtest/gtest.h>

using quorvane::ftp::FormatExtendedPortCommand;
using quorvane::ftp::FormatPortCommand;

TEST(PortCommand, AddressAndPortBytes)
{
    struct Case {
        const char* ip;
        std::int32_t port;
        const char* line;
    };
    const Case cases[] = {
        {"192.168.1.20", 4711, "PORT 192,168,1,20,18,103"}, {"127.0.0.1", 21, "PORT 127,0,0,1,0,21"},
        {"127.0.0.1", 65535, "PORT 127,0,0,1,255,255"},     {"10.0.0.5", 256, "PORT 10,0,0,5,1,0"},
        {"10.0.0.5", 255, "PORT 10,0,0,5,0,255"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatPortCommand(c.ip, c.port), c.line);
}

TEST(PortCommand, ExtendedFormNamesTheFamily)
{
    EXPECT_EQ(FormatExtendedPortCommand("::1", 4711), "EPRT |2|::1|4711|");
    EXPECT_EQ(FormatExtendedPortCommand("fd00::5", 65535), "EPRT |2|fd00::5|65535|");
    EXPECT_EQ(FormatExtendedPortCommand("127.0.0.1", 21), "EPRT |1|127.0.0.1|21|");
}
