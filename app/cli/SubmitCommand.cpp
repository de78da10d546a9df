#include "app/cli/SubmitCommand.h"

#include "app/cli/CliOutput.h"
#include "app/cli/InterruptCatcher.h"
#include "app/cli/UsageError.h"
#include "app/list/ListFileNames.h"
#include "app/settings/SharedOptions.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/ServerNotReached.h"
#include "app/update/ServerUrlError.h"
#include "app/update/SubmitFlow.h"

#include <chrono>
#include <exception>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

namespace quorvane::app::cli {

namespace {

const std::string UnreachableHint = "Check the report server with --submit-server or in quorvane.conf.";

struct SubmitArguments {
    std::string file = CustomListFileName;
    std::optional<FtpServer> server;
    bool history = false;
    /// --trust-certificate FP [--save].
    NamedCertificate certificate;
};

FtpServer ParseServer(const std::string& url)
{
    try {
        return FtpServer::Parse(url, FtpServer::Role::Report);
    } catch (const ServerUrlError& e) {
        throw UsageError(e.what());
    }
}

SubmitArguments ParseArguments(const std::vector<std::string>& arguments)
{
    SubmitArguments parsed;
    SharedOptions shared(SharedOptions::TrustCertificate);
    bool fileNamed = false;
    static const std::string option = "--submit-server";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (shared.Take(arguments, i)) {
            continue;
        } else if (argument == "--history") {
            parsed.history = true;
        } else if (argument == option) {
            if (i + 1 >= arguments.size())
                throw UsageError("--submit-server needs a URL");
            parsed.server = ParseServer(arguments[++i]);
        } else if (argument.rfind(option + "=", 0) == 0) {
            parsed.server = ParseServer(argument.substr(option.size() + 1));
        } else if (!argument.empty() && argument[0] != '-' && !fileNamed) {
            parsed.file = argument;
            fileNamed = true;
        } else {
            throw UsageError("unexpected argument " + argument);
        }
    }
    shared.Finish();
    parsed.certificate = shared.certificate;
    return parsed;
}

/// --submit-server when given, else the settings file's [submit] server (a
/// malformed one is a usage error, as the option's is), else the update
/// server's incoming/ folder; the update server is read only then.
FtpServer ReportServer(const SubmitArguments& parsed)
{
    if (parsed.server)
        return *parsed.server;
    std::optional<FtpServer> stored;
    try {
        stored = UpdateServerSetting::StoredSubmitServer();
    } catch (const ServerUrlError& e) {
        throw UsageError(e.what());
    }
    if (stored)
        return *stored;
    return SubmitFlow::IncomingFolderOf(UpdateServerSetting::Choose(std::nullopt, [](const std::exception& e) {
                                            StandardError() << MessageWithFullStop(e.what()) << '\n';
                                        }).server);
}

int PrintHistory(CliOutput& out)
{
    std::ifstream log(SubmitFlow::LogFileName, std::ios::binary);
    std::string line;
    while (std::getline(log, line))
        out << line << '\n';
    return 0;
}

int RunSubmit(const std::vector<std::string>& arguments, CliOutput& out)
{
    const SubmitArguments parsed = ParseArguments(arguments);
    if (parsed.history)
        return PrintHistory(out);
    const FtpServer server = ReportServer(parsed);

    // Nothing is sent unless the file passes; the bytes checked are the bytes sent.
    const CheckedSubmission list = SubmitFlow::Check(parsed.file);

    InterruptCatcher interrupts;
    SubmitFlow flow(server, parsed.certificate);
    InterruptWatch watch(flow);
    SentSubmission sent;
    // "Connecting..." is the first status; a later one means the server was reached.
    int statuses = 0;
    try {
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        sent = flow.Send(list, [&statuses](const std::string& text) {
            ++statuses;
            StandardError() << text << '\n';
        });
    } catch (const std::exception& error) {
        // What an abort leaves behind (a closed connection, the server's 426)
        // is no failure of its own: the interrupt is. A server may keep the
        // part it received; it is asked to delete it.
        if (InterruptCatcher::Caught()) {
            flow.RemovePartial();
            InterruptCatcher::EndByTheSignal();
        }
        // A server that could not be reached at all is most often a wrong or
        // outdated address: say where it is set.
        if (statuses <= 1 && ServerNotReached(error))
            throw std::runtime_error(MessageWithFullStop(error.what()) + "\n" + UnreachableHint);
        throw;
    }
    if (InterruptCatcher::Caught())
        InterruptCatcher::EndByTheSignal();
    out << sent.Text() << '\n';
    SubmitFlow::AppendToLog(SubmitFlow::LogFileName, server.Host, sent, std::chrono::system_clock::now());
    return 0;
}

} // namespace

const CliCommand& SubmitCommand()
{
    static const CliCommand command{
        "submit",
        "[FILE] [--submit-server ftp[es]://USER:PASSWORD@HOST:PORT/PATH/] [--trust-certificate FP [--save]] | "
        "--history",
        "sends the Custom List (custGCMList.xml, or FILE) to the list's keepers under a name of its own,\n"
        "      custGCMList-<UTC time>-<random>.xml, after checking that it loads, holds a record and is at most\n"
        "      1 MiB, and notes it in submissions.log; the server is the option's, else the settings file's\n"
        "      ([submit] server), else the update server's incoming/ folder; TLS and --trust-certificate as for\n"
        "      update; --history prints the log",
        &RunSubmit};
    return command;
}

} // namespace quorvane::app::cli
