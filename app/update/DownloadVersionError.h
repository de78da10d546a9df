#pragma once

#include "app/update/UpdateError.h"

#include <string>

namespace quorvane::app {

/// The downloaded file parsed but carries no version number, so it cannot be
/// compared with the Main List: "The downloaded list "<path>" has no version
/// number". The download stays on disk; nothing is installed.
class DownloadVersionError : public UpdateError {
public:
    explicit DownloadVersionError(const std::string& path)
        : UpdateError("The downloaded list \"" + path + "\" has no version number")
    {}
};

} // namespace quorvane::app
