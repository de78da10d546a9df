#include "app/cli/ForgetCommand.h"

#include "app/cli/UsageError.h"
#include "app/settings/TrustStore.h"
#include "app/update/FtpServer.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace quorvane::app::cli {

namespace {

int RunForget(const std::vector<std::string>& arguments, CliOutput& out)
{
    if (arguments.size() != 1)
        throw UsageError("forget needs HOST[:PORT]");
    std::pair<std::string, std::int32_t> server;
    try {
        server = FtpServer::ParseHostAndPort(arguments[0]);
    } catch (const std::invalid_argument& e) {
        throw UsageError("forget needs HOST[:PORT]: " + std::string(e.what()));
    }
    const std::string key = TrustStore::Key(server.first, server.second);
    out << TrustStore::Told(TrustStore::Forget(server.first, server.second), key) << '\n';
    return 0;
}

} // namespace

const CliCommand& ForgetCommand()
{
    static const CliCommand command{
        "forget", "HOST[:PORT]",
        "forgets what is kept of the server (port 21 when none is named): the certificate trusted by its\n"
        "      fingerprint and that it showed a verified certificate; an ftp:// server is then no longer\n"
        "      required to offer TLS",
        &RunForget};
    return command;
}

} // namespace quorvane::app::cli
