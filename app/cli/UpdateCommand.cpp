#include "app/cli/UpdateCommand.h"

#include "app/cli/CliOutput.h"
#include "app/cli/InterruptCatcher.h"
#include "app/cli/UsageError.h"
#include "app/list/MainList.h"
#include "app/settings/SharedOptions.h"
#include "app/settings/UpdateServerSetting.h"
#include "app/text/ControlEscapes.h"
#include "app/text/MessageWithFullStop.h"
#include "app/update/UpdateFlow.h"
#include "app/update/UpdateSink.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <exception>
#include <functional>

namespace quorvane::app::cli {

namespace {

/// Holds SIGINT and SIGTERM back (blocked) while it lives; one that arrives
/// meanwhile is delivered when it goes.
class HeldInterrupts {
public:
    HeldInterrupts()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        sigprocmask(SIG_BLOCK, &held, &saved_);
    }
    ~HeldInterrupts() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;

private:
    sigset_t saved_;
};

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

/// The server of this run and what to keep of its certificate.
struct UpdateOptions {
    UpdateSettings settings;
    /// --save: keep the --trust-certificate fingerprint for the server.
    bool save = false;
};

/// --update-server when given, else the settings file's server (a malformed
/// one is reported here), else the built-in one; --trust-certificate FP
/// replaces a fingerprint kept for it, for this run.
UpdateOptions Options(const std::vector<std::string>& arguments)
{
    SharedOptions options(SharedOptions::UpdateServer);
    std::string trusted;
    bool save = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--trust-certificate") {
            if (i + 1 == arguments.size() || arguments[i + 1].empty())
                throw UsageError("--trust-certificate needs a fingerprint");
            trusted = arguments[++i];
            // As the program prints it: upper-case hex.
            std::transform(trusted.begin(), trusted.end(), trusted.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        } else if (arguments[i] == "--save") {
            save = true;
        } else if (!options.Take(arguments, i)) {
            throw UsageError("unexpected argument " + arguments[i]);
        }
    }
    if (save && trusted.empty())
        throw UsageError("--save needs --trust-certificate");
    UpdateOptions result{UpdateServerSetting::Choose(
                             options.updateServer,
                             [](const std::exception& e) { StandardError() << MessageWithFullStop(e.what()) << '\n'; })
                             .settings,
                         save};
    if (!trusted.empty()) {
        result.settings.TrustedFingerprint = trusted;
        result.settings.FingerprintStored = false;
    }
    return result;
}

/// After a connect: keeps the fingerprint --save asked for once the server
/// showed that certificate, and replaces a kept one when the server's new
/// certificate verified.
void KeepFingerprint(const UpdateOptions& options, const std::string& shown)
{
    const UpdateSettings& settings = options.settings;
    if (shown.empty() || InterruptCatcher::Caught())
        return;
    const bool saveTrusted = options.save && shown == settings.TrustedFingerprint;
    const bool replaced = settings.FingerprintStored && shown != settings.TrustedFingerprint;
    if (saveTrusted || replaced)
        UpdateServerSetting::StoreFingerprint(settings.Host, settings.Port, shown);
}

int RunUpdate(const std::vector<std::string>& arguments, CliOutput& out)
{
    const UpdateOptions options = Options(arguments);
    const UpdateSettings& settings = options.settings;
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
    UpdateFlow flow(list, settings);
    InterruptWatch watch(flow);
    UpdateOutcome outcome = UpdateOutcome::Aborted;
    try {
        if (!InterruptCatcher::Caught()) {
            flow.Connect(sink);
            KeepFingerprint(options, flow.ServerFingerprint());
        }
        if (!InterruptCatcher::Caught())
            outcome = flow.DownloadAndInstall(sink);
    } catch (...) {
        // What an abort leaves behind (a closed connection) is no failure of
        // its own: the interrupt is.
        if (InterruptCatcher::Caught())
            InterruptCatcher::EndByTheSignal();
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
        "      server offers it; --trust-certificate accepts the certificate with that SHA-256 fingerprint\n"
        "      (AB:CD:..., as the refusal prints it) for this run, and with --save for every later run",
        &RunUpdate};
    return command;
}

} // namespace quorvane::app::cli
