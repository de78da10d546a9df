#pragma once

#include <stdexcept>

namespace quorvane::app {

/// Thrown to leave an operation silently: the error box shows nothing for it.
class OperationAborted : public std::runtime_error {
public:
    OperationAborted() : std::runtime_error("Operation aborted") {}
};

} // namespace quorvane::app
