// The --update-server URL: every part read, malformed ones refused.
#include "app/update/UpdateServerUrl.h"
#include "app/update/UpdateServerUrlError.h"

#include <gtest/gtest.h>

namespace quorvane::app {
namespace {

TEST(UpdateServerUrl, ReadsEveryPartAndKeepsTheTimeOut)
{
    struct Case {
        const char* url;
        const char* host;
        int port;
        const char* user;
        const char* password;
        const char* directory;
        ftp::FtpSecurity security = ftp::FtpSecurity::Plain;
    };
    constexpr auto tls = ftp::FtpSecurity::RequireTls;
    const Case cases[] = {
        {"ftp://u:p@127.0.0.1:2121/lists/Other/", "127.0.0.1", 2121, "u", "p", "lists/Other/"},
        {"ftp://u:p@host.example/Other", "host.example", 21, "u", "p", "Other/"},
        {"ftp://a%3Ab:c%40d%25@h:1/x/", "h", 1, "a:b", "c@d%", "x/"},
        {"ftp://u:@h:65535/Other/", "h", 65535, "u", "", "Other/"},
        {"ftp://u:p@q@h:21/Other/", "h", 21, "u", "p@q", "Other/"},
        {"ftp://u:p@[::1]:2121/path/", "::1", 2121, "u", "p", "path/"},
        {"ftp://u:p@[fd00::5]/Other/", "fd00::5", 21, "u", "p", "Other/"},
        {"ftpes://u:p@lists.example.org/Other/", "lists.example.org", 21, "u", "p", "Other/", tls},
        {"ftpes://u:p@[::1]:2121/path/", "::1", 2121, "u", "p", "path/", tls},
    };
    UpdateSettings base;
    base.ReadTimeoutMs = 1234;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const UpdateSettings s = UpdateServerUrl::Parse(c.url, base);
        EXPECT_EQ(s.Host, c.host);
        EXPECT_EQ(s.Port, c.port);
        EXPECT_EQ(s.Username, c.user);
        EXPECT_EQ(s.Password, c.password);
        EXPECT_EQ(s.Directory, c.directory);
        EXPECT_EQ(s.ReadTimeoutMs, 1234);
        EXPECT_EQ(s.Security, c.security);
        EXPECT_EQ(UpdateServerUrl::Parse(UpdateServerUrl::Format(s)).Security, c.security);
    }
}

TEST(UpdateServerUrl, RefusesMalformedUrlsWithAClearMessage)
{
    const char* bad[] = {
        "",
        "http://u:p@h:21/Other/",
        "ftp://h:21/Other/",
        "ftp://u@h:21/Other/",
        "ftp://:p@h:21/Other/",
        "ftp://u:p@:21/Other/",
        "ftp://u:p@h:0/Other/",
        "ftp://u:p@h:65536/Other/",
        "ftp://u:p@h:2x/Other/",
        "ftp://u:p@h:/Other/",
        "ftp://u:p@h:21",
        "ftp://u:p@h:21/",
        "ftp://u%0D%0ASITE:p@h/Other/",
        "ftp://u:p%zz@h/Other/",
        "ftp://u:p@h h/Other/",
        "ftp://u:p@h/Oth er/",
        "ftp://u:p@[::1/Other/",
        "ftp://u:p@[::1]2121/Other/",
        "ftp://u:p@[]:21/Other/",
        "ftp://u:p@[host.example]/Other/",
        "ftp://u:p@[::1]:/Other/",
        "ftps://u:p@h/Other/",
        "ftpes:/u:p@h/Other/",
        "ftpes://u@h/Other/",
        "ftpes://u:p@::1/Other/",
    };
    for (const char* url : bad) {
        SCOPED_TRACE(url);
        try {
            UpdateServerUrl::Parse(url);
            ADD_FAILURE() << "accepted";
        } catch (const UpdateServerUrlError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Malformed update server URL \"" + std::string(url) + "\": ", 0), 0u)
                << e.what();
        }
    }
}

TEST(UpdateServerUrl, AnIpv6AddressWithoutBracketsIsNamedAsSuch)
{
    for (const char* url : {"ftp://u:p@::1/Other/", "ftp://u:p@fd00::5:2121/Other/"}) {
        try {
            UpdateServerUrl::Parse(url);
            ADD_FAILURE() << "accepted " << url;
        } catch (const UpdateServerUrlError& e) {
            EXPECT_EQ(e.what(),
                      "Malformed update server URL \"" + std::string(url) + "\": an IPv6 address must be in brackets");
        }
    }
}

} // namespace
} // namespace quorvane::app
