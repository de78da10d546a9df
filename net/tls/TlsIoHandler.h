#pragma once

#include "net/transport/IoHandler.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct ssl_st;
struct bio_st;
struct ssl_session_st;

namespace quorvane::net {

class TlsContext;

/// What a TLS connection is for. A data connection resumes a session of its control
/// connection (servers may demand it) and must end with the server's close_notify, since
/// only that tells a complete transfer from a cut one.
enum class TlsRole { Control, Data };

/// What a certificate that does not verify means: the end of the handshake (Require), or
/// a connection that is encrypted but proves nothing about who the server is
/// (EncryptionOnly), for a server reached without the user asking for TLS.
enum class TlsVerification { Require, EncryptionOnly };

/// The client side of TLS over another I/O handler (the socket handler), whose own waits
/// and sends carry every byte: the connect and read limits, the anti-freeze's pumping and
/// an abort that closes the socket all hold as on a plain connection. The library sees
/// only two memory buffers, never the socket.
class TlsIoHandler : public IoHandler {
public:
    /// Wraps `inner`, a connected handler, which this one owns from now on. Raises TlsError
    /// when `inner` or `context` is missing.
    TlsIoHandler(std::unique_ptr<IoHandler> inner, std::shared_ptr<TlsContext> context, TlsRole role,
                 TlsVerification verification = TlsVerification::Require);
    /// Closes as Close does, then frees the TLS state and the inner handler.
    ~TlsIoHandler() override;

    /// Bytes that arrived on the connection before TLS started (read ahead by a line
    /// reader): they are the first the handshake reads.
    void FeedReceived(const char* bytes, std::size_t count);
    /// Runs the client handshake, checking the certificate against the trust store, the
    /// validity period and `host` (a name, or an IP literal that the certificate must
    /// list as an address), within `timeoutMs` (-2: no limit) as one read limit.
    /// Raises TlsCertificateError, TlsHandshakeError, TlsClosedDuringHandshakeError,
    /// ReadTimeoutError "Read Timeout", and the socket's errors (an abort that closed the
    /// socket: ConnClosedGracefullyError).
    void Handshake(const std::string& host, std::int32_t timeoutMs);
    /// The version agreed, "TLS 1.3"; empty before the handshake.
    std::string Version() const;
    /// Whether the handshake resumed an earlier session.
    bool SessionReused() const;
    /// Why the server's certificate did not verify ("self-signed certificate"), also
    /// when it was accepted by its fingerprint or for encryption only; empty when it
    /// verified.
    const std::string& UnverifiedReason() const noexcept { return unverifiedReason_; }
    /// Whether the handshake checked the server's certificate and it verified, chain,
    /// validity and name; false before, and for a resumed session (which checks none).
    bool Verified() const noexcept { return established_ && !serverFingerprint_.empty() && unverifiedReason_.empty(); }
    /// SHA-256 of the server's certificate, "AB:CD:..."; empty before the handshake
    /// checked one (a resumed session checks none).
    const std::string& ServerFingerprint() const noexcept { return serverFingerprint_; }
    /// Whether a certificate that does not verify lets the handshake go on.
    bool AcceptsUnverified() const noexcept { return verification_ == TlsVerification::EncryptionOnly; }

    /// Sends close_notify once when TLS is up (best effort), then closes the inner handler.
    /// The TLS state stays until destruction, so a wait further up the stack unwinds safely.
    void Close() override;
    bool Connected() override;
    /// True at once while decrypted bytes wait (SSL_pending); otherwise waits on the inner
    /// handler until a whole record is decrypted, the peer closes, or `timeoutMs` passes.
    bool WaitReadable(std::int32_t timeoutMs) override;
    /// Decrypted bytes; 0 after the peer's close_notify, and on a control connection after
    /// a plain close too. A data connection that closes without close_notify raises
    /// TlsTruncatedError; a broken record, or a server's request to renegotiate, raises
    /// TlsError with the reason.
    IoResult Recv(void* buffer, std::size_t length) override;
    /// Encrypts and sends all `length` bytes; the inner send's result when it fails.
    IoResult Send(const void* buffer, std::size_t length) override;
    /// close_notify once after every queued byte, waiting a few seconds at most for a peer
    /// that stopped reading, then the inner handler's ShutdownSend.
    void ShutdownSend() override;
    /// The inner handler's wait for room.
    bool WaitWritable(std::int32_t timeoutMs) override;
    /// Encrypts at most one record's worth of `buffer` and hands the ciphertext to the inner
    /// handler's SendNow, never waiting: what it does not take is queued, and the call
    /// returns its failure (SocketErrorCode::WouldBlock) until the queue has gone, the caller
    /// offering the same bytes again after its wait for room (WaitWritable); then the
    /// record's byte count. A caller that gives up leaves the record to go out first.
    IoResult SendNow(const void* buffer, std::size_t length) override;
    IoHandler* Underlying() noexcept override { return inner_.get(); }
    /// The version, the verdict on the certificate, its fingerprint and details, and
    /// whether the session was resumed.
    [[nodiscard]] ConnectionSecurity SecurityInfo() const override;

