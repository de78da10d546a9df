#pragma once

#include "app/list/ListError.h"

#include <string>

namespace quorvane::app {

/// The folder to scan is missing, not a folder, or cannot be read:
/// "Cannot scan folder "<path>". <system reason>".
class ScanFolderError : public ListError {
public:
    ScanFolderError(const std::string& path, int errorCode);
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

} // namespace quorvane::app
