#pragma once

#include "app/list/ListError.h"

#include <QString>

#include <string>

namespace quorvane::app {

/// A list file could not be opened for reading:
/// "Cannot open file "<full path>". <system reason>" (the command line's
/// `summary` raises it for a missing file; the XML layer raises its own with
/// the same text when a file cannot be read).
class FileOpenError : public ListError {
public:
    FileOpenError(const QString& fullPath, int errorCode);
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

} // namespace quorvane::app
