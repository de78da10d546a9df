#include "app/update/UpdateSettings.h"

namespace quorvane::app {

UpdateSettings UpdateSettings::Fixed()
{
    UpdateSettings settings;
    settings.Host = "lists.quorvane.example";
    settings.Username = "quorvane";
    settings.Password = "gcm-lists";
    settings.Directory = "pub/lists/Other/";
    return settings;
}

} // namespace quorvane::app
