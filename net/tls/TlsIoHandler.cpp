#include "net/tls/TlsIoHandler.h"

#include "net/tls/TlsContext.h"
#include "net/tls/TlsLibrary.h"
#include "net/transport/NetError.h"
#include "net/transport/SocketErrorCodes.h"
#include "net/transport/SocketStack.h"
#include "net/transport/Timeouts.h"
#include "net/transport/TlsError.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

namespace quorvane::net {
namespace {

using Clock = std::chrono::steady_clock;

// One TLS record holds at most 16 KiB of data.
constexpr std::size_t kChunk = 16384;

// How long the end of an upload waits for a peer that stopped reading to take its last
// bytes and close_notify.
constexpr std::int32_t kCloseWaitMs = 3000;

// The slot in an SSL object that points back at its handler.
int HandlerSlot()
{
    static const int slot =
        TlsLibrary::CRYPTO_get_ex_new_index(CRYPTO_EX_INDEX_SSL, 0, nullptr, nullptr, nullptr, nullptr);
    return slot;
}

TlsIoHandler* HandlerOf(const SSL* ssl)
{
    return ssl == nullptr ? nullptr : static_cast<TlsIoHandler*>(TlsLibrary::SSL_get_ex_data(ssl, HandlerSlot()));
}

int OnNewSession(SSL* ssl, SSL_SESSION* session)
{
    TlsIoHandler* handler = HandlerOf(ssl);
    if (handler == nullptr)
        return 0;
    handler->SessionArrived(session);
    return 1;
}

void OnInfo(const SSL* ssl, int where, int value)
{
    // With SSL_OP_NO_RENEGOTIATION the library answers a server's request to
    // renegotiate with a warning and goes on; a server may ask again without
    // end. The warning going out marks the request.
    if ((where & SSL_CB_WRITE_ALERT) == SSL_CB_WRITE_ALERT && (value & 0xFF) == SSL_AD_NO_RENEGOTIATION) {
        if (TlsIoHandler* handler = HandlerOf(ssl))
            handler->NoteRenegotiationRequest();
    }
}

std::string Fingerprint(X509* certificate)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (certificate == nullptr ||
        TlsLibrary::X509_digest(certificate, TlsLibrary::EVP_sha256(), digest.data(), &length) != 1)
        return "unknown";
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0)
            text += ':';
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}

// What the library prints of a name or a time, through a memory buffer.
template <typename Print>
std::string Printed(Print print)
{
    BIO* buffer = TlsLibrary::BIO_new(TlsLibrary::BIO_s_mem());
    if (buffer == nullptr)
        return {};
    print(buffer);
    char* data = nullptr;
    const long length = TlsLibrary::BIO_ctrl(buffer, BIO_CTRL_INFO, 0, &data);
    std::string text(data != nullptr && length > 0 ? std::string(data, static_cast<std::size_t>(length)) : "");
    TlsLibrary::BIO_free(buffer);
    return text;
}

