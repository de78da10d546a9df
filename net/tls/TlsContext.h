#pragma once

#include <deque>

struct ssl_ctx_st;
struct ssl_session_st;

namespace quorvane::net {

/// The client side of TLS for one server: the system's trust store (which honours
/// SSL_CERT_FILE and SSL_CERT_DIR), TLS 1.2 at least, no renegotiation, and the session that later
/// connections to the same server resume. Shared by a control connection and its data
/// connections; not copyable.
class TlsContext {
public:
    /// Loads OpenSSL when no context has done so yet (TlsLibrary::Startup). Raises TlsError
    /// when the library cannot be loaded or cannot make a context.
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* Native() const noexcept { return context_; }
    /// Keeps `session`, taking over the caller's reference. The newest few are kept.
    void KeepSession(ssl_session_st* session) noexcept;
    /// The newest session to resume, or null; the caller owns one reference. A TLS 1.3
    /// server may accept each of its tickets once, so a session is handed out only once
    /// while newer ones remain; the last one is handed out again (TLS 1.2 reuses it).
    ssl_session_st* TakeSession() noexcept;

private:
    static constexpr std::size_t KeptSessions = 8;

    ssl_ctx_st* context_ = nullptr;
    std::deque<ssl_session_st*> sessions_;
};

} // namespace quorvane::net
