#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

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

} // namespace quorvane::test