CertificateDetails Details(X509* certificate)
{
    if (certificate == nullptr)
        return {};
    const auto name = [](X509_NAME* value) {
        return Printed([value](BIO* out) {
            TlsLibrary::X509_NAME_print_ex(out, value, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
        });
    };
    const auto time = [](const ASN1_TIME* value) {
        return Printed([value](BIO* out) { TlsLibrary::ASN1_TIME_print(out, value); });
    };
    return {name(TlsLibrary::X509_get_subject_name(certificate)), name(TlsLibrary::X509_get_issuer_name(certificate)),
            time(TlsLibrary::X509_get0_notBefore(certificate)), time(TlsLibrary::X509_get0_notAfter(certificate))};
}

int OnVerify(int preverified, X509_STORE_CTX* store)
{
    auto* ssl = static_cast<SSL*>(
        TlsLibrary::X509_STORE_CTX_get_ex_data(store, TlsLibrary::SSL_get_ex_data_X509_STORE_CTX_idx()));
    TlsIoHandler* handler = HandlerOf(ssl);
    if (handler == nullptr)
        return preverified;
    X509* certificate = TlsLibrary::X509_STORE_CTX_get0_cert(store);
    const std::string fingerprint = Fingerprint(certificate);
    handler->NoteServerCertificate(fingerprint, Details(certificate));
    // Noted also for a certificate trusted by its fingerprint: the handler tells a
    // certificate that verified from one that was only recognised.
    if (preverified == 0)
        handler->NoteVerifyFailure(TlsLibrary::X509_STORE_CTX_get_error(store));
    // The certificate the user trusted by its fingerprint stands for itself.
    if (handler->Trusts(fingerprint))
        return 1;
    // Encryption only: the failure is kept as the reason the handshake reports.
    return handler->EncryptsUnverified() ? 1 : preverified;
}

// The library's verify result in words; the name checks say which name was expected.
std::string VerifyReason(long result, const std::string& host)
{
    switch (result) {
    case X509_V_ERR_HOSTNAME_MISMATCH: return "the name does not match " + host;
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return "the address does not match " + host;
    default: return TlsLibrary::X509_verify_cert_error_string(result);
    }
}

// The oldest reason in the library's error queue, which names the first thing that went
// wrong; the queue is emptied.
std::string QueueReason(const std::string& fallback)
{
    std::string reason;
    while (const unsigned long code = TlsLibrary::ERR_get_error()) {
        if (!reason.empty())
            continue;
        if (const char* text = TlsLibrary::ERR_reason_error_string(code))
            reason = text;
    }
    return reason.empty() ? fallback : reason;
}

bool IsIpLiteral(const std::string& host)
{
    std::array<unsigned char, 16> address{};
    return host.find(':') != std::string::npos ? inet_pton(AF_INET6, host.c_str(), address.data()) == 1
                                               : inet_pton(AF_INET, host.c_str(), address.data()) == 1;
}

std::int32_t MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, INT32_MAX));
}

/// Hands `unsent` to `send` from its front until it is empty (true) or
/// `send` takes nothing (false, with what it returned in `failedResult`).
template <typename Send>
bool DrainUnsent(std::string& unsent, IoResult& failedResult, Send send)
{
    while (!unsent.empty()) {
        const IoResult result = send(unsent.data(), unsent.size());
        if (result.count <= 0) {
            failedResult = result;
            return false;
        }
        unsent.erase(0, static_cast<std::size_t>(result.count));
    }
    return true;
}

// A reset or shut-down socket: a close like any other.
constexpr std::initializer_list<std::int32_t> kClosed{SocketErrorCode::ShutDown, SocketErrorCode::ConnectionAborted,
                                                      SocketErrorCode::ConnectionReset};

} // namespace

TlsIoHandler::TlsIoHandler(std::unique_ptr<IoHandler> inner, std::shared_ptr<TlsContext> context, TlsRole role,
                           TlsVerification verification)
    : inner_(std::move(inner)), context_(std::move(context)), role_(role), verification_(verification)
{
    if (!inner_ || !context_)
        throw TlsError("TLS needs a connection of its own to wrap.");
    OnStatus = inner_->OnStatus;
    ssl_ = TlsLibrary::SSL_new(context_->Native());
    input_ = TlsLibrary::BIO_new(TlsLibrary::BIO_s_mem());
    output_ = TlsLibrary::BIO_new(TlsLibrary::BIO_s_mem());
    if (ssl_ == nullptr || input_ == nullptr || output_ == nullptr) {
        TlsLibrary::BIO_free(input_);
        TlsLibrary::BIO_free(output_);
        TlsLibrary::SSL_free(ssl_);
        throw TlsError("TLS is not available: the library could not make a connection.");
    }
    // An empty input buffer means "wait for more", not the end of the stream.
    TlsLibrary::BIO_ctrl(input_, BIO_C_SET_BUF_MEM_EOF_RETURN, -1, nullptr);
    TlsLibrary::SSL_set_bio(ssl_, input_, output_);
    TlsLibrary::SSL_set_ex_data(ssl_, HandlerSlot(), this);
    TlsLibrary::SSL_set_info_callback(ssl_, OnInfo);
    TlsLibrary::SSL_set_connect_state(ssl_);
}

TlsIoHandler::~TlsIoHandler()
{
    Close();
    TlsLibrary::SSL_free(ssl_);
}

