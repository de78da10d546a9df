#include "app/cli/PublishCommand.h"

#include "app/cli/CliOutput.h"
#include "app/cli/InterruptCatcher.h"
#include "app/cli/KeepersOptions.h"
#include "app/cli/UsageError.h"
#include "app/list/ListFileNames.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SharedOptions.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/PublishFlow.h"
#include "app/update/ServerNotReached.h"
#include "app/update/ServerUrlError.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace quorvane::app::cli {

namespace {

const std::string UnreachableHint = "Check the publish server with --publish-server or in quorvane.conf.";

/// The arguments after `publish`.
struct PublishArguments {
    std::optional<std::string> server;
    /// --trust-certificate FP [--save].
    NamedCertificate certificate;
};

PublishArguments ParseArguments(const std::vector<std::string>& arguments)
{
    PublishArguments parsed;
    SharedOptions shared(SharedOptions::TrustCertificate);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (shared.Take(arguments, i))
            continue;
        const std::string& argument = arguments[i];
        if (argument == "--publish-server") {
            parsed.server = OptionValue(arguments, i);
        } else {
            throw UsageError("unexpected argument " + argument);
        }
    }
    shared.Finish();
    parsed.certificate = shared.certificate;
    return parsed;
}

// Where the list is published: --publish-server, else [keepers] publish in
// the settings file, else the update server (the players' own). Publish learns
// its server here and nowhere else; what is known of its certificate is the
// trust store's.
FtpServer PublishServer(const PublishArguments& parsed)
{
    const std::string url = OptionOrSetting(parsed.server, settings::kKeepersPublish);
    if (url.empty()) {
        return UpdateServerSetting::Choose(
                   std::nullopt,
                   [](const std::exception& e) { StandardError() << MessageWithFullStop(e.what()) << '\n'; })
            .server;
    }
    try {
        return FtpServer::Parse(url);
    } catch (const ServerUrlError& e) {
        throw UsageError(e.what());
    }
}

int RunPublish(const std::vector<std::string>& arguments, CliOutput& out)
{
    const PublishArguments parsed = ParseArguments(arguments);
    const FtpServer server = PublishServer(parsed);
    // Nothing is uploaded unless the list passes; the bytes checked are the
    // bytes uploaded.
    const CheckedList list = PublishFlow::Check(MainListFileName);

    InterruptCatcher interrupts;
    PublishFlow flow(server, parsed.certificate);
    InterruptWatch watch(flow);
    PublishedList published;
    // "Connecting..." is the first status; a later one means the server was reached.
    int statuses = 0;
    try {
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        published = flow.Publish(list, [&statuses](const std::string& text) {
            ++statuses;
            StandardError() << text << '\n';
        });
    } catch (const std::exception& error) {
        // What an abort leaves behind (a closed connection, the server's 426)
        // is no failure of its own: the interrupt is. The flow has deleted
        // the temporary name.
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        if (statuses <= 1 && ServerNotReached(error))
            throw std::runtime_error(MessageWithFullStop(error.what()) + "\n" + UnreachableHint);
        throw;
    }
    if (published.movedAside)
        out << "The server does not rename over a file: the old list was moved aside, then deleted.\n";
    if (!published.leftAside.empty())
        StandardError() << "The old list could not be deleted: it stays on the server as " << published.leftAside
                        << ".\n";
    out << published.Text() << '\n';
    // An interrupt that came while the new list was being renamed into place
    // waited for it: the list is published, and the command ends by the signal.
    if (InterruptCatcher::Caught())
        InterruptCatcher::EndByTheSignal();
    return 0;
}

} // namespace

const CliCommand& PublishCommand()
{
    static const CliCommand command{
        "publish", "[--publish-server ftp[es]://USER:PASSWORD@HOST:PORT/PATH/] [--trust-certificate FP [--save]]",
        "puts gcmList.xml where the players' updates find it, so that no player ever downloads a part\n"
        "      of it: reads the server's list first and refuses the same version, uploads the list as\n"
        "      gcmList.xml.upload-<random>, checks its size and renames it over gcmList.xml (a server that\n"
        "      does not rename over a file gets the old list moved aside, then deleted); the server is\n"
        "      the option's, else the settings file's ([keepers] publish), else the update server, an\n"
        "      account that may write the list's folder; TLS and certificates as for update",
        &RunPublish};
    return command;
}

} // namespace quorvane::app::cli
