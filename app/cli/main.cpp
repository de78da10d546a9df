// quorvane-cli: the list commands of the Main Window without a window.
#include "app/cli/ListCommands.h"
#include "app/cli/UpdateCommand.h"
#include "app/cli/UsageError.h"
#include "app/list/ErrorBoxText.h"
#include "xml/PlatformVendor.h"

#include <QCoreApplication>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using quorvane::app::cli::CliCommand;

std::vector<CliCommand> AllCommands()
{
    std::vector<CliCommand> commands = quorvane::app::cli::ListCommands();
    commands.push_back(quorvane::app::cli::UpdateCommand());
    return commands;
}

void PrintUsage(std::ostream& out, const std::vector<CliCommand>& commands)
{
    out << "usage: quorvane-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const CliCommand& command : commands) {
        out << "  " << command.name << ' ' << command.arguments << "\n      " << command.description << '\n';
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    quorvane::xml::InitParser();

    const std::vector<CliCommand> commands = AllCommands();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h") {
        PrintUsage(arguments.empty() ? std::cerr : std::cout, commands);
        return arguments.empty() ? 2 : 0;
    }

    const std::string name = arguments[0];
    arguments.erase(arguments.begin());
    for (const CliCommand& command : commands) {
        if (name != command.name)
            continue;
        try {
            const int code = command.run(arguments, std::cout);
            std::cout.flush();
            return code;
        } catch (const quorvane::app::cli::UsageError& e) {
            std::cerr << "quorvane-cli " << name << ": " << e.what() << "\nusage: quorvane-cli " << name << ' '
                      << command.arguments << '\n';
            return 2;
        } catch (const std::exception& e) {
            // The message as the application error box shows it.
            std::cout.flush();
            std::cerr << quorvane::app::ErrorBoxText(e.what()) << '\n';
            return 1;
        }
    }
    std::cerr << "quorvane-cli: unknown command " << name << "\n\n";
    PrintUsage(std::cerr, commands);
    return 2;
}
