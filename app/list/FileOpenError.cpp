#include "app/list/FileOpenError.h"

#include <cstring>

namespace quorvane::app {

FileOpenError::FileOpenError(const QString& fullPath, int errorCode)
    : ListError("Cannot open file \"" + fullPath.toStdString() + "\". " + std::strerror(errorCode)),
      errorCode_(errorCode)
{}

} // namespace quorvane::app
