#pragma once

#include "app/settings/OptionError.h"

namespace quorvane::app::cli {

/// The command line itself is wrong (unknown option, missing argument): the
/// shared options' error, so a command's usage errors and theirs are one.
using UsageError = OptionError;

} // namespace quorvane::app::cli
