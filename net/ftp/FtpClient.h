#pragma once

#include "net/ftp/CommandConnection.h"
#include "net/ftp/FtpProxySettings.h"
#include "net/ftp/FtpTypes.h"
#include "net/ftp/PassiveAddress.h"
#include "net/transport/ConnectionSecurity.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::net {
class SimpleServer;
class TcpClient;
class TlsContext;
enum class TlsVerification;
} // namespace quorvane::net

namespace quorvane::ftp {

/// The FTP client: a control connection with login, transfer type, system type
/// and directory change, plus listings, retrievals and stores over a separate data
/// connection (active mode by default, passive on request, passive with a
/// fall-back to active for servers that refuse it).
///
/// Every operation blocks the calling thread until its replies have been read;
/// a refused reply raises `ProtocolReplyError` with the server's text.
/// Failures inside `OpenConnection` close the connection before the error
/// reaches the caller; later failures leave it open. `Disconnect` sends no QUIT.
class FtpClient : public CommandConnection {
public:
    /// How long a transfer waits for its data connection by default: the
    /// server's connection in active mode, the client's connect in passive mode.
    static constexpr std::int32_t DefaultDataConnectTimeout = 60000;
    /// How long a failed transfer waits for the server's final reply by default.
    static constexpr std::int32_t DefaultPendingReplyTimeout = 3000;

    using AfterGetEvent = std::function<void(FtpClient& sender, std::ostream& stream)>;

    FtpClient();
    ~FtpClient() override;

    /// false: the server connects to a port this client listens on ("PORT",
    /// or "EPRT" on an IPv6 control connection); true: the client connects
    /// where the server says ("PASV", or "EPSV" on an IPv6 control connection).
    bool Passive = false;
    /// With `Passive`: when the server refuses "PASV" with a 5xx reply, the
    /// transfer asks "EPSV" (and so does every later transfer until the next
    /// connect); when that is refused with a 5xx reply too (or "EPSV" on an
    /// IPv6 control connection is), the transfer goes on in active mode, and
    /// so does every later transfer until the next connect.
    bool PassiveFallsBackToActive = false;
    /// `FtpSecurity::RequireTls`: after the greeting "AUTH TLS" (234) and the
    /// handshake, before anything of the account is sent; after the login
    /// "PBSZ 0" and "PROT P" (200), and every data connection under TLS too,
    /// resuming the control connection's session. The certificate must verify
    /// against the system's trust store and name `Host`.
    /// `FtpSecurity::TlsWhenOffered`: the same when the server answers "AUTH TLS"
    /// with 234, except that a certificate that does not verify serves for
    /// encryption only (`UnverifiedReason`); any other answer, and the login
    /// goes on in the clear exactly as under `Plain`. A failure after 234 ends
    /// the connection in both modes.
    FtpSecurity Security = FtpSecurity::Plain;
    /// The SHA-256 fingerprint ("AB:CD:...") of a certificate accepted whether
    /// it verifies or not. While set, any other certificate must verify, in
    /// both TLS modes.
    std::string TrustedFingerprint;
    /// What the user sees of a certificate that did not verify.
    struct UnverifiedCertificate {
        net::CertificateDetails details;
        std::string reason;
        std::string fingerprint;
    };
    /// When set, a control connection certificate that does not verify (and
    /// is not `TrustedFingerprint`'s) is put to it after the handshake, before
    /// anything of the account is sent: true trusts it for this connection
    /// (`TrustedFingerprint` takes its fingerprint); false fails under
    /// `RequireTls` with `TlsCertificateError` and goes on for encryption only
    /// under `TlsWhenOffered`.
    std::function<bool(const UnverifiedCertificate&)> OnUnverifiedCertificate;
    /// Raised before "AUTH TLS" is sent under `RequireTls`; under
    /// `TlsWhenOffered` once the server answered it with 234.
    NotifyEvent OnSecuring;
    /// Raised once the control connection's handshake succeeded (`TlsVersion`).
    NotifyEvent OnSecured;
    /// Raised after a successful login, before the transfer type is sent.
    NotifyEvent OnAfterClientLogin;
    /// Raised after a successful retrieval with the destination stream.
    AfterGetEvent OnAfterGet;
    /// Milliseconds a transfer waits for its data connection: in active mode
    /// for the server to connect (then `DataConnectionTimeoutError`), in
    /// passive mode for the client's connect (then `ConnectTimeoutError`).
    /// -1: `DefaultDataConnectTimeout`; -2: no limit.
    std::int32_t DataConnectTimeout = net::TimeoutDefault;
    /// Milliseconds the client waits for a reply it must read before the next
    /// command but that may come late or never: the final reply of a transfer
    /// that failed after the server accepted its command, and the optional
    /// 225/226 after a refused or broken transfer. -1: the default; -2: no
    /// limit. A reply the server owes that does not come in time closes the
    /// control connection, so that it cannot answer a later command.
    std::int32_t PendingReplyTimeout = net::TimeoutDefault;
    /// The most bytes one retrieval may bring; past it the retrieval fails
    /// with `FileTooLargeError` and the data connection is closed.
    std::int64_t MaxRetrievalBytes = DefaultMaxRetrievalBytes;

