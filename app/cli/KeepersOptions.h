#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::app::cli {

/// The value after the option at `arguments[index]`, with `index` moved onto
/// it. Throws UsageError "<option> needs a value" when there is none or it is
/// empty.
std::string OptionValue(const std::vector<std::string>& arguments, std::size_t& index);

/// The server URL a keepers' command uses: `option` when it was given, else
/// the settings file's `key` as written; empty for neither.
std::string OptionOrSetting(const std::optional<std::string>& option, const QString& key);

} // namespace quorvane::app::cli
