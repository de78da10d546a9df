#pragma once

#include "app/cli/CliCommand.h"

#include <vector>

namespace quorvane::app::cli {

/// The subcommands over the list logic: summary, show, search, export-html,
/// and scan (the My Games page). Each starts as the program does (loading
/// "gcmList.xml" from the working directory) and then runs one Main Window
/// command through MainList (scan through GameScan).
const std::vector<CliCommand>& ListCommands();

} // namespace quorvane::app::cli
