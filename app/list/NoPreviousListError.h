#pragma once

#include "app/list/ListError.h"

namespace quorvane::app {

/// No list an update replaced lies beside the Main List.
class NoPreviousListError : public ListError {
public:
    NoPreviousListError() : ListError("No earlier list to compare with.") {}
};

} // namespace quorvane::app
