#pragma once

#include "app/cli/CliCommand.h"

namespace quorvane::app::cli {

/// `reports review|merge|fetch ...`: the keepers' desk. `review` prints one
/// line per report record with what it says against the Main List, then the
/// counts; `merge` writes a new Main List from the kinds accepted, keeping
/// the list it replaces as "gcmList.previous.xml"; `fetch` brings the
/// players' reports from the server's incoming folder into "reports/".
const CliCommand& ReportsCommand();

} // namespace quorvane::app::cli
