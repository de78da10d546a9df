#include "app/scan/ScanFolderError.h"

#include <cstring>

namespace quorvane::app {

ScanFolderError::ScanFolderError(const std::string& path, int errorCode)
    : ListError("Cannot scan folder \"" + path + "\". " + std::strerror(errorCode)), errorCode_(errorCode)
{}

} // namespace quorvane::app
