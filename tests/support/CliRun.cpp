#include "tests/support/CliRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

namespace quorvane::test {

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CliProcess::CliProcess(const TempDir& folder, const std::string& arguments, const std::string& wrapper)
    : folder_(folder)
{
    // exec all the way down, so that the process started here is the program
    // and a signal sent to it reaches the program itself.
    const std::string command = "cd " + Quoted(folder.Path().string()) + " && exec " + wrapper + " " +
                                Quoted(QUORVANE_BINARY_DIR "/app/quorvane-cli") + " " + arguments + " 2>" +
                                Quoted(folder.File("stderr.txt"));
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
}

CliProcess::~CliProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        (void)Wait();
    }
    if (out_ >= 0)
        ::close(out_);
}

void CliProcess::Signal(int signalNumber)
{
    if (pid_ > 0)
        ::kill(pid_, signalNumber);
}

CliRun CliProcess::Wait()
{
    CliRun run;
    if (pid_ <= 0)
        return run;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        run.out.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.err = folder_.Read("stderr.txt");
    std::error_code ignored;
    std::filesystem::remove(folder_.File("stderr.txt"), ignored);
    return run;
}

CliRun Cli(const TempDir& folder, const std::string& arguments, const std::string& wrapper)
{
    CliProcess process(folder, arguments, wrapper);
    return process.Wait();
}

} // namespace quorvane::test
