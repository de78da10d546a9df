#include "app/settings/UpdateServerSetting.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/UserSettings.h"
#include "app/update/UpdateServerUrl.h"
#include "app/update/UpdateServerUrlError.h"

#include <QStringList>

namespace quorvane::app {

namespace {

/// The URL as written in the file. QSettings reads an unquoted value with
/// commas as a list; a password may hold commas, so the parts are joined
/// again.
std::string StoredUrl(const QSettings& settings)
{
    const QVariant value = settings.value(settings::kUpdateServer);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

} // namespace

UpdateServerChoice UpdateServerSetting::Choose(const std::optional<UpdateSettings>& commandLine,
                                               const std::function<void(const std::exception&)>& report)
{
    if (commandLine)
        return {*commandLine, UpdateServerChoice::Source::CommandLine};
    const std::string url = StoredUrl(*UserSettings::Open());
    if (url.empty())
        return {};
    try {
        return {UpdateServerUrl::Parse(url), UpdateServerChoice::Source::SettingsFile};
    } catch (const UpdateServerUrlError& e) {
        report(e);
        return {};
    }
}

UpdateSettings UpdateServerSetting::Store(const std::string& url)
{
    UpdateSettings server = UpdateServerUrl::Parse(url);
    const auto settings = UserSettings::Open();
    settings->setValue(settings::kUpdateServer, QString::fromStdString(url));
    UserSettings::Save(*settings);
    return server;
}

void UpdateServerSetting::StoreBuiltIn()
{
    const auto settings = UserSettings::Open();
    settings->remove(settings::kUpdateServer);
    UserSettings::Save(*settings);
}

} // namespace quorvane::app
