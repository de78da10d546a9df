#pragma once

#include "tests/support/TempDir.h"

#include <sys/types.h>

#include <string>

namespace quorvane::test {

/// How a run of the built quorvane-cli ended and what it printed.
struct CliRun {
    /// The exit status, or -1 when the process was ended by a signal.
    int exitCode = -1;
    /// The signal that ended the process, 0 when it exited.
    int signal = 0;
    std::string out;
    std::string err;
};

/// `text` as one word for /bin/sh, quoted so that nothing in it is special.
std::string Quoted(const std::string& text);

/// The built quorvane-cli as a child process working in `folder`, its output
/// collected. `arguments` are shell words (quote file names with Quoted);
/// `wrapper` (for example "unshare -rn") is put in front of the program.
/// Standard error goes to "stderr.txt" in `folder`, which is removed again
/// once read. A process still running when the object goes is killed.
class CliProcess {
public:
    CliProcess(const TempDir& folder, const std::string& arguments, const std::string& wrapper = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    /// Sends `signalNumber` to the program (the wrapper execs it: same process).
    void Signal(int signalNumber);
    /// Reads the output to its end and waits for the process.
    CliRun Wait();

private:
    const TempDir& folder_;
    pid_t pid_ = -1;
    int out_ = -1;
};

/// Runs quorvane-cli to its end (see CliProcess).
CliRun Cli(const TempDir& folder, const std::string& arguments, const std::string& wrapper = {});

} // namespace quorvane::test
