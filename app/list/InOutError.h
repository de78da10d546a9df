#pragma once

#include "app/list/ListError.h"

#include <QString>

#include <string>

namespace quorvane::app {

/// Writing a file failed. The message is the runtime's input/output text for
/// the system error: "File access denied", "Disk full", "Invalid filename",
/// "Too many open files", "File not found", or "I/O error <number>".
class InOutError : public ListError {
public:
    explicit InOutError(int errorCode);
    int ErrorCode() const { return errorCode_; }
    /// The message for a system error number (errno).
    static std::string MessageFor(int errorCode);

private:
    int errorCode_;
};

} // namespace quorvane::app
