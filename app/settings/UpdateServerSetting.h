#pragma once

#include "app/update/FtpServer.h"

#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace quorvane::app {

/// The update server a run uses, and where it was named.
struct UpdateServerChoice {
    enum class Source {
        /// The program's own server (FtpServer::BuiltIn()).
        BuiltIn,
        /// The key [update] server of the user's settings file.
        SettingsFile,
        /// --update-server, for this run.
        CommandLine,
    };
    FtpServer server = FtpServer::BuiltIn();
    Source source = Source::BuiltIn;
};

/// The update server in the user's settings file (key [update] server, an
/// ftp:// URL in the form --update-server takes), as both programs read it,
/// and the server Custom Lists are sent to ([submit] server).
class UpdateServerSetting {
public:
    /// The server for this run: `commandLine` when given (the file is not
    /// read then), else the settings file's, else the built-in one. A
    /// malformed URL in the file is passed to `report` as an
    /// ServerUrlError, and the built-in server is used.
    static UpdateServerChoice Choose(const std::optional<FtpServer>& commandLine,
                                     const std::function<void(const std::exception&)>& report);

    /// Puts `server`'s URL into the settings file, where the next runs find
    /// it. Throws SettingsError when the file cannot be written.
    static void Store(const FtpServer& server);

    /// Takes the server out of the settings file: the next runs use the
    /// built-in one. Throws SettingsError when the file cannot be written.
    static void StoreBuiltIn();

    /// The server Custom Lists are sent to ([submit] server, an ftp:// URL in
    /// the form --submit-server takes); none when the key is absent or empty. Throws ServerUrlError for
    /// a malformed URL.
    static std::optional<FtpServer> StoredSubmitServer();
    /// The [submit] server URL as written, empty when there is none.
    static std::string StoredSubmitUrl();
    /// Puts `server`'s URL into [submit] server, or takes the key out when
    /// there is none (reports then go to the update server's incoming/
    /// folder). Throws SettingsError when the file cannot be written.
    static void StoreSubmitServer(const std::optional<FtpServer>& server);

    /// The list's keepers' account for the reports' incoming folder ([keepers]
    /// server, in the form --reports-server takes); none when the key is
    /// absent or empty. Throws ServerUrlError for a malformed URL.
    static std::optional<FtpServer> StoredKeepersServer();
    /// The [keepers] server URL as written, empty when there is none.
    static std::string StoredKeepersUrl();
    /// Puts `server`'s URL into [keepers] server, or takes the key out when
    /// there is none. Throws SettingsError when the file cannot be written.
    static void StoreKeepersServer(const std::optional<FtpServer>& server);

private:
    /// The reports' server `url` names; none for an empty one.
    static std::optional<FtpServer> StoredReportServer(const std::string& url);
    /// Puts `server`'s URL under `key`, or takes the key out for none.
    static void StoreServer(const QString& key, const std::optional<FtpServer>& server);
};

} // namespace quorvane::app
