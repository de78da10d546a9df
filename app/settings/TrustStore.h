#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane::app {

/// What the program knows of servers' certificates: the one store every
/// connection consults, whoever makes it (the update and the reports, the
/// command line and the windows). It lives in the settings file and is
/// written through UserSettings, readable by its owner only:
///
///   [tls]           host:port=AB:CD:...   the certificate trusted by its SHA-256 fingerprint (a pin)
///   [tls-verified]  host:port=1           the server once showed a certificate that verified
///
/// ([tls-verified] is a section of its own, so that an older version never
/// takes it for a pin.) Keys are canonical: a host name in lower case, an IP
/// address in one written form (an IPv6 one in brackets), then ":" and the
/// port. Keys as older versions wrote them (the host as typed) are read and
/// replaced too. Every call reads the file afresh, so a decision made
/// anywhere applies at the next connection.
class TrustStore {
public:
    /// What is kept for one server.
    struct Known {
        /// The pinned fingerprint ("AB:CD:...", whatever form it was written
        /// in; a value that is no fingerprint is kept as written and matches
        /// no certificate); empty for none.
        std::string pin;
        /// Whether the server once showed a certificate that verified.
        bool verified = false;
        /// Whether anything is kept: TLS is then required.
        [[nodiscard]] bool Any() const { return !pin.empty() || verified; }
    };
    /// What Forget removed: the pin (and any memory beside it), only the
    /// memory of a verified certificate, or nothing.
    enum class Forgotten { Nothing, Pin, Verified };

    /// What is kept for `host`:`port`.
    static Known Find(const std::string& host, std::int32_t port);
    /// Pins `fingerprint` for `host`:`port`, replacing any other. Throws
    /// SettingsError when the file cannot be written.
    static void Pin(const std::string& host, std::int32_t port, const std::string& fingerprint);
    /// Remembers that `host`:`port` showed a certificate that verified, and
    /// removes its pin (a later renewal verifies too). Writes nothing when
    /// that is known already. Throws SettingsError.
    static void RememberVerified(const std::string& host, std::int32_t port);
    /// Removes the pin and the memory of `host`:`port`. Throws SettingsError.
    static Forgotten Forget(const std::string& host, std::int32_t port);

    /// What Forget did, in words: "Forgot <key>: its trusted certificate.",
    /// "Forgot <key>: that it showed a verified certificate." or "Nothing is
    /// kept for <key>.".
    static std::string Told(Forgotten forgotten, const std::string& key);

    /// The canonical key: "lists.example.org:21", "127.0.0.1:2121", "[::1]:2121".
    static std::string Key(const std::string& host, std::int32_t port);
    /// `text` as a SHA-256 fingerprint: 64 hex digits with or without colons
    /// or spaces, in either case, optionally after "sha256 Fingerprint=" in
    /// either case (as `openssl x509 -fingerprint -sha256` prints it); written
    /// "AB:CD:...". None for anything else.
    static std::optional<std::string> ReadFingerprint(std::string_view text);
};

} // namespace quorvane::app