void TlsIoHandler::FeedReceived(const char* bytes, std::size_t count)
{
    if (count > 0)
        TlsLibrary::BIO_write(input_, bytes, static_cast<int>(count));
}

void TlsIoHandler::SessionArrived(ssl_session_st* session)
{
    // Under TLS 1.3 sessions come after the handshake, as tickets, on the control
    // connection and again on every data connection that resumed one of them.
    context_->KeepSession(session);
}

void TlsIoHandler::NoteServerCertificate(const std::string& fingerprint, CertificateDetails details)
{
    if (serverFingerprint_.empty()) {
        serverFingerprint_ = fingerprint;
        serverCertificate_ = std::move(details);
    }
}

void TlsIoHandler::NoteVerifyFailure(long result) noexcept
{
    if (firstVerifyFailure_ == X509_V_OK)
        firstVerifyFailure_ = result;
}

void TlsIoHandler::Handshake(const std::string& host, std::int32_t timeoutMs)
{
    host_ = host;
    TlsLibrary::SSL_CTX_sess_set_new_cb(context_->Native(), OnNewSession);
    // A name the library could not take would leave the certificate's name
    // unchecked: that ends the handshake before it starts.
    if (IsIpLiteral(host)) {
        if (TlsLibrary::X509_VERIFY_PARAM_set1_ip_asc(TlsLibrary::SSL_get0_param(ssl_), host.c_str()) != 1)
            throw TlsHandshakeError("the address " + host + " cannot be checked");
    } else {
        // SSL_set_tlsext_host_name() without the macro's cast.
        TlsLibrary::SSL_ctrl(ssl_, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                             const_cast<char*>(host.c_str()));
        if (TlsLibrary::SSL_set1_host(ssl_, host.c_str()) != 1)
            throw TlsHandshakeError("the name " + host + " cannot be checked");
    }
    TlsLibrary::SSL_set_verify(ssl_, SSL_VERIFY_PEER, OnVerify);
    if (role_ == TlsRole::Data) {
        if (SSL_SESSION* session = context_->TakeSession()) {
            TlsLibrary::SSL_set_session(ssl_, session);
            TlsLibrary::SSL_SESSION_free(session);
        }
    }

    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        TlsLibrary::ERR_clear_error();
        const int result = TlsLibrary::SSL_do_handshake(ssl_);
        const int error = TlsLibrary::SSL_get_error(ssl_, result);
        IoResult failed;
        if (!Flush(failed)) {
            if (failed.FailedWith(kClosed))
                throw TlsClosedDuringHandshakeError();
            SocketStack::Shared().RaiseStackError(failed.error);
        }
        if (result == 1)
            break;
        if (error == SSL_ERROR_WANT_READ) {
            if (unlimited ? !Pull(TimeoutInfinite) : (MsLeft(deadline) == 0 || !Pull(MsLeft(deadline))))
                throw ReadTimeoutError();
            if (end_ == End::PlainClose)
                throw TlsClosedDuringHandshakeError();
            continue;
        }
        const long verified = TlsLibrary::SSL_get_verify_result(ssl_);
        if (verified != X509_V_OK)
            throw TlsCertificateError(VerifyReason(verified, host), serverFingerprint_);
        throw TlsHandshakeError(QueueReason("the server broke off the handshake"));
    }
    if (firstVerifyFailure_ != X509_V_OK)
        unverifiedReason_ = VerifyReason(firstVerifyFailure_, host);
    established_ = true;
}

ConnectionSecurity TlsIoHandler::SecurityInfo() const
{
    return {Version(), Verified(), unverifiedReason_, serverFingerprint_, serverCertificate_, SessionReused()};
}

std::string TlsIoHandler::Version() const
{
    if (!established_)
        return {};
    std::string version = TlsLibrary::SSL_get_version(ssl_);
    if (version.rfind("TLSv", 0) == 0)
        version = "TLS " + version.substr(4);
    return version;
}

bool TlsIoHandler::SessionReused() const
{
    return established_ && TlsLibrary::SSL_session_reused(ssl_) == 1;
}

void TlsIoHandler::QueueOutput()
{
    std::array<char, kChunk> chunk; // filled before it is read
    while (TlsLibrary::BIO_ctrl_pending(output_) > 0) {
        const int count = TlsLibrary::BIO_read(output_, chunk.data(), static_cast<int>(chunk.size()));
        if (count <= 0)
            break;
        unsent_.append(chunk.data(), static_cast<std::size_t>(count));
    }
}

