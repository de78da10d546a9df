#include "app/list/InOutError.h"

#include <cerrno>

namespace quorvane::app {

InOutError::InOutError(int errorCode) : ListError(MessageFor(errorCode)), errorCode_(errorCode) {}

std::string InOutError::MessageFor(int errorCode)
{
    switch (errorCode) {
    case EACCES:
    case EPERM:
    case EROFS: return "File access denied";
    case ENOSPC:
    case EDQUOT: return "Disk full";
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL:
    case ELOOP: return "Invalid filename";
    case EMFILE:
    case ENFILE: return "Too many open files";
    case ENOENT: return "File not found";
    default: return "I/O error " + std::to_string(errorCode);
    }
}

} // namespace quorvane::app