    /// Called by the library's new-session callback.
    void SessionArrived(ssl_session_st* session);
    /// A certificate with this SHA-256 fingerprint ("AB:CD:...") is accepted whether it
    /// verifies or not; any other one must verify, under `EncryptionOnly` too. Set
    /// before the handshake; empty (the default) trusts no fingerprint.
    void TrustFingerprint(const std::string& fingerprint) { trustedFingerprint_ = fingerprint; }
    /// Whether a certificate that does not verify may serve for encryption only.
    bool EncryptsUnverified() const noexcept { return AcceptsUnverified() && trustedFingerprint_.empty(); }
    /// Whether `fingerprint` is the one trusted.
    bool Trusts(const std::string& fingerprint) const noexcept
    {
        return !trustedFingerprint_.empty() && fingerprint == trustedFingerprint_;
    }

    /// The server's own certificate as the handshake saw it; empty before.
    const CertificateDetails& ServerCertificate() const noexcept { return serverCertificate_; }

    /// Called by the library's verify callback with the server's own certificate.
    void NoteServerCertificate(const std::string& fingerprint, CertificateDetails details);
    /// Called by the verify callback with each check that failed; the first one is the
    /// reason a certificate accepted for encryption only did not verify.
    void NoteVerifyFailure(long result) noexcept;
    /// Called by the library's info callback when the server asked to renegotiate, which
    /// the context refuses: the next read fails with that reason.
    void NoteRenegotiationRequest() noexcept { renegotiationRequested_ = true; }

private:
    enum class End { None, CloseNotify, PlainClose, Failed };

    /// Sends close_notify once, when TLS is up and the connection still open, as far as
    /// the socket takes it now. False when bytes remain queued.
    bool SendCloseNotify();

    /// Raises ClosedSocketError without a connection, NotConnectedError before the
    /// handshake has ended.
    void CheckSendable();
    /// Encrypts `length` bytes into the library's output; their count. Raises TlsError.
    std::size_t Encrypt(const void* buffer, std::size_t length);
    /// Moves what the library wants sent to the end of `unsent_`.
    void QueueOutput();
    /// Sends all of `unsent_` (and what the library adds) with the inner handler's
    /// blocking Send: the handshake's few bytes. False when a send failed, with its result
    /// (and reason) in `failedResult`.
    bool Flush(IoResult& failedResult);
    /// As Flush, with the inner handler's SendNow: what does not fit now stays queued
    /// (false, with the inner result: WouldBlock, or the failure).
    bool SendQueued(IoResult& failedResult);
    /// Receives once from the inner handler into the library's input. False when the wait
    /// ended without data.
    bool Pull(std::int32_t timeoutMs);
    /// Decrypts what can be decrypted now; true when there is something to hand out or
    /// the stream has ended.
    bool Decrypt();

    std::unique_ptr<IoHandler> inner_;
    std::shared_ptr<TlsContext> context_;
    TlsRole role_;
    TlsVerification verification_;
    std::string host_;
    ssl_st* ssl_ = nullptr;
    bio_st* input_ = nullptr;  // owned by ssl_
    bio_st* output_ = nullptr; // owned by ssl_
    bool established_ = false;
    bool closeSent_ = false;
    End end_ = End::None;
    std::string failure_;
    std::string plain_;
    /// Ciphertext the inner handler has not taken yet; it goes before anything else.
    std::string unsent_;
    /// The plaintext of the record SendNow is still sending, until its ciphertext has gone.
    std::string record_;
    std::string serverFingerprint_;
    std::string unverifiedReason_;
    std::string trustedFingerprint_;
    CertificateDetails serverCertificate_;
    long firstVerifyFailure_ = 0;
    bool renegotiationRequested_ = false;
};

} // namespace quorvane::net
