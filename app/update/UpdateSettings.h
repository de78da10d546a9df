#pragma once

#include <cstdint>
#include <string>

namespace quorvane::app {

/// Where the update flow finds the Main List and how long it waits. The fixed
/// values (Fixed()) are the program's own server; `--update-server` replaces
/// them for one run.
struct UpdateSettings {
    std::string Host;
    std::int32_t Port = 21;
    std::string Username;
    std::string Password;
    /// Relative path sent with "CWD", ending in "/".
    std::string Directory;
    /// Most milliseconds the client waits for any reply or data, and for the
    /// server to open an active-mode data connection; a server that stays
    /// silent longer ends the step with "Read Timeout".
    std::int32_t ReadTimeoutMs = 60000;

    /// The program's own update server: lists.quorvane.example port 21,
    /// account "quorvane", directory "pub/lists/Other/".
    static UpdateSettings Fixed();
};

} // namespace quorvane::app
