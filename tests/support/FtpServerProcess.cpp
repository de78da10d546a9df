#include "tests/support/FtpServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace quorvane::test {

std::string FtpServerProcess::SupportDir()
{
    return QUORVANE_TEST_SUPPORT_DIR;
}

FtpServerProcess FtpServerProcess::StartPyftpdlib(const PyftpdlibOptions& options)
{
    std::vector<std::string> args{"--root", options.Root};
    args.insert(args.end(), {"--user", options.User, "--password", options.Password});
    if (options.Anonymous)
        args.push_back("--anonymous");
    if (!options.Banner.empty())
        args.insert(args.end(), {"--banner", options.Banner});
    for (const std::string& fault : options.Faults)
        args.insert(args.end(), {"--fault", fault});
    if (!options.Masquerade.empty())
        args.insert(args.end(), {"--masquerade", options.Masquerade});
    if (!options.Listen.empty())
        args.insert(args.end(), {"--listen", options.Listen});
    if (!options.TlsCertificate.empty())
        args.insert(args.end(), {"--tls-cert", options.TlsCertificate, "--tls-key", options.TlsKey});
    if (options.TlsCutData)
        args.push_back("--tls-cut-data");
    if (!options.TlsDataCertificate.empty())
        args.insert(args.end(), {"--tls-data-cert", options.TlsDataCertificate});
    if (options.RefuseAuthAfter >= 0)
        args.insert(args.end(), {"--refuse-auth-after", std::to_string(options.RefuseAuthAfter)});
    if (!options.CommandLog.empty())
        args.insert(args.end(), {"--command-log", options.CommandLog});
    if (options.TlsRenegotiate)
        args.push_back("--tls-renegotiate");
    if (options.StallUploads)
        args.push_back("--stall-uploads");
    if (!options.WriteOnly.empty()) {
        args.push_back("--write-only");
        args.push_back(options.WriteOnly);
    }
    if (!options.Keeper.empty())
        args.insert(args.end(), {"--keeper", options.Keeper});
    if (options.StoreRate > 0)
        args.insert(args.end(), {"--store-rate", std::to_string(options.StoreRate)});
    if (options.RetrRate > 0)
        args.insert(args.end(), {"--retr-rate", std::to_string(options.RetrRate)});
    return FtpServerProcess(SupportDir() + "/ftpd.py", args);
}

std::vector<std::string> FtpServerProcess::VsftpdTlsSettings(const std::string& certificate, const std::string& key)
{
    // The defaults keep require_ssl_reuse=YES: data connections must resume the
    // control connection's session.
    return {"ssl_enable=YES",     "rsa_cert_file=" + certificate, "rsa_private_key_file=" + key,
            "allow_anon_ssl=YES", "force_anon_logins_ssl=YES",    "force_anon_data_ssl=YES"};
}

void FtpServerProcess::MakeCertificates(const std::string& dir)
{
    const std::string command = "/bin/bash '" + SupportDir() + "/make-certs.sh' '" + dir + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("make-certs.sh failed in " + dir);
}

FtpServerProcess FtpServerProcess::StartVsftpd(const std::string& root, const std::string& workDir,
                                               const std::vector<std::string>& settings, VsftpdListen listen)
{
    std::vector<std::string> args{"--root", root, "--workdir", workDir};
    if (listen == VsftpdListen::Inet6)
        args.push_back("--ipv6");
    for (const std::string& setting : settings)
        args.insert(args.end(), {"--set", setting});
    return FtpServerProcess(SupportDir() + "/vsftpd.py", args);
}

FtpServerProcess::FtpServerProcess(const std::string& script, const std::vector<std::string>& args)
{
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        throw std::runtime_error("pipe failed");
    }

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    ::posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);

    // Always Debian's interpreter: another python3 earlier on PATH may lack pyftpdlib.
    std::vector<std::string> argv{"/usr/bin/python3", script};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    stdinFd_ = toChild[1];
    if (spawned != 0) {
        pid_ = -1;
        ::close(fromChild[0]);
        Stop();
        throw std::runtime_error("cannot start " + script);
    }

    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd entry{fromChild[0], POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = ::read(fromChild[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fromChild[0]);
    if (text.find('\n') != std::string::npos)
        port_ = std::atoi(text.c_str());
    if (port_ <= 0) {
        Stop();
        throw std::runtime_error(script + " did not report its port");
    }
}

FtpServerProcess::FtpServerProcess(FtpServerProcess&& other) noexcept
    : pid_(other.pid_), stdinFd_(other.stdinFd_), port_(other.port_)
{
    other.pid_ = -1;
    other.stdinFd_ = -1;
    other.port_ = 0;
}

FtpServerProcess::~FtpServerProcess()
{
    Stop();
}

void FtpServerProcess::Stop()
{
    // Closing its standard input asks the launcher to shut the server down;
    // SIGTERM follows if it does not go in time.
    if (stdinFd_ >= 0) {
        ::close(stdinFd_);
        stdinFd_ = -1;
    }
    if (pid_ <= 0)
        return;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        if (i == 40)
            ::kill(pid_, SIGTERM);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

} // namespace quorvane::test
