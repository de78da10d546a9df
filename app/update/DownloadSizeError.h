#pragma once

#include "app/update/UpdateError.h"

#include <cstdint>
#include <string>

namespace quorvane::app {

/// The download ended with another byte count than the server announced for
/// the file ("SIZE"): "Received 19412 of 38825 bytes.". Nothing is kept.
class DownloadSizeError : public UpdateError {
public:
    DownloadSizeError(std::int64_t received, std::int64_t expected)
        : UpdateError("Received " + std::to_string(received) + " of " + std::to_string(expected) + " bytes.")
    {}
};

} // namespace quorvane::app
