#include "app/settings/TrustStore.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"

#include <QStringList>

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace quorvane::app {

namespace {

/// The canonical key of a key as this or an older version wrote it,
/// "host:port" (an IPv6 address with or without brackets); none when it
/// names no port.
std::optional<std::string> CanonicalKey(const QString& stored)
{
    const std::string text = stored.toStdString();
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size() || text.size() - colon > 6)
        return std::nullopt;
    const std::string port = text.substr(colon + 1);
    if (!std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    return TrustStore::Key(text.substr(0, colon), std::stoi(port));
}

/// The full paths of the keys of `section` that name `key`, in any spelling.
QStringList PathsOf(QSettings& settings, const QString& section, const std::string& key)
{
    QStringList paths;
    settings.beginGroup(section);
    for (const QString& stored : settings.childKeys()) {
        if (CanonicalKey(stored) == key)
            paths << section + QLatin1Char('/') + stored;
    }
    settings.endGroup();
    return paths;
}

QString PathOf(const QString& section, const std::string& key)
{
    return section + QLatin1Char('/') + QString::fromStdString(key);
}

} // namespace

std::string TrustStore::Key(const std::string& host, std::int32_t port)
{
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    char text[INET6_ADDRSTRLEN] = {};
    in6_addr v6{};
    in_addr v4{};
    if (inet_pton(AF_INET6, name.c_str(), &v6) == 1 && inet_ntop(AF_INET6, &v6, text, sizeof text) != nullptr) {
        name = std::string("[") + text + "]";
    } else if (inet_pton(AF_INET, name.c_str(), &v4) == 1 && inet_ntop(AF_INET, &v4, text, sizeof text) != nullptr) {
        name = text;
    } else {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    return name + ':' + std::to_string(port);
}

std::optional<std::string> TrustStore::ReadFingerprint(std::string_view text)
{
    static constexpr std::string_view prefix = "sha256 fingerprint=";
    if (text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        }))
        text.remove_prefix(prefix.size());
    std::string digits;
    for (const char c : text) {
        if (c == ':' || c == ' ')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)) || digits.size() == 64)
            return std::nullopt;
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() != 64)
        return std::nullopt;
    std::string fingerprint;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i != 0)
            fingerprint += ':';
        fingerprint.append(digits, i, 2);
    }
    return fingerprint;
}

TrustStore::Known TrustStore::Find(const std::string& host, std::int32_t port)
{
    const auto settings = UserSettings::Open();
    const std::string key = Key(host, port);
    Known known;
    for (const QString& path : PathsOf(*settings, settings::kTrustedCertificates, key)) {
        const std::string text = UserSettings::Text(*settings, path);
        if (known.pin.empty())
            known.pin = ReadFingerprint(text).value_or(text);
    }
    for (const QString& path : PathsOf(*settings, settings::kVerifiedServers, key))
        known.verified = known.verified || settings->value(path).toBool();
    return known;
}

void TrustStore::Pin(const std::string& host, std::int32_t port, const std::string& fingerprint)
{
    const auto settings = UserSettings::Open();
    const std::string key = Key(host, port);
    for (const QString& path : PathsOf(*settings, settings::kTrustedCertificates, key))
        settings->remove(path);
    settings->setValue(PathOf(settings::kTrustedCertificates, key), QString::fromStdString(fingerprint));
    UserSettings::Save(*settings);
}

void TrustStore::RememberVerified(const std::string& host, std::int32_t port)
{
    const auto settings = UserSettings::Open();
    const std::string key = Key(host, port);
    const QStringList pins = PathsOf(*settings, settings::kTrustedCertificates, key);
    const QString path = PathOf(settings::kVerifiedServers, key);
    if (pins.isEmpty() && settings->value(path).toBool())
        return;
    for (const QString& pin : pins)
        settings->remove(pin);
    settings->setValue(path, 1);
    UserSettings::Save(*settings);
}

TrustStore::Forgotten TrustStore::Forget(const std::string& host, std::int32_t port)
{
    const auto settings = UserSettings::Open();
    const std::string key = Key(host, port);
    const QStringList pins = PathsOf(*settings, settings::kTrustedCertificates, key);
    const QStringList verified = PathsOf(*settings, settings::kVerifiedServers, key);
    if (pins.isEmpty() && verified.isEmpty())
        return Forgotten::Nothing;
    for (const QString& path : pins + verified)
        settings->remove(path);
    UserSettings::Save(*settings);
    return pins.isEmpty() ? Forgotten::Verified : Forgotten::Pin;
}

std::string TrustStore::Told(Forgotten forgotten, const std::string& key)
{
    switch (forgotten) {
    case Forgotten::Pin: return "Forgot " + key + ": its trusted certificate.";
    case Forgotten::Verified: return "Forgot " + key + ": that it showed a verified certificate.";
    case Forgotten::Nothing: break;
    }
    return "Nothing is kept for " + key + ".";
}

} // namespace quorvane::app
