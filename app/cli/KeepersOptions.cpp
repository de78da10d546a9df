#include "app/cli/KeepersOptions.h"

#include "app/cli/UsageError.h"
#include "app/settings/UserSettings.h"

namespace quorvane::app::cli {

std::string OptionValue(const std::vector<std::string>& arguments, std::size_t& index)
{
    if (index + 1 >= arguments.size() || arguments[index + 1].empty())
        throw UsageError(arguments[index] + " needs a value");
    return arguments[++index];
}

std::string OptionOrSetting(const std::optional<std::string>& option, const QString& key)
{
    if (option)
        return *option;
    return UserSettings::Text(*UserSettings::Open(), key);
}

} // namespace quorvane::app::cli
