#include "net/tls/TlsContext.h"

#include "net/tls/TlsError.h"

#include <openssl/ssl.h>

namespace quorvane::net {

TlsContext::TlsContext()
{
    context_ = SSL_CTX_new(TLS_client_method());
    if (context_ == nullptr)
        throw TlsError("TLS is not available: the library could not make a client context.");
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR replace it.
    SSL_CTX_set_default_verify_paths(context_);
    // Sessions are kept here, not in the library's cache: a data connection resumes the
    // control connection's session (RFC 4217; servers may demand it).
    SSL_CTX_set_session_cache_mode(context_, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
}

TlsContext::~TlsContext()
{
    for (SSL_SESSION* session : sessions_)
        SSL_SESSION_free(session);
    SSL_CTX_free(context_);
}

void TlsContext::KeepSession(ssl_session_st* session) noexcept
{
    sessions_.push_back(session);
    if (sessions_.size() > KeptSessions) {
        SSL_SESSION_free(sessions_.front());
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
        SSL_SESSION_up_ref(session);
    return session;
}

} // namespace quorvane::net
