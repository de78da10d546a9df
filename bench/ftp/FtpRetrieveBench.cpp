// Throughput and peak memory of FtpClient::RetrieveFile against vsftpd on
// loopback, next to curl fetching the same file in active mode ("-P").
//
//   quorvane_ftp_bench [size in MB ...]      (default: 64 256)
//   quorvane_ftp_bench --tls                 20 MiB in passive mode, under TLS
//                                            ("ftpes://" against curl --ssl-reqd)
//                                            and in the clear, each as a ratio of
//                                            times, quorvane/curl (target: 1.3 under TLS)
//
// Every fetch runs in a child process; wait4() gives its peak resident size,
// so the numbers of the two clients compare like with like. Each fetch runs
// three times and the fastest counts.
#include "net/ftp/FtpClient.h"
#include "tests/support/FtpServerProcess.h"
#include "tests/support/TempDir.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

int Fetch(int port, const std::string& remote, const std::string& local, const std::string& mode = {})
{
    try {
        quorvane::ftp::FtpClient client;
        client.Host = "127.0.0.1";
        client.Port = port;
        client.Username = "anonymous";
        client.Password = "bench@";
        if (!mode.empty())
            client.Passive = true;
        if (mode == "tls")
            client.Security = quorvane::ftp::FtpSecurity::RequireTls;
        client.OpenConnection();
        client.RetrieveFile(remote, local, quorvane::ftp::Overwrite::Allow, quorvane::ftp::Resume::No);
        client.Disconnect();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fetch failed: %s\n", error.what());
        return 1;
    }
}

Run Measure(std::vector<std::string> argv)
{
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, raw[0], nullptr, nullptr, raw.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

Run Best(const std::vector<std::string>& argv, const std::string& output, std::uint64_t size)
{
    Run best;
    for (int i = 0; i < 3; ++i) {
        std::filesystem::remove(output);
        Run run = Measure(argv);
        std::error_code error;
        run.ok = run.ok && std::filesystem::file_size(output, error) == size;
        if (!run.ok)
            return run;
        if (!best.ok || run.seconds < best.seconds)
            best = run;
    }
    return best;
}

void WriteFile(const std::string& path, std::uint64_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 131 + i / 251);
    for (std::uint64_t done = 0; done < size; done += block.size())
        std::fwrite(block.data(), 1, block.size(), file);
    std::fclose(file);
}

void Report(const char* label, const Run& ours, const Run& curl)
{
    for (const auto& [client, run] : {std::pair{"quorvane", ours}, std::pair{"curl", curl}}) {
        if (run.ok)
            std::printf("%-6s %-10s %10.3f s %8.1f MB/s %10ld kB\n", label, client, run.seconds, 20 / run.seconds,
                        run.peakKb);
        else
            std::printf("%-6s %-10s failed\n", label, client);
    }
    if (ours.ok && curl.ok)
        std::printf("%-6s ratio quorvane/curl time: %.2f\n", label, ours.seconds / curl.seconds);
}

// 20 MiB in passive mode from vsftpd under TLS (a certificate from an authority made
// for this run, trusted through SSL_CERT_FILE and curl's --cacert) and in the clear.
int CompareTls()
{
    using quorvane::test::FtpServerProcess;
    quorvane::test::TempDir root("ftp-bench-root");
    quorvane::test::TempDir certs("ftp-bench-certs");
    quorvane::test::TempDir work("ftp-bench-work");
    quorvane::test::TempDir plainWork("ftp-bench-plain");
    quorvane::test::TempDir local("ftp-bench-local");
    const std::uint64_t size = std::uint64_t{20} << 20;
    WriteFile(root.File("20.bin"), size);
    FtpServerProcess::MakeCertificates(certs.Path().string());
    setenv("SSL_CERT_FILE", certs.File("ca.pem").c_str(), 1);
    auto tls = FtpServerProcess::StartVsftpd(
        root.Path().string(), work.Path().string(),
        FtpServerProcess::VsftpdTlsSettings(certs.File("good.pem"), certs.File("server.key")));
    auto plain = FtpServerProcess::StartVsftpd(root.Path().string(), plainWork.Path().string());
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string output = local.File("20.bin");
    const auto url = [](int port) { return "ftp://127.0.0.1:" + std::to_string(port) + "/20.bin"; };

    const Run oursTls = Best({self, "--fetch", std::to_string(tls.Port()), "20.bin", output, "tls"}, output, size);
    const Run curlTls = Best(
        {"/usr/bin/curl", "-s", "-S", "--ssl-reqd", "--cacert", certs.File("ca.pem"), "-o", output, url(tls.Port())},
        output, size);
    const Run oursPlain =
        Best({self, "--fetch", std::to_string(plain.Port()), "20.bin", output, "passive"}, output, size);
    const Run curlPlain = Best({"/usr/bin/curl", "-s", "-S", "-o", output, url(plain.Port())}, output, size);
    Report("tls", oursTls, curlTls);
    Report("plain", oursPlain, curlPlain);
    return oursTls.ok && curlTls.ok && oursPlain.ok && curlPlain.ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--fetch")
        return Fetch(std::atoi(argv[2]), argv[3], argv[4]);
    if (argc == 6 && std::string(argv[1]) == "--fetch")
        return Fetch(std::atoi(argv[2]), argv[3], argv[4], argv[5]);
    if (argc == 2 && std::string(argv[1]) == "--tls")
        return CompareTls();

    std::vector<std::uint64_t> sizesMb;
    for (int i = 1; i < argc; ++i)
        sizesMb.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizesMb.empty())
        sizesMb = {64, 256};

    quorvane::test::TempDir root("ftp-bench-root");
    quorvane::test::TempDir work("ftp-bench-work");
    quorvane::test::TempDir local("ftp-bench-local");
    for (std::uint64_t mb : sizesMb)
        WriteFile(root.File(std::to_string(mb) + ".bin"), mb << 20);
    auto server = quorvane::test::FtpServerProcess::StartVsftpd(root.Path().string(), work.Path().string());
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    std::printf("%-8s %-10s %10s %10s %12s\n", "size", "client", "seconds", "MB/s", "peak RSS kB");
    int failures = 0;
    for (std::uint64_t mb : sizesMb) {
        const std::string name = std::to_string(mb) + ".bin";
        const std::string output = local.File(name);
        const Run ours = Best({self, "--fetch", std::to_string(server.Port()), name, output}, output, mb << 20);
        const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/" + name;
        const Run curl = Best({"/usr/bin/curl", "-s", "-S", "--disable-eprt", "-P", "127.0.0.1", "-o", output, url},
                              output, mb << 20);
        for (const auto& [label, run] : {std::pair{"quorvane", ours}, std::pair{"curl", curl}}) {
            if (!run.ok) {
                std::printf("%-8s %-10s failed\n", (std::to_string(mb) + "MB").c_str(), label);
                ++failures;
                continue;
            }
            std::printf("%-8s %-10s %10.3f %10.1f %12ld\n", (std::to_string(mb) + "MB").c_str(), label, run.seconds,
                        static_cast<double>(mb) / run.seconds, run.peakKb);
        }
        if (ours.ok && curl.ok)
            std::printf("%-8s ratio quorvane/curl throughput: %.2f\n", (std::to_string(mb) + "MB").c_str(),
                        curl.seconds / ours.seconds);
    }
    return failures == 0 ? 0 : 1;
}
