#include "net/tls/TlsContext.h"

#include "net/tls/TlsLibrary.h"
#include "net/transport/TlsError.h"

namespace quorvane::net {

TlsContext::TlsContext()
{
    // OpenSSL is loaded here, by the first TLS connection, not when the program starts.
    TlsLibrary::Startup();
    context_ = TlsLibrary::SSL_CTX_new(TlsLibrary::TLS_client_method());
    if (context_ == nullptr)
        throw TlsError("TLS is not available: the library could not make a client context.");
    TlsLibrary::SSL_CTX_ctrl(context_, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
    // An FTP client never needs a TLS 1.2 renegotiation, and a server that asks
    // for one again and again would keep the client busy for nothing: the
    // request is refused (and the connection ended, see TlsIoHandler).
    TlsLibrary::SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION);
    // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR replace it.
    TlsLibrary::SSL_CTX_set_default_verify_paths(context_);
    // Sessions are kept here, not in the library's cache: a data connection resumes the
    // control connection's session (RFC 4217; servers may demand it).
    TlsLibrary::SSL_CTX_ctrl(context_, SSL_CTRL_SET_SESS_CACHE_MODE,
                             SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE, nullptr);
}

TlsContext::~TlsContext()
{
    for (SSL_SESSION* session : sessions_)
        TlsLibrary::SSL_SESSION_free(session);
    TlsLibrary::SSL_CTX_free(context_);
}

void TlsContext::KeepSession(ssl_session_st* session) noexcept
{
    sessions_.push_back(session);
    if (sessions_.size() > KeptSessions) {
        TlsLibrary::SSL_SESSION_free(sessions_.front());
        sessions_.pop_front();
    }
}

ssl_session_st* TlsContext::TakeSession() noexcept
{
    if (sessions_.empty())
        return nullptr;
    SSL_SESSION* session = sessions_.back();
    if (sessions_.size() > 1)
        sessions_.pop_back();
    else
        TlsLibrary::SSL_SESSION_up_ref(session);
    return session;
}

} // namespace quorvane::net
