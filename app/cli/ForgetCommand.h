#pragma once

#include "app/cli/CliCommand.h"

namespace quorvane::app::cli {

/// `forget HOST[:PORT]`: removes what the trust store keeps of that server
/// (port 21 when none is named), its pinned certificate and the memory that it
/// showed a verified one, and says what it removed. A HOST[:PORT] that does not
/// parse is a usage error.
const CliCommand& ForgetCommand();

} // namespace quorvane::app::cli
