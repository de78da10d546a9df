#pragma once

#include "app/update/UpdateError.h"

#include <string>

namespace quorvane::app {

/// The downloaded list could not be put in place of the Main List:
/// "Cannot rename file "<from>" to "<to>". <system reason>". The Main List
/// and the download are both left as they were.
class ListInstallError : public UpdateError {
public:
    ListInstallError(const std::string& from, const std::string& to, const std::string& reason)
        : UpdateError("Cannot rename file \"" + from + "\" to \"" + to + "\". " + reason)
    {}
};

} // namespace quorvane::app