    [[nodiscard]] FtpTransferType TransferType() const noexcept { return transferType_; }
    /// Stores a new type and announces it at once when connected. Ignored when
    /// the value is unchanged or a transfer is running.
    void SetTransferType(FtpTransferType type);

    [[nodiscard]] const FtpProxySettings& ProxySettings() const noexcept { return proxySettings_; }
    /// Copies all five values of `settings`.
    void SetProxySettings(const FtpProxySettings& settings) { proxySettings_ = settings; }

    /// The server's answer to "SYST", or "Unknown" when it answered 500.
    [[nodiscard]] const std::string& SystemDescription() const noexcept { return systemDescription_; }
    /// Copy of the last reply of the login.
    [[nodiscard]] const RfcReply& LoginReply() const noexcept { return loginReply_; }
    /// The lines of the latest listing.
    [[nodiscard]] const std::vector<std::string>& ListingLines() const noexcept { return listingLines_; }
    [[nodiscard]] bool ResumeSupported() const noexcept { return resumeSupported_; }
    [[nodiscard]] bool ResumeProbed() const noexcept { return resumeProbed_; }
    /// The TLS version of the control connection ("TLS 1.3"), empty when plain.
    [[nodiscard]] std::string TlsVersion() const;
    /// Why the control connection's certificate did not verify when it serves
    /// for encryption only (`CertificateTrust::EncryptionOnly`); empty otherwise.
    [[nodiscard]] std::string UnverifiedReason() const;
    /// The SHA-256 fingerprint of the control connection's certificate, empty
    /// when plain.
    [[nodiscard]] std::string ServerFingerprint() const;
    /// How the control connection's certificate was accepted; None in the clear.
    [[nodiscard]] CertificateTrust ControlCertificateTrust() const noexcept { return controlTrust_; }
    /// The data connection while a transfer runs, else null.
    [[nodiscard]] net::TcpConnection* DataConnection() const noexcept { return dataConnection_.get(); }

