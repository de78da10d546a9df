// quorvane-cli: the list commands of the Main Window without a window.
#include "app/cli/CliOutput.h"
#include "app/cli/ForgetCommand.h"
#include "app/cli/ListCommands.h"
#include "app/cli/PublishCommand.h"
#include "app/cli/ReportsCommand.h"
#include "app/cli/SubmitCommand.h"
#include "app/cli/UpdateCommand.h"
#include "app/cli/UsageError.h"
#include "app/list/ListError.h"
#include "app/list/ListFolder.h"
#include "app/settings/SharedOptions.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/ShownError.h"
#include "app/update/TlsNoLongerOfferedError.h"
#include "xml/PlatformVendor.h"

#include <QDir>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

using quorvane::app::SharedOptions;
using quorvane::app::cli::CliCommand;
using quorvane::app::cli::CliOutput;
using quorvane::app::cli::StandardError;
using quorvane::app::cli::StandardOutput;

std::vector<CliCommand> AllCommands()
{
    std::vector<CliCommand> commands = quorvane::app::cli::ListCommands();
    commands.push_back(quorvane::app::cli::UpdateCommand());
    commands.push_back(quorvane::app::cli::SubmitCommand());
    commands.push_back(quorvane::app::cli::ReportsCommand());
    commands.push_back(quorvane::app::cli::PublishCommand());
    commands.push_back(quorvane::app::cli::ForgetCommand());
    return commands;
}

void PrintUsage(CliOutput& out, const std::vector<CliCommand>& commands)
{
    out << "usage: quorvane-cli COMMAND [ARGUMENTS]\n"
           "       quorvane-cli --folder DIR COMMAND [ARGUMENTS]\n"
           "       quorvane-cli --data-folder COMMAND [ARGUMENTS]\n"
           "       quorvane-cli --help | --version\n"
           "\n"
           "options:\n"
           "  --folder DIR   work on the lists in DIR (created when missing) instead of the\n"
           "                 working directory; relative file names are taken there too\n"
           "  --data-folder  work on the lists in the user's data folder, $XDG_DATA_HOME/quorvane\n"
           "                 (by default ~/.local/share/quorvane), where the menu entry keeps them\n"
           "  --version      print the version\n"
           "  --help         print this text\n"
           "\ncommands:\n";
    for (const CliCommand& command : commands) {
        out << "  " << command.name << (*command.arguments ? " " : "") << command.arguments << "\n      "
            << command.description << '\n';
    }
}

/// Takes the options before the command off the front of `arguments`.
/// Throws UsageError for an unknown option or a missing folder.
SharedOptions TakeGlobalOptions(std::vector<std::string>& arguments)
{
    SharedOptions options(SharedOptions::Help | SharedOptions::Version | SharedOptions::Folder |
                          SharedOptions::DataFolder);
    std::size_t index = 0;
    for (; index < arguments.size() && arguments[index].size() > 1 && arguments[index][0] == '-'; ++index) {
        if (!options.Take(arguments, index))
            throw quorvane::app::cli::UsageError("unknown option " + arguments[index]);
    }
    arguments.erase(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(index));
    options.Finish();
    return options;
}

/// Writes out what the command left in the output's buffer. Output that
/// could not be written (a full disk behind a redirection, say) fails the
/// command rather than passing for a complete result.
int FinishOutput(int code)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return code;
    StandardError() << "Cannot write standard output. " << std::strerror(errno) << '\n';
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // No application object: no command needs an event loop (the update's
    // waits are sliced by its own watch) or the application's name (the
    // settings file is named outright), and a short command would pay for
    // setting one up. The locale is the user's, as the application object
    // would have set it.
    std::setlocale(LC_ALL, "");
    // A write past the file-size limit (ulimit -f) would otherwise end the
    // process mid-write; ignored, it fails with EFBIG and takes the write's
    // own error path, which removes what was half written.
    std::signal(SIGXFSZ, SIG_IGN);
    quorvane::xml::InitParser();

    const std::vector<CliCommand> commands = AllCommands();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    SharedOptions options(0);
    try {
        options = TakeGlobalOptions(arguments);
    } catch (const quorvane::app::cli::UsageError& e) {
        StandardError() << "quorvane-cli: " << e.what() << "\n\n";
        PrintUsage(StandardError(), commands);
        return 2;
    }
    if (options.help || options.version) {
        if (options.help)
            PrintUsage(StandardOutput(), commands);
        else
            StandardOutput() << "quorvane-cli " QUORVANE_VERSION "\n";
        return 0;
    }
    if (arguments.empty()) {
        PrintUsage(StandardError(), commands);
        return 2;
    }

    const std::string name = arguments[0];
    arguments.erase(arguments.begin());
    for (const CliCommand& command : commands) {
        if (name != command.name)
            continue;
        try {
            // The commands work in the working directory, so the list folder
            // takes its place.
            if (!options.folder.isEmpty()) {
                const QString path = quorvane::app::ListFolder::Prepare(options.folder);
                if (!QDir::setCurrent(path))
                    throw quorvane::app::ListError("Cannot change to folder \"" + path.toStdString() + "\"");
            }
            const int code = command.run(arguments, StandardOutput());
            return FinishOutput(code);
        } catch (const quorvane::app::cli::UsageError& e) {
            StandardError() << "quorvane-cli " << name << ": " << e.what() << "\nusage: quorvane-cli " << name << ' '
                            << command.arguments << '\n';
            return 2;
        } catch (const std::exception& e) {
            // The message as the application error box shows it, a server's words made harmless.
            StandardOutput().Flush();
            StandardError() << quorvane::app::ShownError(e) << '\n';
            if (const auto* dropped = dynamic_cast<const quorvane::app::TlsNoLongerOfferedError*>(&e))
                StandardError() << "If the server really stopped offering TLS, forget it first: quorvane-cli forget "
                                << dropped->Key() << '\n';
            return 1;
        }
    }
    StandardError() << "quorvane-cli: unknown command " << name << "\n\n";
    PrintUsage(StandardError(), commands);
    return 2;
}
