// The one parser of the options both programs share.
#include "app/settings/OptionError.h"
#include "app/settings/SharedOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane::app {
namespace {

/// The arguments `SharedOptions` did not take, or "error: <message>".
std::vector<std::string> Parse(const std::vector<std::string>& arguments, SharedOptions& options)
{
    std::vector<std::string> rest;
    try {
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::size_t argument = i;
            if (!options.Take(arguments, i))
                rest.push_back(arguments[argument]);
        }
        options.Finish();
    } catch (const OptionError& e) {
        return {std::string("error: ") + e.what()};
    }
    return rest;
}

TEST(SharedOptions, TakesItsOwnOptionsWithTheirValuesAndLeavesTheRest)
{
    const unsigned all = SharedOptions::Help | SharedOptions::Version | SharedOptions::Folder |
                         SharedOptions::DataFolder | SharedOptions::UpdateServer | SharedOptions::ResetLayout;
    const unsigned folders = SharedOptions::Folder | SharedOptions::DataFolder;
    struct Case {
        std::vector<std::string> arguments;
        unsigned accepted;
        std::vector<std::string> rest;
        std::string folder;
        std::string host;
    };
    const Case cases[] = {
        {{"--folder", "lists", "-style", "fusion"}, all, {"-style", "fusion"}, "lists", ""},
        {{"--folder=a b", "--help"}, all, {}, "a b", ""},
        // The value after --folder is taken whatever it looks like.
        {{"--folder", "--help"}, all, {}, "--help", ""},
        {{"--folder"}, all, {"error: --folder needs a folder"}, "", ""},
        {{"--folder="}, all, {"error: --folder needs a folder"}, "", ""},
        {{"--folder", "x", "--data-folder"}, all, {"error: --folder and --data-folder exclude each other"}, "", ""},
        {{"--update-server", "ftp://u:p@h:2121/x/", "other"}, all, {"other"}, "", "h"},
        {{"--update-server=ftp://u:p@g/x/"}, all, {}, "", "g"},
        {{"--update-server"}, all, {"error: --update-server needs a URL"}, "", ""},
        {{"--update-server="},
         all,
         {"error: Malformed update server URL \"\": it must start with ftp:// or ftpes://"},
         "",
         ""},
        // A front end takes only the options it accepts.
        {{"--reset-layout", "--update-server", "u", "-h", "--version"},
         folders,
         {"--reset-layout", "--update-server", "u", "-h", "--version"},
         "",
         ""},
        {{"--folderx", "--folder-x=1"}, all, {"--folderx", "--folder-x=1"}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        SharedOptions options(c.accepted);
        EXPECT_EQ(Parse(c.arguments, options), c.rest);
        if (c.rest.empty() || c.rest.front().rfind("error:", 0) != 0) {
            EXPECT_EQ(options.folder.toStdString(), c.folder);
            EXPECT_EQ(options.updateServer ? options.updateServer->Host : "", c.host);
        }
    }

    SharedOptions options(all);
    EXPECT_TRUE(Parse({"-h", "--version", "--reset-layout", "--data-folder"}, options).empty());
    EXPECT_TRUE(options.help && options.version && options.resetLayout);
    EXPECT_TRUE(options.folder.endsWith("/quorvane")) << options.folder.toStdString();
}

TEST(SharedOptions, TheTrustedCertificateIsAFingerprintInEveryFormOpenSslPrints)
{
    const std::string colons = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:"
                               "23:45:67:89";
    const std::string bare = "abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789";
    const std::string refused = "error: --trust-certificate needs a SHA-256 fingerprint (64 hex digits, AB:CD:...)";
    struct Case {
        std::vector<std::string> arguments;
        /// The fingerprint read, or the error.
        std::string result;
        bool save = false;
    };
    const Case cases[] = {
        {{"--trust-certificate", colons}, colons},
        {{"--trust-certificate=" + bare}, colons},
        {{"--trust-certificate", "sha256 Fingerprint=" + colons, "--save"}, colons, true},
        {{"--trust-certificate", "SHA256 FINGERPRINT=" + bare}, colons},
        {{"--trust-certificate", "ab cd ef 01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef 01 23 45 67 89 ab cd ef 01 "
                                 "23 45 67 89"},
         colons},
        {{"--trust-certificate", "hello"}, refused},
        {{"--trust-certificate", bare.substr(2)}, refused},
        {{"--trust-certificate", bare + "01"}, refused},
        {{"--trust-certificate", "sha1 Fingerprint=" + colons}, refused},
        {{"--trust-certificate", "gb" + bare.substr(2)}, refused},
        {{"--trust-certificate"}, refused},
        {{"--save"}, "error: --save needs --trust-certificate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        SharedOptions options(SharedOptions::TrustCertificate);
        const std::vector<std::string> rest = Parse(c.arguments, options);
        if (c.result.rfind("error:", 0) == 0) {
            EXPECT_EQ(rest, std::vector<std::string>{c.result});
            continue;
        }
        EXPECT_TRUE(rest.empty()) << ::testing::PrintToString(rest);
        EXPECT_EQ(options.certificate.fingerprint, c.result);
        EXPECT_EQ(options.certificate.keep == NamedCertificate::Keep::InTheStore, c.save);
    }
}

} // namespace
} // namespace quorvane::app
