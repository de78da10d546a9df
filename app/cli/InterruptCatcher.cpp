#include "app/cli/InterruptCatcher.h"

#include "app/cli/CliOutput.h"

#include <signal.h>

#include <cstdlib>

namespace quorvane::app::cli {

namespace {

/// The signal that asked the command to stop, 0 while none did.
volatile std::sig_atomic_t gInterrupt = 0;

extern "C" void NoteInterrupt(int signalNumber)
{
    gInterrupt = signalNumber;
}

} // namespace

InterruptCatcher::InterruptCatcher()
{
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    // Waits on the network end at their next slice, where the command's watch
    // looks at the flag; file and socket calls just go on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &savedInt_);
    sigaction(SIGTERM, &action, &savedTerm_);
}

InterruptCatcher::~InterruptCatcher()
{
    sigaction(SIGINT, &savedInt_, nullptr);
    sigaction(SIGTERM, &savedTerm_, nullptr);
}

bool InterruptCatcher::Caught()
{
    return gInterrupt != 0;
}

void InterruptCatcher::EndByTheSignal()
{
    const int signalNumber = gInterrupt;
    StandardOutput().Flush();
    StandardError() << "Interrupted.\n";
    std::signal(signalNumber, SIG_DFL);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signalNumber);
    sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
    std::raise(signalNumber);
    // Not reached: the default action of both signals ends the process.
    std::_Exit(128 + signalNumber);
}

} // namespace quorvane::app::cli
