#include "net/ftp/FtpErrors.h"
#include "net/ftp/PassiveAddress.h"

#include <gtest/gtest.h>

using namespace quorvane::ftp;

TEST(PassiveAddress, AcceptedForms)
{
    struct Case {
        const char* text;
        const char* ip;
        std::int32_t port;
    };
    const Case cases[] = {
        {"Entering Passive Mode (10,0,0,5,19,137)", "10.0.0.5", 5001},
        {"Entering Passive Mode 10,0,0,5,19,137", "10.0.0.5", 5001},
        {"  Entering Passive Mode (10,0,0,5,19,137).  ", "10.0.0.5", 5001},
        {"ok 127,0,0,1,255,255", "127.0.0.1", 65535},
        {"Entering Passive Mode (127,0,0,1,0,21)", "127.0.0.1", 21},
        {"(192,168,001,020,18,103) ok", "192.168.1.20", 4711},
        {"x ( 127, 0, 0, 1, 4, 1 )", "127.0.0.1", 1025},
    };
    for (const Case& c : cases) {
        const PassiveAddress address = ParsePassiveAddress(c.text);
        EXPECT_EQ(address.Ip, c.ip) << c.text;
        EXPECT_EQ(address.Port, c.port) << c.text;
    }
}

TEST(PassiveAddress, BadFieldsAreRefusedWithClearMessages)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"Entering Passive Mode (10,0,0,x,19,137)", "'x' is not a valid integer value"},
        {"Entering Passive Mode (10,0,0,5,19)", "'' is not a valid integer value"},
        {"Entering Passive Mode", "'Mode' is not a valid integer value"},
        {"", "'' is not a valid integer value"},
        {"(1,2,3,4,5,6", "'(1' is not a valid integer value"},
        {"(10,0,0,256,1,1)", "Invalid passive address: (10,0,0,256,1,1)"},
        {"(10,0,0,5,1,-1)", "Invalid passive address: (10,0,0,5,1,-1)"},
        {"(10,0,0,5,0,0)", "Invalid passive address: (10,0,0,5,0,0)"},
        {"(10,0,0,5,99999999999999999999,1)", "'99999999999999999999' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        try {
            (void)ParsePassiveAddress(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const quorvane::net::NetError& error) {
            EXPECT_STREQ(error.what(), c.message) << c.text;
        }
    }
}

TEST(PassiveAddress, ExtendedRepliesNameOnlyAPort)
{
    struct Case {
        const char* text;
        std::int32_t port;   // 0: refused
        const char* message; // when refused
    };
    const Case cases[] = {
        {"Entering Extended Passive Mode (|||6446|)", 6446, ""},
        {"  ok (!!!1!) ", 1, ""},
        {"(###65535#)", 65535, ""},
        {"Entering Extended Passive Mode (|||65536|)", 0,
         "Invalid passive address: Entering Extended Passive Mode (|||65536|)"},
        {"(|||0|)", 0, "Invalid passive address: (|||0|)"},
        {"(|||x|)", 0, "'x' is not a valid integer value"},
        {"(||||)", 0, "Invalid passive address: (||||)"},
        {"(|||+|)", 0, "'+' is not a valid integer value"},
        {"(|2|::1|6446|)", 0, "Invalid passive address: (|2|::1|6446|)"},
        {"(1116461)", 0, "Invalid passive address: (1116461)"},
        {"(|||6446)", 0, "Invalid passive address: (|||6446)"},
        {"Entering Extended Passive Mode", 0, "Invalid passive address: Entering Extended Passive Mode"},
        {")|||6446|(", 0, "Invalid passive address: )|||6446|("},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(ParseExtendedPassivePort(c.text), c.port) << c.text;
            EXPECT_NE(c.port, 0) << "accepted " << c.text;
        } catch (const quorvane::net::NetError& error) {
            EXPECT_EQ(c.port, 0) << c.text;
            EXPECT_STREQ(error.what(), c.message) << c.text;
        }
    }
}
