#pragma once

#include "net/ftp/FtpClient.h"
#include "tests/support/ScriptedPeer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::ftp::testing {

inline const std::string User = "gcmuser";
inline const std::string Password = "gcmpass";

/// The server side of a full auto-login: greeting, USER/331, PASS/230,
/// TYPE I/200, SYST/215 "UNIX Type: L8".
void ScriptLogin(test::ScriptedPeer& peer);

/// The server side of a LIST up to its "150" reply, with the data connection
/// open: accepted after PASV when `passive`, else connected back after PORT.
void ScriptListingStart(test::ScriptedPeer& peer, bool passive);

/// A client aimed at 127.0.0.1:`port` with the test account.
void Aim(FtpClient& client, int port);

/// Everything the client logged as status (status, text).
struct StatusLog {
    std::vector<std::pair<net::NetStatus, std::string>> entries;
    void Attach(FtpClient& client);
    [[nodiscard]] bool Has(net::NetStatus status, const std::string& text) const;
};

[[nodiscard]] std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
/// The first `size` bytes of the scripted peer's pattern.
[[nodiscard]] std::string Pattern(std::uint64_t size, std::uint64_t from = 0);
/// Writes the pattern straight to a file (for large sizes).
void WritePatternFile(const std::string& path, std::uint64_t size);
/// Whether the file holds exactly the first `size` pattern bytes; reads in blocks.
[[nodiscard]] bool FileHoldsPattern(const std::string& path, std::uint64_t size);

} // namespace quorvane::ftp::testing
