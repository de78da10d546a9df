#include "app/settings/UpdateServerSetting.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"
#include "app/update/ServerUrlError.h"

namespace quorvane::app {

UpdateServerChoice UpdateServerSetting::Choose(const std::optional<FtpServer>& commandLine,
                                               const std::function<void(const std::exception&)>& report)
{
    const auto settings = UserSettings::Open();
    UpdateServerChoice choice;
    if (commandLine) {
        choice = {*commandLine, UpdateServerChoice::Source::CommandLine};
    } else {
        const std::string url = UserSettings::Text(*settings, settings::kUpdateServer);
        try {
            if (!url.empty())
                choice = {FtpServer::Parse(url), UpdateServerChoice::Source::SettingsFile};
        } catch (const ServerUrlError& e) {
            report(e);
        }
    }
    return choice;
}

void UpdateServerSetting::Store(const FtpServer& server)
{
    const auto settings = UserSettings::Open();
    settings->setValue(settings::kUpdateServer, QString::fromStdString(server.Url()));
    UserSettings::Save(*settings);
}

void UpdateServerSetting::StoreBuiltIn()
{
    const auto settings = UserSettings::Open();
    settings->remove(settings::kUpdateServer);
    UserSettings::Save(*settings);
}

std::optional<FtpServer> UpdateServerSetting::StoredSubmitServer()
{
    return StoredReportServer(StoredSubmitUrl());
}

std::string UpdateServerSetting::StoredSubmitUrl()
{
    return UserSettings::Text(*UserSettings::Open(), settings::kSubmitServer);
}

void UpdateServerSetting::StoreSubmitServer(const std::optional<FtpServer>& server)
{
    StoreServer(settings::kSubmitServer, server);
}

std::optional<FtpServer> UpdateServerSetting::StoredKeepersServer()
{
    return StoredReportServer(StoredKeepersUrl());
}

std::string UpdateServerSetting::StoredKeepersUrl()
{
    return UserSettings::Text(*UserSettings::Open(), settings::kKeepersServer);
}

void UpdateServerSetting::StoreKeepersServer(const std::optional<FtpServer>& server)
{
    StoreServer(settings::kKeepersServer, server);
}

std::optional<FtpServer> UpdateServerSetting::StoredReportServer(const std::string& url)
{
    if (url.empty())
        return std::nullopt;
    return FtpServer::Parse(url, FtpServer::Role::Report);
}

void UpdateServerSetting::StoreServer(const QString& key, const std::optional<FtpServer>& server)
{
    const auto settings = UserSettings::Open();
    if (server)
        settings->setValue(key, QString::fromStdString(server->Url()));
    else
        settings->remove(key);
    UserSettings::Save(*settings);
}

} // namespace quorvane::app
