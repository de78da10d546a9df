#pragma once

#include "net/transport/AntiFreezeBase.h"

namespace quorvane::app {

/// Keeps the windows repainting while a network call blocks the user
/// interface thread: between wait slices it lets Qt process the pending
/// events. Each window that talks to the network owns one; the one created
/// last is in force.
class AntiFreeze : public net::AntiFreezeBase {
public:
    /// Processes the pending events; with ApplicationHasPriority off, one
    /// pass of the event dispatcher only. Input to other windows is let
    /// through as well, as a running modal dialog would.
    void PumpMessages() override;
};

} // namespace quorvane::app
