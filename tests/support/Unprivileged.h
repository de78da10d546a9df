#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace quorvane::test {

/// Runs `body` in a child process that first gives up the superuser's rights
/// (permissions do not stop root, and CI often runs as root), and returns the
/// child's exit code: `body`'s result, 125 when the rights could not be given
/// up, 126 when `body` threw, or -1 when the child could not be run at all.
/// `body` must not use GoogleTest assertions: the child's results never reach
/// the parent's report; it answers through its exit code only.
inline int RunUnprivileged(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == -1)
        return -1;
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(125);
        int code = 126;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

/// What RunUnprivilegedForText brought back.
struct UnprivilegedRun {
    /// 0 when `body` returned, 125 when the rights could not be given up, 126
    /// when `body` threw, -1 when the child could not be run.
    int exitCode = -1;
    /// What `body` returned.
    std::string text;
};

/// As RunUnprivileged, for a body that answers with text (a report the
/// parent then checks with GoogleTest): the text travels through a pipe.
inline UnprivilegedRun RunUnprivilegedForText(const std::function<std::string()>& body)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return {};
    UnprivilegedRun run;
    const pid_t child = ::fork();
    if (child == -1) {
        ::close(ends[0]);
        ::close(ends[1]);
        return run;
    }
    if (child == 0) {
        ::close(ends[0]);
        constexpr uid_t nobody = 65534;
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(125);
        int code = 126;
        try {
            const std::string text = body();
            std::size_t sent = 0;
            while (sent < text.size()) {
                const ssize_t n = ::write(ends[1], text.data() + sent, text.size() - sent);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            code = sent == text.size() ? 0 : 126;
        } catch (...) {
        }
        ::_exit(code);
    }
    ::close(ends[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        run.text.append(buffer, static_cast<std::size_t>(n));
    ::close(ends[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace quorvane::test
