#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvane::test {

/// Settings for a pyftpdlib server started by `FtpServerProcess::StartPyftpdlib`.
struct PyftpdlibOptions {
    std::string Root;              ///< the served folder (must exist)
    std::string User = "quorvane"; ///< empty: no named account
    std::string Password = "secret";
    bool Anonymous = false;          ///< also accept "anonymous"
    std::string Banner;              ///< empty: pyftpdlib's own; > 75 characters: multi-line greeting
    std::vector<std::string> Faults; ///< e.g. "RETR=550": that command answers with that code ("xN": N times)
    std::string Masquerade;          ///< address named in PASV replies instead of 127.0.0.1
    std::string Listen;              ///< the address to listen on; empty: 127.0.0.1
    std::string TlsCertificate;      ///< with TlsKey: explicit FTPS required, this certificate
    std::string TlsKey;
    bool TlsCutData = false; ///< data connections end without close_notify
    /// With TLS: data connections show this certificate and never resume a session.
    std::string TlsDataCertificate;
    /// With TLS: control connections after the first this many are refused "AUTH"
    /// and logged in in the clear; -1: never.
    int RefuseAuthAfter = -1;
    /// Every command line received is appended here, after "tls " or "clear ".
    std::string CommandLog;
    bool TlsRenegotiate = false; ///< TLS 1.2 at most; asks to renegotiate at login
    bool StallUploads = false;   ///< never reads the data of a STOR
    /// A folder under Root (created) that every account may enter and store into only.
    std::string WriteOnly;
    /// "NAME:WORD": the keepers' account, which may list, read, rename and make
    /// folders in WriteOnly (else Root).
    std::string Keeper;
    /// Bytes per second at which uploads arrive; 0: as fast as they come.
    int StoreRate = 0;
    /// Bytes per second at which downloads leave; 0: as fast as they go.
    int RetrRate = 0;
};

/// A real FTP server on 127.0.0.1 (or ::1) in a child process (tests/support/ftpd.py
/// or tests/support/vsftpd.py under /usr/bin/python3). The constructor
/// returns once the server listens; the destructor stops it and reaps it.
/// Throws std::runtime_error when the server does not come up within 20 s.
class FtpServerProcess {
public:
    static FtpServerProcess StartPyftpdlib(const PyftpdlibOptions& options);
    /// vsftpd serving `root` to anonymous logins; `workDir` holds its config.
    /// `settings` replace or add configuration lines ("port_enable=NO").
    /// `listen` Inet6 makes it listen on ::1 instead of 127.0.0.1.
    enum class VsftpdListen { Inet, Inet6 };
    static FtpServerProcess StartVsftpd(const std::string& root, const std::string& workDir,
                                        const std::vector<std::string>& settings = {},
                                        VsftpdListen listen = VsftpdListen::Inet);

    FtpServerProcess(FtpServerProcess&& other) noexcept;
    FtpServerProcess& operator=(FtpServerProcess&&) = delete;
    FtpServerProcess(const FtpServerProcess&) = delete;
    ~FtpServerProcess();

    /// The control port on 127.0.0.1 (or the address the server was told to listen on).
    [[nodiscard]] int Port() const { return port_; }

    /// vsftpd settings for explicit FTPS with `certificate` and `key` that refuse an
    /// anonymous login or data connection in the clear (pass to StartVsftpd).
    static std::vector<std::string> VsftpdTlsSettings(const std::string& certificate, const std::string& key);
    /// Makes the TLS tests' certificates in `dir` (tests/support/make-certs.sh); throws
    /// std::runtime_error when openssl fails.
    static void MakeCertificates(const std::string& dir);

    /// The folder holding ftpd.py and vsftpd.py.
    [[nodiscard]] static std::string SupportDir();

private:
    FtpServerProcess(const std::string& script, const std::vector<std::string>& args);
    void Stop();

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

} // namespace quorvane::test