bool TlsIoHandler::Flush(IoResult& failedResult)
{
    QueueOutput();
    return DrainUnsent(unsent_, failedResult,
                       [this](const char* bytes, std::size_t count) { return inner_->Send(bytes, count); });
}

bool TlsIoHandler::SendQueued(IoResult& failedResult)
{
    QueueOutput();
    return DrainUnsent(unsent_, failedResult,
                       [this](const char* bytes, std::size_t count) { return inner_->SendNow(bytes, count); });
}

bool TlsIoHandler::Pull(std::int32_t timeoutMs)
{
    if (!inner_->WaitReadable(timeoutMs))
        return false;
    std::array<char, kChunk> chunk; // filled before it is read
    const IoResult outcome = inner_->Recv(chunk.data(), chunk.size());
    const long received = outcome.count;
    if (outcome.Failed()) {
        // A reset or shut-down socket is a close like any other (and so, without
        // close_notify, never a complete data stream); the rest are socket errors.
        if (!outcome.FailedWith(kClosed))
            SocketStack::Shared().RaiseStackError(outcome.error);
        end_ = End::PlainClose;
        return true;
    }
    if (received == 0)
        end_ = End::PlainClose;
    else
        TlsLibrary::BIO_write(input_, chunk.data(), static_cast<int>(received));
    return true;
}

bool TlsIoHandler::Decrypt()
{
    if (!plain_.empty() || end_ == End::CloseNotify || end_ == End::Failed)
        return true;
    std::array<char, kChunk> chunk; // filled before it is read
    std::size_t got = 0;
    TlsLibrary::ERR_clear_error();
    const int result = TlsLibrary::SSL_read_ex(ssl_, chunk.data(), chunk.size(), &got);
    const int error = result == 1 ? SSL_ERROR_NONE : TlsLibrary::SSL_get_error(ssl_, result);
    // Reading may make the library answer (a key update). It is queued and sent as far
    // as the socket takes it now; the rest goes before the next record, and a failed
    // send shows on the next read of the inner handler.
    IoResult ignored;
    (void)SendQueued(ignored);
    if (renegotiationRequested_) {
        // Refused, the request would only come again: the connection ends here.
        failure_ = "the server asked to renegotiate, which this client refuses";
        end_ = End::Failed;
        return true;
    }
    if (result == 1) {
        plain_.append(chunk.data(), got);
        return true;
    }
    if (error == SSL_ERROR_ZERO_RETURN) {
        end_ = End::CloseNotify;
        return true;
    }
    if (error == SSL_ERROR_WANT_READ)
        return end_ == End::PlainClose;
    failure_ = QueueReason("a record could not be read");
    end_ = End::Failed;
    return true;
}

bool TlsIoHandler::SendCloseNotify()
{
    if (!established_ || closeSent_ || !inner_ || !inner_->Connected())
        return true;
    closeSent_ = true;
    // close_notify tells the server that nothing was cut off; its absence is no
    // failure of ours, so the send is not checked. It goes as far as the socket
    // takes it now: a close never waits for a peer that stopped reading.
    TlsLibrary::ERR_clear_error();
    TlsLibrary::SSL_shutdown(ssl_);
    IoResult ignored;
    return SendQueued(ignored);
}

void TlsIoHandler::Close()
{
    SendCloseNotify();
    if (inner_)
        inner_->Close();
}

bool TlsIoHandler::Connected()
{
    return inner_ && inner_->Connected();
}

bool TlsIoHandler::WaitReadable(std::int32_t timeoutMs)
{
    if (!established_)
        throw NotConnectedError();
    if (!plain_.empty() || TlsLibrary::SSL_pending(ssl_) > 0)
        return true;
    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    bool waited = false;
    for (;;) {
        if (Decrypt())
            return true;
        if (waited && !unlimited && Clock::now() >= deadline)
            return false;
        waited = true;
        if (!Pull(unlimited ? TimeoutInfinite : MsLeft(deadline)))
            return false;
    }
}