    /// Connects to `Host`:`Port` (time-out in ms, -1: the transport's default),
    /// reads the 220 greeting into `GreetingReply`, and with `AutoLogin::Yes`
    /// logs in, announces the transfer type, asks "SYST" and reports ftpReady
    /// "Connection established". Any failure disconnects, then raises again.
    void OpenConnection(AutoLogin autoLogin = AutoLogin::Yes, std::int32_t timeoutMs = net::TimeoutDefault);
    /// "AUTH TLS" (234, else `TlsNotOfferedError`, or under
    /// `FtpSecurity::TlsWhenOffered` false and the connection stays in the
    /// clear) and the handshake within `ReadTimeout`; any failure after 234
    /// ends the connection, never falls back to the clear.
    bool SecureControlConnection();
    /// "USER" (230 or 331), then "PASS" only after 331 (230).
    void LogIn();
    /// "TYPE A" or "TYPE I" (200).
    void ApplyTransferType();
    /// "CWD <path>" (200 or 250); the path is sent unchanged.
    void ChangeDirectory(const std::string& path);
    /// "RNFR <from>" (350), then "RNTO <to>" (250, or 200 from older servers):
    /// renames or moves a file on the server (RFC 959). The names are sent
    /// unchanged; a refusal of either raises `ProtocolReplyError`.
    void Rename(const std::string& from, const std::string& to);
    /// "MKD <path>" (257): makes a folder on the server.
    void MakeDirectory(const std::string& path);
    /// Sends `line` unchanged and returns whatever code the server answers.
    std::int16_t SendRawCommand(const std::string& line);

    /// The most bytes a listing may hold: the whole listing is kept in memory
    /// (and again as lines), so a server sending without end is cut off here.
    static constexpr std::size_t MaxListingBytes = 16 * 1024 * 1024;

    /// Lists the current directory ("LIST" with details, "NLST" without,
    /// followed by the trimmed specifier if any). The lines replace the
    /// contents of `destination` (when given) and `ListingLines`; a failed
    /// listing leaves both as they were. A listing of more than
    /// `MaxListingBytes` raises `ListingTooLongError` as soon as it passes the
    /// limit: the data connection is closed and the server's final reply is
    /// read within `PendingReplyTimeout`.
    void ListDirectory(std::vector<std::string>* destination, const std::string& specifier = {},
                       ListingDetail detail = ListingDetail::Details);
    /// Retrieves `remoteName` into `localName`:
    ///  - no local file: it is created empty, then filled (a requested resume
    ///    probes the server and sends "REST 0" when it can restart);
    ///  - existing file, `Overwrite::Allow`, no resume: emptied, then filled;
    ///  - existing file, `Overwrite::Refuse`, resume accepted by the server
    ///    (`ProbeResumeSupport`): appended from its current size ("REST <size>");
    ///  - existing file otherwise: `FtpFileAlreadyExistsError`, nothing transferred.
    /// Raises `LocalFileError` when the file cannot be created or opened (before
    /// anything but the probe is sent) or written ("Cannot write file", with
    /// the full path and the system's reason), and every transfer error; the
    /// file is closed in every case and a partly written file is left in place.
    void RetrieveFile(const std::string& remoteName, const std::string& localName, Overwrite overwrite, Resume resume);
    /// "RETR <remoteName>" written at the stream's current position (with
    /// `Resume::Yes` and a server that accepts restarts, "REST <position>" first).
    /// More than `MaxRetrievalBytes` raises `FileTooLargeError`; a stream that
    /// refuses bytes raises `StreamWriteError`.
    void RetrieveToStream(const std::string& remoteName, std::ostream& stream, Resume resume);
    /// The common data transfer: sends `command` over a fresh data connection
    /// and copies everything the server sends until it closes into `stream`,
    /// then reads the final reply. The data connection reads with this
    /// client's `ReadTimeout` and progress floor: a positive value ends a
    /// silent transfer with `ReadTimeoutError`.
    ///
    /// The final reply decides: 225, 226 or 250 end the transfer normally. A
    /// 4xx or 5xx reply (426 and 450 included: a broken transfer is no
    /// success) fails it with `ProtocolReplyError` and the server's text, once
    /// an optional 225/226 after it was read within `PendingReplyTimeout`.
    /// When the data phase fails after the server accepted the command, the
    /// server's final reply is read within `PendingReplyTimeout` (ignoring its
    /// code) before the error goes on, so that it cannot answer a later
    /// command; a reply that does not come in time closes the connection.
    void ReceiveData(const std::string& command, std::ostream& stream, Resume resume);
    /// Stores `bytes` on the server as `remoteName` ("STOR") over a fresh data
    /// connection, in the mode a retrieval would use (passive with its
    /// fall-backs, or active), then reads the final reply (225, 226 or 250).
    /// The data connection writes with this client's `ReadTimeout` and
    /// progress floor (`WriteTimeoutError`) and ends at `AbortTransfer`.
    /// A refused command or a 4xx/5xx final reply raises `ProtocolReplyError`
    /// with the server's text. When the data phase fails after the server
    /// accepted "STOR", its final reply is read within `PendingReplyTimeout`,
    /// and a 4xx/5xx one (a full disk, a quota) is raised instead of the
    /// transport's error. Afterwards "SIZE <remoteName>": a 213 answer that
    /// names another count raises `StoredSizeError`; any other answer (write-
    /// only folders refuse it) leaves the size unknown, which passes.
    void StoreFile(const std::string& remoteName, std::string_view bytes);
    /// Whether the server accepts restart offsets ("REST 1" answered 350);
    /// asked once in the life of the client.
    bool ProbeResumeSupport();
    /// Writes "ABOR" (no reply read) and stops the running data connection
    /// (called from a handler the anti-freeze runs while a transfer waits),
    /// a passive data connection that is still connecting included: that
    /// connect ends at its next wait slice. "ABOR" never waits for room: a
    /// control connection that cannot take it at once (still connecting)
    /// raises the write's error before the data connection is touched.
    void AbortTransfer();
    /// Ends whatever this client waits for (called from a handler the
    /// anti-freeze runs): a control connect still running, its name look-up
    /// included, stops at the end of its wait slice, and a transfer ends as
    /// `AbortTransfer` ends it. A server that is gone is sent no "ABOR";
    /// never throws.
    void Abort() noexcept;

