#include "app/list/ListError.h"

#include <cerrno>
#include <cstring>

namespace quorvane::app {

namespace {

std::string SystemReason(int errorCode) {
  return std::strerror(errorCode);
}

// A caption is quoted in a message; characters that cannot be shown are
// replaced so the message itself stays printable.
QString Printable(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (QChar c : text) result.append(c.unicode() < 0x20 ? QChar(0xFFFD) : c);
  return result;
}

}  // namespace

FileOpenError::FileOpenError(const QString& fullPath, int errorCode)
    : ListError("Cannot open file \"" + fullPath.toStdString() + "\". " + SystemReason(errorCode)),
      errorCode_(errorCode) {}

InOutError::InOutError(int errorCode) : ListError(MessageFor(errorCode)), errorCode_(errorCode) {}

std::string InOutError::MessageFor(int errorCode) {
  switch (errorCode) {
    case EACCES:
    case EPERM:
    case EROFS:
      return "File access denied";
    case ENOSPC:
    case EDQUOT:
      return "Disk full";
    case ENAMETOOLONG:
    case ENOTDIR:
    case EINVAL:
    case ELOOP:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case ENOENT:
      return "File not found";
    default:
      return "I/O error " + std::to_string(errorCode);
  }
}

InvalidCharacterError::InvalidCharacterError(const QString& gameName, const QString& fieldName,
                                             char32_t character)
    : ListError(QStringLiteral("Cannot save \"%1\": its %2 field holds the character U+%3, "
                               "which a list file cannot carry")
                    .arg(Printable(gameName), fieldName,
                         QStringLiteral("%1").arg(static_cast<uint>(character), 4, 16, QChar('0')).toUpper())
                    .toStdString()) {}

}  // namespace quorvane::app