IoResult TlsIoHandler::Recv(void* buffer, std::size_t length)
{
    if (!Connected())
        throw ClosedSocketError();
    if (plain_.empty() && !WaitReadable(TimeoutInfinite))
        return IoResult::Moved(0);
    if (!plain_.empty()) {
        const std::size_t count = std::min(length, plain_.size());
        std::memcpy(buffer, plain_.data(), count);
        plain_.erase(0, count);
        return IoResult::Moved(static_cast<long>(count));
    }
    switch (end_) {
    case End::Failed: throw TlsError("The TLS connection failed (" + failure_ + ").");
    case End::PlainClose:
        // Only close_notify proves that a data stream is complete (RFC 4217, RFC 8446).
        if (role_ == TlsRole::Data)
            throw TlsTruncatedError();
        return IoResult::Moved(0);
    case End::CloseNotify:
    case End::None: break;
    }
    return IoResult::Moved(0);
}

void TlsIoHandler::CheckSendable()
{
    if (!Connected())
        throw ClosedSocketError();
    // Nothing goes out before the handshake has ended, not even an "ABOR" sent by a
    // handler that runs while the handshake waits.
    if (!established_)
        throw NotConnectedError();
}

std::size_t TlsIoHandler::Encrypt(const void* buffer, std::size_t length)
{
    std::size_t written = 0;
    TlsLibrary::ERR_clear_error();
    if (TlsLibrary::SSL_write_ex(ssl_, buffer, length, &written) != 1)
        throw TlsError("The TLS connection failed (" + QueueReason("the data could not be encrypted") + ").");
    return written;
}

IoResult TlsIoHandler::Send(const void* buffer, std::size_t length)
{
    CheckSendable();
    if (length == 0)
        return IoResult::Moved(0);
    const std::size_t written = Encrypt(buffer, length);
    IoResult failed;
    if (!Flush(failed))
        return failed;
    return IoResult::Moved(static_cast<long>(written));
}

void TlsIoHandler::ShutdownSend()
{
    // The end of an upload: the last bytes and close_notify must reach the server,
    // whose reply says whether it kept the file. A peer that stopped reading has
    // them for a bounded time, in the inner handler's sliced waits.
    if (!SendCloseNotify()) {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kCloseWaitMs);
        IoResult failed;
        while (!unsent_.empty() && MsLeft(deadline) > 0 && inner_->WaitWritable(MsLeft(deadline))) {
            // Only a full send buffer is waited out; a failed send ends the wait.
            if (!SendQueued(failed) && !failed.FailedWith({SocketErrorCode::WouldBlock}))
                break;
        }
    }
    if (inner_)
        inner_->ShutdownSend();
}

bool TlsIoHandler::WaitWritable(std::int32_t timeoutMs)
{
    if (!Connected())
        throw ClosedSocketError();
    return inner_->WaitWritable(timeoutMs);
}

IoResult TlsIoHandler::SendNow(const void* buffer, std::size_t length)
{
    CheckSendable();
    if (length == 0)
        return IoResult::Moved(0);
    IoResult failed;
    if (!record_.empty()) {
        // A record that went out in part: the caller offers its bytes again after
        // the wait, as after a short send, and they count once all of it has gone.
        const bool offeredAgain = length >= record_.size() && std::memcmp(buffer, record_.data(), record_.size()) == 0;
        if (!SendQueued(failed))
            return failed;
        const auto done = static_cast<long>(record_.size());
        record_.clear();
        if (offeredAgain)
            return IoResult::Moved(done);
        // The caller gave those bytes up (an abort that went on): the record is out
        // all the same, and these bytes are new.
    }
    // Whatever the library still has to send (an answer to a key update) goes first.
    if (!SendQueued(failed))
        return failed;
    const std::size_t written = Encrypt(buffer, std::min(length, kChunk));
    // The record is encrypted now and cannot be taken back: what the socket does not
    // take at once waits in the queue, and the caller hears "would block" (the inner
    // send's own result and error code) until it has gone.
    if (!SendQueued(failed)) {
        record_.assign(static_cast<const char*>(buffer), written);
        return failed;
    }
    return IoResult::Moved(static_cast<long>(written));
}

} // namespace quorvane::net
