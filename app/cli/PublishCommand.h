#pragma once

#include "app/cli/CliCommand.h"

namespace quorvane::app::cli {

/// `publish [--publish-server URL]`: puts the local Main List on the server
/// the players update from, under a temporary name that is then renamed over
/// the old list, so that no player downloads a part of it.
const CliCommand& PublishCommand();

} // namespace quorvane::app::cli
