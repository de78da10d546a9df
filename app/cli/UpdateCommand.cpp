#include "app/cli/UpdateCommand.h"

#include "app/cli/CliOutput.h"
#include "app/cli/InterruptCatcher.h"
#include "app/cli/UsageError.h"
#include "app/list/MainList.h"
#include "app/settings/SharedOptions.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/text/ControlEscapes.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/ServerNotReached.h"
#include "app/update/UpdateFlow.h"
#include "app/update/UpdateSink.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace quorvane::app::cli {

namespace {

const std::string UnreachableHint = "Check the update server with --update-server or in quorvane.conf.";

/// Status texts on standard error, the listing on the command's output.
class ConsoleSink : public UpdateSink {
public:
    explicit ConsoleSink(CliOutput& out) : out_(out) {}

    // The status texts name what a server said (its system, the list's version): never raw.
    void MainStatus(const QString& text) override { StandardError() << EscapeControls(text.toStdString()) << '\n'; }
    void WindowStatus(const QString& text) override { StandardError() << EscapeControls(text.toStdString()) << '\n'; }
    void ChangesStatus(const QString& text) override { StandardError() << text.toStdString() << '\n'; }
    void Secured(const QString& version, const QString& unverifiedReason) override
    {
        if (!version.isEmpty())
            StandardError() << SecuredText(version, unverifiedReason).toStdString() << '\n';
    }
    void NotEncrypted() override { StandardError() << kNotEncrypted << '\n'; }
    void Note(const QString& text) override { StandardError() << text.toStdString() << '\n'; }
    void ShowListing(const std::vector<std::string>& lines) override
    {
        for (const std::string& line : lines)
            out_ << EscapeControls(line) << '\n';
        out_.Flush();
    }
    void DownloadProgress(std::int64_t) override {}
    bool InstallUnlessInterrupted(const std::function<void()>& install) override
    {
        // Held from the last look at the flag until the rename is done: an
        // interrupt that came before it wins and nothing is installed; one
        // that comes later waits for the new list to be in place, and then
        // ends the command.
        const HeldInterrupts held;
        if (InterruptCatcher::Caught())
            return false;
        install();
        return true;
    }

private:
    CliOutput& out_;
};

/// Keeps the List Summary from the start-up load out of the output.
class Discard : public StatusSink {
public:
    void SetStatusText(const QString&) override {}
};

/// --update-server when given, else the settings file's server (a malformed
/// one is reported here), else the built-in one; and the certificate
/// --trust-certificate names for this run (kept with --save).
SharedOptions Options(const std::vector<std::string>& arguments)
{
    SharedOptions options(SharedOptions::UpdateServer | SharedOptions::TrustCertificate);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!options.Take(arguments, i))
            throw UsageError("unexpected argument " + arguments[i]);
    }
    options.Finish();
    return options;
}

int RunUpdate(const std::vector<std::string>& arguments, CliOutput& out)
{
    const SharedOptions options = Options(arguments);
    const FtpServer server = UpdateServerSetting::Choose(options.updateServer, [](const std::exception& e) {
                                 StandardError() << MessageWithFullStop(e.what()) << '\n';
                             }).server;
    InterruptCatcher interrupts;
    MainList list;
    Discard summary;
    // As at program start: an unreadable Main List is reported and leaves the
    // version empty, so the update can replace it.
    try {
        list.LoadMainList(summary);
    } catch (const std::exception& e) {
        StandardError() << MessageWithFullStop(e.what()) << '\n';
    }

    ConsoleSink sink(out);
    UpdateFlow flow(list, server, options.certificate);
    InterruptWatch watch(flow);
    UpdateOutcome outcome = UpdateOutcome::Aborted;
    try {
        if (!InterruptCatcher::Caught())
            flow.Connect(sink);
        if (!InterruptCatcher::Caught())
            outcome = flow.DownloadAndInstall(sink);
    } catch (const std::exception& error) {
        // What an abort leaves behind (a closed connection) is no failure of
        // its own: the interrupt is.
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
        // A server that could not be reached at all is most often a wrong or
        // outdated address: say where it is set.
        if (flow.FailedOpeningConnection() && ServerNotReached(error))
            throw std::runtime_error(MessageWithFullStop(error.what()) + "\n" + UnreachableHint);
        throw;
    }
    if (InterruptCatcher::Caught())
        InterruptCatcher::EndByTheSignal();
    if (outcome == UpdateOutcome::AlreadyUpToDate)
        StandardError() << "Your version is already up to date.\n";
    return 0;
}

} // namespace

const CliCommand& UpdateCommand()
{
    static const CliCommand command{
        "update", "[--update-server ftp[es]://USER:PASSWORD@HOST:PORT/PATH/] [--trust-certificate FP [--save]]",
        "fetches gcmList.xml from the update server and installs it when its version differs, keeping the\n"
        "      list it replaces as gcmList.previous.xml and printing what changed; the server is the option's,\n"
        "      else the settings file's ([update] server), else the program's own; ftpes:// requires TLS and a\n"
        "      certificate the system trusts, and sends the account only after both; ftp:// uses TLS when the\n"
        "      server offers it, and requires it of a server that showed a certificate before; --trust-certificate\n"
        "      accepts the certificate with that SHA-256 fingerprint (AB:CD:..., as the refusal prints it) for\n"
        "      this run, and with --save for every later run",
        &RunUpdate};
    return command;
}

} // namespace quorvane::app::cli
