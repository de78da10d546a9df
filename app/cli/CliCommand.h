#pragma once

#include "app/cli/CliOutput.h"

#include <string>
#include <vector>

namespace quorvane::app::cli {

/// One subcommand of quorvane-cli. `run` gets the arguments after the
/// subcommand's name, writes its results to `out` and returns the exit code;
/// failures are thrown (main prints them as the error box would) and wrong
/// arguments are thrown as UsageError.
struct CliCommand {
    const char* name;
    /// The arguments, as shown in the usage text, e.g. "[--custom] [--bootable]".
    const char* arguments;
    const char* description;
    int (*run)(const std::vector<std::string>& arguments, CliOutput& out);
};

} // namespace quorvane::app::cli
