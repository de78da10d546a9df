#pragma once

#include "app/update/FtpServer.h"
#include "app/update/UpdateSink.h"
#include "tests/support/FtpServerProcess.h"
#include "tests/support/ListFiles.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::app::test {

using ::quorvane::test::GeneratedListFile;
using ::quorvane::test::ReadBytes;
using ::quorvane::test::TempDir;
using ::quorvane::test::WriteBytes;

/// Which real server an `UpdateServer` runs.
enum class ServerKind {
    Pyftpdlib,
    /// pyftpdlib naming 10.0.0.5 in its PASV replies, as a server behind a
    /// NAT router names its private address.
    PyftpdlibBehindNat,
    /// vsftpd with active mode switched off ("port_enable=NO").
    VsftpdPassiveOnly,
    /// vsftpd with passive mode switched off ("pasv_enable=NO").
    VsftpdActiveOnly,
    /// pyftpdlib refusing "PASV" and "PORT", as servers behind firewalls that
    /// pass only "EPSV" do.
    PyftpdlibEpsvOnly,
    /// pyftpdlib and vsftpd listening on ::1 only.
    PyftpdlibIpv6,
    VsftpdIpv6,
    /// vsftpd requiring TLS for the login and every data connection, with a
    /// certificate for localhost from a test authority (`AuthorityFile`).
    VsftpdTls,
    /// The same with a self-signed certificate.
    VsftpdSelfSigned,
    /// pyftpdlib requiring TLS, with the self-signed certificate, for an
    /// account that stores reports in incoming/.
    PyftpdlibSelfSigned,
};

/// A real FTP server on 127.0.0.1 or ::1 (pyftpdlib with an account, or vsftpd for
/// anonymous logins) holding the Main List in "pub/lists/Other/", and the
/// settings that reach it.
class UpdateServer {
public:
    static constexpr const char* Directory = "pub/lists/Other/";

    /// Serves `remoteList` as "gcmList.xml" (nothing when empty); `faults`
    /// as ftpd.py's --fault values (pyftpdlib only).
    explicit UpdateServer(const std::string& remoteList, std::vector<std::string> faults = {},
                          ServerKind kind = ServerKind::Pyftpdlib)
    {
        if (!remoteList.empty())
            WriteBytes(root_.Path() / Directory / "gcmList.xml", remoteList);
        std::filesystem::create_directories(root_.Path() / Directory);
        WriteBytes(root_.Path() / Directory / "readme.txt", "lists\n");
        using Process = ::quorvane::test::FtpServerProcess;
        if (kind == ServerKind::PyftpdlibIpv6 || kind == ServerKind::VsftpdIpv6)
            host_ = "::1";
        if (kind == ServerKind::VsftpdPassiveOnly || kind == ServerKind::VsftpdActiveOnly ||
            kind == ServerKind::VsftpdIpv6 || kind == ServerKind::VsftpdTls || kind == ServerKind::VsftpdSelfSigned) {
            user_ = "anonymous";
            password_ = "guest";
            std::vector<std::string> settings;
            if (kind == ServerKind::VsftpdTls || kind == ServerKind::VsftpdSelfSigned) {
                scheme_ = "ftpes://";
                Process::MakeCertificates(certs_.Path().string());
                settings = Process::VsftpdTlsSettings(
                    certs_.File(kind == ServerKind::VsftpdTls ? "good.pem" : "self.pem"), certs_.File("server.key"));
            } else if (kind != ServerKind::VsftpdIpv6) {
                settings.push_back(kind == ServerKind::VsftpdPassiveOnly ? "port_enable=NO" : "pasv_enable=NO");
            }
            server_ = std::make_unique<Process>(Process::StartVsftpd(
                root_.Path().string(), work_.Path().string(), settings,
                kind == ServerKind::VsftpdIpv6 ? Process::VsftpdListen::Inet6 : Process::VsftpdListen::Inet));
            return;
        }
        ::quorvane::test::PyftpdlibOptions options;
        options.Root = root_.Path().string();
        options.User = user_;
        options.Password = password_;
        options.Faults = std::move(faults);
        // Reports sent to the update server go to its incoming/ folder.
        options.WriteOnly = "incoming";
        if (kind == ServerKind::PyftpdlibBehindNat)
            options.Masquerade = "10.0.0.5";
        if (kind == ServerKind::PyftpdlibEpsvOnly)
            options.Faults.insert(options.Faults.end(), {"PASV=502", "PORT=502"});
        if (kind == ServerKind::PyftpdlibIpv6)
            options.Listen = "::1";
        if (kind == ServerKind::PyftpdlibSelfSigned) {
            scheme_ = "ftpes://";
            Process::MakeCertificates(certs_.Path().string());
            options.TlsCertificate = certs_.File("self.pem");
            options.TlsKey = certs_.File("server.key");
        }
        server_ = std::make_unique<::quorvane::test::FtpServerProcess>(
            ::quorvane::test::FtpServerProcess::StartPyftpdlib(options));
    }

