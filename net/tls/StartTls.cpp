#include "net/tls/StartTls.h"

#include "net/transport/TcpConnection.h"

namespace quorvane::net {

ConnectionSecurity StartTls(TcpConnection& connection, std::shared_ptr<TlsContext> context, TlsRole role,
                            const TlsTrust& trust, const std::string& host, std::int32_t timeoutMs)
{
    // Whatever arrived after the peer's cue belongs to the handshake (or is garbage that
    // fails it); it must not be read as plain bytes.
    const std::string ahead = connection.ReceiveQueue().Extract(connection.ReceiveQueue().Size());
    auto tls =
        std::make_unique<TlsIoHandler>(connection.ReleaseIOHandler(), std::move(context), role, trust.verification);
    TlsIoHandler& handler = *tls;
    connection.SetIOHandler(tls.release(), Ownership::Owned);
    handler.FeedReceived(ahead.data(), ahead.size());
    handler.TrustFingerprint(trust.fingerprint);
    handler.Handshake(host, timeoutMs);
    return handler.SecurityInfo();
}

} // namespace quorvane::net
