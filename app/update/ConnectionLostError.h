#pragma once

#include "app/update/UpdateError.h"

namespace quorvane::app {

/// The control connection closed without the flow closing it (a reply that
/// came too late, or a server that hung up): a download is no longer
/// possible in this window, and a "gcmList.BAK" on disk is not this
/// server's answer.
class ConnectionLostError : public UpdateError {
public:
    ConnectionLostError()
        : UpdateError("The connection to the server was lost. Close this window and check for updates again.")
    {}
};

} // namespace quorvane::app