    /// Settings for this server with a short time-out.
    FtpServer Settings() const
    {
        FtpServer settings;
        settings.Host = host_;
        settings.Port = server_->Port();
        settings.Username = user_;
        settings.Password = password_;
        settings.Directory = Directory;
        settings.ReadTimeoutMs = 10000;
        if (scheme_ == "ftpes://")
            settings.Security = ftp::FtpSecurity::RequireTls;
        return settings;
    }

    /// The same as an --update-server value, naming the server by `host`
    /// (default: its address, an IPv6 one in brackets), with `scheme` (default:
    /// ftpes:// for a TLS server, else ftp://).
    std::string Url(std::string host = {}, std::string scheme = {}) const
    {
        if (scheme.empty())
            scheme = scheme_;
        if (host.empty())
            host = host_.find(':') == std::string::npos ? host_ : "[" + host_ + "]";
        const std::string account = user_ == "lists" ? "lists:pa%3Ass%40word" : user_ + ":" + password_;
        return scheme + account + "@" + host + ":" + std::to_string(server_->Port()) + "/" + Directory;
    }

    std::int32_t Port() const { return server_->Port(); }

    /// The names in the write-only incoming/ folder (pyftpdlib only), sorted.
    std::vector<std::string> Incoming() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_.Path() / "incoming"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string IncomingFile(const std::string& name) const { return ReadBytes(root_.Path() / "incoming" / name); }

    /// The test authority that signed a TLS server's certificate (for SSL_CERT_FILE).
    std::string AuthorityFile() const { return certs_.File("ca.pem"); }
    /// The SHA-256 fingerprint of the server's certificate when it is `certificate`
    /// ("good", "self"), as the program prints it.
    std::string Fingerprint(const std::string& certificate) const
    {
        std::string text = ReadBytes(certs_.File(certificate + ".fp"));
        text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
        return text;
    }

private:
    std::string host_ = "127.0.0.1";
    std::string user_ = "lists";
    std::string password_ = "pa:ss@word";
    std::string scheme_ = "ftp://";
    TempDir root_{"quorvane-update-server"};
    TempDir certs_{"quorvane-update-server-certs"};
    TempDir work_{"quorvane-update-server-work"};
    std::unique_ptr<::quorvane::test::FtpServerProcess> server_;
};

/// Settings for a scripted peer on 127.0.0.1:`port` (tests/support/UpdateScript.h:
/// account "lists", directory `ScriptedDirectory`) with a short time-out.
inline constexpr const char* ScriptedDirectory = "pub/lists/Other/";
inline FtpServer ScriptedServerSettings(int port, std::int32_t readTimeoutMs = 300)
{
    FtpServer settings;
    settings.Host = "127.0.0.1";
    settings.Port = port;
    settings.Username = "lists";
    settings.Password = "x";
    settings.Directory = ScriptedDirectory;
    settings.ReadTimeoutMs = readTimeoutMs;
    return settings;
}

/// Records what the update flow reports.
class RecordingUpdateSink : public UpdateSink {
public:
    void MainStatus(const QString& text) override { main.push_back(text.toStdString()); }
    void WindowStatus(const QString& text) override { window.push_back(text.toStdString()); }
    void ChangesStatus(const QString& text) override { changes.push_back(text.toStdString()); }
    void ShowListing(const std::vector<std::string>& lines) override { listing = lines; }
    void DownloadProgress(std::int64_t bytes) override { progress.push_back(bytes); }
    bool InstallUnlessInterrupted(const std::function<void()>& install) override
    {
        if (interrupted)
            return false;
        install();
        return true;
    }

    /// Answers the install as an interrupt that came before it would.
    bool interrupted = false;
    std::vector<std::string> main;
    std::vector<std::string> window;
    std::vector<std::string> changes;
    std::vector<std::string> listing;
    std::vector<std::int64_t> progress;
};

} // namespace quorvane::app::test
