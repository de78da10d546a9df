#pragma once

#include "app/cli/CliCommand.h"

namespace quorvane::app::cli {

/// `submit [FILE] [--submit-server URL] [--trust-certificate FP [--save]]`:
/// sends the Custom List
/// ("custGCMList.xml" in the folder in use, or FILE) to the submission
/// server under a name no other report has, and appends what was sent to
/// "submissions.log". `submit --history` prints that log. Failures are thrown.
const CliCommand& SubmitCommand();

} // namespace quorvane::app::cli
