#pragma once

#include "app/cli/CliCommand.h"

namespace quorvane::app::cli {

/// `update [--update-server URL]`: the list update of the Download Window
/// without windows and without the confirmation, from the server named by the
/// option, else by the settings file, else the built-in one. Progress texts and the
/// server's system description go to standard error, the listing lines to
/// `out`; the download is then compared and installed, or reported as
/// "Your version is already up to date.". Failures are thrown.
const CliCommand& UpdateCommand();

} // namespace quorvane::app::cli