    /// After `Abort` ended a transfer whose control connection stays open
    /// (its waits cut, `CutWaits`): lets waits run again and reads what the
    /// server answers (the transfer's final reply, the answer to "ABOR"), at
    /// most two replies, for no longer than `limitMs` in all. Silence is no
    /// failure and leaves the connection open. Never throws.
    void ReadAbortReplies(std::int32_t limitMs) noexcept;

    /// "PASV" (227) and the address to connect to: the port the reply names,
    /// at the control connection's peer address. A server behind a NAT router
    /// names its private address, and a server must never be able to aim the
    /// data connection at a third machine, so the named address is used only
    /// when the control connection has no peer address.
    PassiveAddress RequestPassiveAddress();
    /// "EPSV" (229, RFC 2428) and the address to connect to: the port the reply
    /// names at the control connection's peer address (the reply names none).
    PassiveAddress RequestExtendedPassiveAddress();
    /// Whether the server refused "PASV" on this connection and transfers run
    /// in active mode (`PassiveFallsBackToActive`).
    [[nodiscard]] bool PassiveRefused() const noexcept { return passiveRefused_; }

protected:
    /// The listening endpoint of an active-mode transfer, not yet listening.
    virtual std::unique_ptr<net::SimpleServer> CreateListener();
    /// Connects a passive-mode data connection (its `Host` and `Port` are set)
    /// within `timeoutMs` (as `net::TcpClient::Connect`).
    virtual void ConnectDataConnection(net::TcpClient& data, std::int32_t timeoutMs);

private:
    // Active-mode steps, each of which can fail on its own.
    /// Makes a listener `dataConnection_` (the caller's scope ends it), starts
    /// it and announces it to the server.
    net::SimpleServer& StartActiveListener();
    void AnnounceListener(net::SimpleServer& listener);
    void SendRestart(std::ostream& stream);
    void AcceptDataConnection(net::SimpleServer& listener);
    /// Which way a transfer's bytes go.
    enum class TransferDirection { Retrieve, Store };
    /// One transfer: its direction and command, where its bytes come from or
    /// go, and whether the server accepted its command (so that a failure
    /// knows a final reply is owed).
    struct Transfer;
    void Receive(const std::string& command, std::ostream& stream, Resume resume, std::int64_t maxBytes);
    /// The skeleton of every transfer: the data mode chosen, the data moved,
    /// the final reply read; after a failure, the reply the server owes.
    void RunTransfer(Transfer& transfer);
    void TransferActive(Transfer& transfer);
    void TransferPassive(const PassiveAddress& address, Transfer& transfer);
    /// Secures the data connection when the data is protected, then reads into
    /// the sink or writes the bytes.
    void MoveData(net::TcpConnection& data, Transfer& transfer);
    /// Connects a passive-mode data connection to `address` and makes it
    /// `dataConnection_` once connected.
    void OpenPassiveDataConnection(const PassiveAddress& address);
    bool RequestPassiveOrFallBack(PassiveAddress& address);
    /// After the data phase of an accepted command failed: the server's final
    /// reply, read within `PendingReplyTimeout` (and the 225/226 that may
    /// follow a negative one); its code, 0 when none came. Never throws.
    std::int16_t DrainPendingReply() noexcept;
    /// After a negative final reply: reads the optional 225/226 that may
    /// follow it within `PendingReplyTimeout`, leaving the negative reply in
    /// `LastReply`. Never throws.
    void ReadFollowUp() noexcept;
    std::int32_t PendingReplyLimit() const;
    std::int16_t ReadReplyWithin(std::int32_t limitMs);
    void ReadOptionalReply(std::int32_t limitMs);
    std::int32_t DataConnectLimit() const;
    void PrepareDataConnection(net::TcpConnection& data);
    void WriteDataFromBytes(net::TcpConnection& data, std::string_view bytes);
    /// Ends an upload's data connection: the sending side first, then the
    /// server's close awaited within `PendingReplyTimeout`.
    void EndUpload(net::TcpConnection& data);
    void CheckStoredSize(const std::string& remoteName, std::uint64_t sent);
    /// After "PROT P", the data connection's handshake (after the
    /// preliminary reply, the server's cue that it waits for it), held to the
    /// control connection's standard (RFC 4217 section 10, data connection
    /// theft): a resumed session needs no check; otherwise a certificate that
    /// verifies for `Host` when the control connection's verified, else the
    /// control connection's own certificate. Raises DataCertificateError.
    void SecureDataConnection(net::TcpConnection& data);
    /// ReadTimeout as a wait: 0 means no limit. Data connections read this
    /// client's limits, so it serves them too.
    std::int32_t ReadLimit() const;
    /// What secures the control connection; empty in the clear.
    net::ConnectionSecurity ControlSecurity() const;
    /// Whether certificates serve for encryption only.
    net::TlsVerification Verification() const noexcept;
    void ReadFinalReply();
    std::string ControlLocalIp() const;
    std::string ControlPeerIp() const;
    bool ControlIsInet6() const;

    FtpTransferType transferType_ = FtpTransferType::ftBinary;
    FtpProxySettings proxySettings_;
    std::string systemDescription_;
    RfcReply loginReply_;
    std::vector<std::string> listingLines_;
    bool resumeSupported_ = false;
    bool resumeProbed_ = false;
    bool passiveRefused_ = false;
    bool extendedPassive_ = false;
    std::string refusedDataPeer_;
    std::unique_ptr<net::TcpConnection> dataConnection_;
    /// The TLS context of the current connection under `RequireTls`.
    std::shared_ptr<net::TlsContext> tlsContext_;
    /// The server accepted "PROT P": every data connection runs under TLS.
    bool dataProtected_ = false;
    /// How the control connection's certificate was accepted, and its
    /// fingerprint: the standard every data connection is held to.
    CertificateTrust controlTrust_ = CertificateTrust::None;
    std::string controlFingerprint_;
    /// A passive data connection while its connect runs, else null.
    net::TcpClient* connectingData_ = nullptr;
};

} // namespace quorvane::ftp
